#pragma once

#include <QString>
#include <QStringList>

class QWebEngineProfile;

// The one profile every engine of the program shares, so that pages opened in
// another window keep their session. It lives on disk, so cookies (session
// cookies included) and the cache outlast the run. Its downloadRequested()
// goes to whoever saves downloads; unanswered, a download is refused. Made
// on first use; needs the QApplication.
//
// Its files (cookies, site data, history) and its cache are kept beside the
// program's per-user folders, never inside the per-user data directory,
// which the web server serves.
QWebEngineProfile *sharedWebEngineProfile();

// Where the profile keeps its files:
// ~/.local/share/Brimlow/WavecrestEngine/QtWebEngine/Wavecrest (its cache is
// in the same place under ~/.cache).
QString webEngineStorageFolder();

// Where older versions kept the profile: inside the per-user data
// directory, under QtWebEngine/.
QString oldWebEngineStorageFolder();

// Moves a profile from its old place to its new one, once, so that cookies
// and sign-ins survive, and its cache along with it; does nothing when there
// is nothing to move or the new place is taken. Called before the profile is
// made. When the move fails, the profile stays and is used where it is.
void moveOldWebEngineStorage();

// The folders the page engine writes into, for the web server to refuse:
// the profile's files and its cache, and the old place, whether or not it
// is there.
QStringList webEngineStorageFolders();

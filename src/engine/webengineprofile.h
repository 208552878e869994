#pragma once

class QWebEngineProfile;

// The one profile every engine of the program shares, so that pages opened in
// another window keep their session. It lives on disk in the per-user data
// location, so cookies (session cookies included) and the cache outlast the
// run. Its downloadRequested() goes to whoever saves downloads; unanswered,
// a download is refused. Made on first use; needs the QApplication.
QWebEngineProfile *sharedWebEngineProfile();

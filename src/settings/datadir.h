#pragma once

#include <QString>
#include <QStringList>

// Names of the files the program keeps in its data directory.
namespace DataFiles {
inline constexpr char16_t Settings[] = u"Wavecrest.ini";
inline constexpr char16_t AddressHistory[] = u"Address.lst";
// Spelled so since the first version; existing users' files carry this name.
inline constexpr char16_t FavouriteTitles[] = u"Favorties.lst";
inline constexpr char16_t FavouriteAddresses[] = u"Favorites2.lst";
// What the user allowed or blocked sites to do (location, camera, ...).
inline constexpr char16_t SitePermissions[] = u"SitePermissions.lst";
// The words the user added to the mail windows' spelling dictionary.
inline constexpr char16_t PersonalWords[] = u"Dictionary.lst";
// The open windows' addresses while the program runs (see SessionFile).
inline constexpr char16_t Session[] = u"Session.lst";
// The files that hold the user's settings, lists and pages, which no one
// else may read (see isPrivateDataFile()).
inline constexpr const char16_t *Private[] = {Settings, AddressHistory, FavouriteTitles,
    FavouriteAddresses, SitePermissions, PersonalWords, Session};
} // namespace DataFiles

// The program's own directory when it is writable (portable use), otherwise
// the per-user application data directory, created on demand.
QString resolveDataDirectory(const QString &programDirectory);

// The data directory joined with a file name.
QString dataFilePath(const QString &dataDirectory, const QString &fileName);

// True when the last part of a path, with either separator, names one of the
// files that hold the user's settings and lists, or what a save of one of
// them left behind when the program was killed mid-save (".Address.lst.a1B2c3",
// see isSaveTemporaryOf()).
bool isPrivateDataFile(const QString &fileName);

// The names of the private files in the data directory that are too large
// to be read (see MaxTextFileBytes); the program leaves them as they are.
QStringList oversizedDataFiles(const QString &dataDirectory);

// Deletes the leftovers of cut-short saves from the data directory; the
// program does so at start, before it reads anything.
void removeSaveLeftovers(const QString &dataDirectory);

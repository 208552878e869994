#include "engine/webenginespelling.h"

#include <QWebEngineProfile>

namespace {

constexpr char FolderVariable[] = "QTWEBENGINE_DICTIONARIES_PATH";

} // namespace

QString usePageDictionaryFolder(const QString &folder)
{
    if (!qEnvironmentVariableIsEmpty(FolderVariable))
        return qEnvironmentVariable(FolderVariable);
    if (!folder.isEmpty())
        qputenv(FolderVariable, folder.toLocal8Bit());
    return folder;
}

void enablePageSpellChecking(QWebEngineProfile *profile, const QString &dictionary)
{
    if (dictionary.isEmpty())
        return;
    profile->setSpellCheckLanguages({dictionary});
    profile->setSpellCheckEnabled(true);
}

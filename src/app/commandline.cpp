#include "app/commandline.h"

#include "core/version.h"
#include "engine/useraddress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

bool isOption(const QString &argument, std::initializer_list<const char16_t *> names)
{
    for (const char16_t *name : names) {
        if (argument == QStringView(name))
            return true;
    }
    return false;
}

// An existing file, or a path that can only mean one ("./notes.html"), opens
// as that file, wherever the program later looks for relative names. Other
// text is read as the address bar reads it, so that example.org is a site.
QString startAddressFor(const QString &argument, const QString &workingDirectory)
{
    const QFileInfo file(QDir(workingDirectory), argument);
    const bool pathOnly = argument == u"." || argument == u".." || argument.startsWith(u"./")
        || argument.startsWith(u"../");
    if (argument.isEmpty() || (!pathOnly && !file.exists()))
        return argument;
    return QUrl::fromLocalFile(QDir::cleanPath(file.absoluteFilePath()))
        .toString(QUrl::FullyEncoded);
}

QString translate(const char *text)
{
    return QCoreApplication::translate("CommandLine", text);
}

// The toolkit's own options (-platform, -display, -style and the like, with
// one dash or two), which the toolkit takes out of the arguments when it
// starts. They are known here so that the command line is checked before
// the toolkit opens a display: how many arguments each takes, its value
// included; 0 for none that is one of them.
int toolkitOptionLength(QStringView argument)
{
    static constexpr const char16_t *WithValue[] = {u"platform", u"platformpluginpath",
        u"platformtheme", u"plugin", u"qwindowgeometry", u"qwindowicon", u"qwindowtitle",
        u"session", u"display", u"geometry", u"title", u"icon", u"name", u"style", u"stylesheet"};
    static constexpr const char16_t *Switches[]
        = {u"reverse", u"widgetcount", u"nograb", u"dograb", u"sync", u"testability"};
    static constexpr const char16_t *Assigned[]
        = {u"style=", u"stylesheet=", u"qmljsdebugger=", u"dialogs=", u"fontengine="};
    QStringView name = argument.sliced(argument.startsWith(u"--") ? 2 : 1);
    for (const char16_t *option : WithValue) {
        if (name == QStringView(option))
            return 2;
    }
    for (const char16_t *option : Switches) {
        if (name == QStringView(option))
            return 1;
    }
    for (const char16_t *option : Assigned) {
        if (name.startsWith(QStringView(option)))
            return 1;
    }
    return 0;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments, const QString &workingDirectory)
{
    QStringList addresses;
    QString unknownOption;
    bool version = false;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-") {
            addresses << argument;
        } else if (argument == u"--webEngineArgs") {
            break;
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (isOption(argument, {u"-h", u"--help", u"-?"})) {
            return {CommandLine::Action::ShowHelp, {}, {}};
        } else if (isOption(argument, {u"-v", u"--version"})) {
            version = true;
        } else if (const int length = toolkitOptionLength(argument)) {
            i += length - 1;
        } else if (unknownOption.isEmpty()) {
            unknownOption = argument;
        }
    }
    if (version)
        return {CommandLine::Action::ShowVersion, {}, {}};
    if (!unknownOption.isEmpty())
        return {CommandLine::Action::Fail, {}, translate("Unknown option: %1").arg(unknownOption)};
    if (addresses.size() > 1)
        return {CommandLine::Action::Fail, {}, translate("Give at most one address to open.")};
    if (addresses.isEmpty())
        return {};
    const QString address = startAddressFor(addresses.first(), workingDirectory);
    const QString refused = outsideAddressRefusal(urlFromUserAddress(address, workingDirectory));
    if (!refused.isEmpty())
        return {CommandLine::Action::Fail, {}, refused};
    return {CommandLine::Action::Run, address, {}};
}

QString commandLineHelp()
{
    return translate("Usage: wavecrest [OPTION] [ADDRESS]\n"
                     "Opens ADDRESS, a web address or the path of a local file, instead of the "
                     "home page.\n"
                     "\n"
                     "  -h, --help     show this help and exit\n"
                     "  -v, --version  show the version and exit\n");
}

QString commandLineVersion()
{
    return QStringLiteral("Wavecrest %1\n").arg(productVersion());
}

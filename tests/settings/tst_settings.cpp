#include "settings/datadir.h"
#include "settings/listfile.h"
#include "settings/profile.h"
#include "support/testcontext.h"
#include "support/testregistry.h"
#include "ui/colorvalue.h"

#include <QtGui>
#include <QtTest>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Text as a "Unicode" file of an editor: the byte-order mark, then each
// UTF-16 unit (or, four bytes wide, each character) in the byte order given.
// Built by hand, not by the encoder under test.
QByteArray unicodeFile(const QString &text, int unitSize, bool bigEndian)
{
    QList<uint> units = {0xFEFF};
    if (unitSize == 4)
        units += text.toUcs4();
    else
        std::copy(text.utf16(), text.utf16() + text.size(), std::back_inserter(units));
    QByteArray bytes;
    for (const uint unit : units) {
        for (int i = 0; i < unitSize; ++i)
            bytes += char(unit >> 8 * (bigEndian ? unitSize - 1 - i : i));
    }
    return bytes;
}

using NameKind = std::tuple<QString, bool, bool>;
using InPlace = std::tuple<QString, QByteArray, bool, bool, QStringList, QByteArray, QString>;

QByteArray utf16le(const QString &text)
{
    return unicodeFile(text, 2, false);
}

QByteArray utf16be(const QString &text)
{
    return unicodeFile(text, 2, true);
}

const QString loneSurrogate(1, QChar(0xD800));

// Section, key and value; the file before (null: missing) and, for rows that
// write the value rather than read it, the file after. A row whose file after
// is its file before expects it untouched: being LF-only, a rewrite would differ.
struct ProfileCase {
    const char *tag;
    QString section, key, value;
    QByteArray before, after;
};

const ProfileCase profileCases[] = {
    {"names ignore case and blanks", " WAVECREST ", " homepage ", "a", "[Wavecrest]\r\nHomePage=a"},
    {"split at first =, ; is text", "S", "k", "a=b ; c", "[S]\r\nk=a=b ; c"},
    {"blanks trimmed, UTF-8", "S", "k", "Zoë €", "  [ S ]  \r\n \t k \t= Zoë € \t"},
    {"section up to last ], [T no header", "a]b", "k", "1", "[a]b] x\r\n[T\r\nk=1"},
    {"single quotes dropped", "S", "k", "a", "[S]\r\nk='a'"},
    {"one pair of \" dropped", "S", "k", " \"a\" ", "[S]\r\nk=\" \"a\" \""},
    {"mixed quotes kept", "S", "k", "\"a'", "[S]\r\nk=\"a'"},
    {"lone quote kept", "S", "k", "\"", "[S]\r\nk=\""},
    {"first key wins, k= is empty", "S", "k", "", "[S]\r\nk=\r\nK=1"},
    {"first section only", "S", "k", "", "[S]\r\n[T]\r\n[s]\r\nk=1"},
    {"no key, other section's key", "S", "k", "", "[S]\r\nkey=1\r\n[T]\r\nk=1"},
    {"missing section", "S", "k", "", "[T]\r\nk=1"},
    {"missing file", "S", "k", ""},
    {"LF and CR line ends", "S", "k", "1", "[S]\nj=0\rk=1\nm=2"},
    {"Windows-1252 file", "S", "k", "Zoë € “x”", "[S]\r\nk=Zo\xEB \x80 \x93x\x94"},
    {"cut to 254", "S", "k", QString(253, u'x') + "🌊", "[S]\nk='" + QByteArray(253, 'x') + "🌊🌊'"},
    {"UTF-16 LE", "S", "k", "Zoë 🌊", utf16le("[S]\r\n k = Zoë 🌊 \r\n")},
    {"UTF-16 BE", "S", "k", "Zoë 🌊", utf16be("[S]\r\nk=Zoë 🌊")},
    {"UTF-32 LE", "S", "k", "Zoë 🌊", unicodeFile("[S]\r\nk=Zoë 🌊", 4, false)},
    {"UTF-8 with mark", "S", "k", "v", "\xEF\xBB\xBF[S]\r\nk=v"},
    {"mark only", "S", "k", "", "\xFF\xFE"},
    {"odd length, cut unit dropped", "S", "k", "v", utf16le("[S]\r\nk=v") + '\x5B'},
    {"lone surrogate as U+FFFD", "S", "k", "\uFFFDx", utf16le("[S]\nk=" + loneSurrogate + "x")},
    {"Ctrl-Z a blank", "S", "k", "v", "[S\x1A]\r\n\x1Ak\x1A=\x1A'v'\x1A\r\n\x1A"},
    // Writing.
    {"section appended", "S", "k", "v", "[T]\r\na=1", "[T]\r\na=1\r\n[S]\r\nk=v\r\n"},
    {"key after last line of first section", " s ", "k", "v", "[S]\r\na=1\r\n\r\n[T]\r\n[S]\r\n",
        "[S]\r\na=1\r\nk=v\r\n\r\n[T]\r\n[S]\r\n"},
    {"replaced in place", "S", "Mail Server", "b", "[S]\n MAIL server = a \n;x",
        "[S]\r\nMAIL server=b\r\n;x\r\n"},
    {"new file, leading blanks dropped", "S", "k", " \t Zoë € ", {}, "[S]\r\nk=Zoë € \r\n"},
    {"line breaks as blanks", "S", "k", "x\r\n[T]\ny\r", "[S]\nk=1", "[S]\r\nk=x  [T] y \r\n"},
    {"UTF-8, CR LF", "S", "k", "v", "[S]\nn=Zo\xEB\n\n", "[S]\r\nn=Zoë\r\nk=v\r\n\r\n"},
    {"same value, key spelled otherwise", "S", "Key", "v", "[S]\nKEY=v\n", "[S]\nKEY=v\n"},
    {"same value, blanks around", "S", "k", "  v  ", "[S]\n k = v \n", "[S]\n k = v \n"},
    {"same value, Ctrl-Z after", "S", "k", "v", "[S]\nk=v\x1A\n", "[S]\nk=v\x1A\n"},
    {"key before end-of-file Ctrl-Z", "S", "j", "w", "[S]\r\nk=v\r\n\x1A",
        "[S]\r\nk=v\r\nj=w\r\n\x1A\r\n"},
    // Files with a byte-order mark keep it and their encoding.
    {"UTF-16 LE kept", "S", "k", "Zoë 🌊", utf16le("[S]\r\nk=a\r\n"), utf16le("[S]\r\nk=Zoë 🌊\r\n")},
    {"UTF-16 BE kept", "S", "k", "v", utf16be("[T]\na=1"), utf16be("[T]\r\na=1\r\n[S]\r\nk=v\r\n")},
    {"UTF-32 BE kept", "S", "k", "🌊", unicodeFile("[S]\nk=1", 4, true),
        unicodeFile("[S]\r\nk=🌊\r\n", 4, true)},
    {"UTF-8 mark kept", "S", "k", "v", "\xEF\xBB\xBF[S]\nk=a", "\xEF\xBB\xBF[S]\r\nk=v\r\n"},
    {"mark-only file", "S", "k", "v", "\xFE\xFF", utf16be("[S]\r\nk=v\r\n")},
    {"odd length written even", "S", "k", "v", utf16le("[S]\nk=a") + '\0',
        utf16le("[S]\r\nk=v\r\n")},
    {"same value, UTF-16 untouched", "S", "k", "v", utf16le("[S]\nk=v\n"), utf16le("[S]\nk=v\n")},
};

// A list file and the entries it loads as. Unless the file is an older or
// hand-made one, saving the entries (or those given as saved) writes it.
struct ListCase {
    const char *tag;
    bool loadOnly;
    QByteArray file;
    QStringList entries, saved;
};

const ListCase listCases[] = {
    {"as before", false, "\r\na.example/?q=1\r\na b\r\n\r\n", {"", "a.example/?q=1", "a b", ""}},
    {"empty list", false, "", {}},
    {"commas", false, "\"Foo, Inc.\"\r\n\",\"\r\n\"a,,b,\"\r\n", {"Foo, Inc.", ",", "a,,b,"}},
    {"quotes", false, "\"\"\"\"\r\n\"a\"\"b\"\r\n\"\"\"a,b\"\"c\"\r\n", {"\"", "a\"b", "\"a,b\"c"}},
    {"edge blanks", false, "\" a\"\r\n\"b\t\"\r\n\"  \"\r\n", {" a", "b\t", "  "}},
    {"non-ASCII titles", false, "\"Café, “Zoë”\"\r\n日本語 🌊\r\n", {"Café, “Zoë”", "日本語 🌊"}},
    {"line breaks as blanks", false, "a  b\r\n\" c\"\r\n", {"a  b", " c"}, {"a\r\nb", "\nc"}},
    {"old commas, blanks, LF, CR", true, "  Foo, Inc.\n\tb ,c\rd", {"Foo", "Inc.", "b ", "c", "d"}},
    {"old quotes", true, "\"Hi\",a\"b\r\n\"a\"x\r\n\"a,b\r\nc", {"Hi", "a\"b", "a", "a,b", "c"}},
    {"Windows-1252 file", true, "Caf\xE9,\x93x\x94\r\n\x80 5\r\n", {"Café", "“x”", "€ 5"}},
    // QString drops a mark from the front of UTF-8, so these entries are UTF-16.
    {"U+FEFF first quoted", false, "\"\uFEFFa\"\r\nb\uFEFF\r\n\"\uFEFF\"\r\n",
        {QStringLiteral("\uFEFFa"), QStringLiteral("b\uFEFF"), QStringLiteral("\uFEFF")}},
    {"UTF-16 LE file", true, utf16le("a,\"b,c\"\r\nZoë 🌊"), {"a", "b,c", "Zoë 🌊"}},
    {"UTF-16 BE file", true, utf16be("a\r\n"), {"a"}},
    {"UTF-8 mark", true, "\xEF\xBB\xBF\uFEFFa\r\n", {QStringLiteral("\uFEFFa")}},
};

template <typename Case, size_t N> void addRows(const Case (&cases)[N])
{
    QTest::addColumn<Case>("c");
    for (const Case &c : cases)
        QTest::newRow(c.tag) << c;
}

// Runs save as a user who may not add files to a folder with mode r-x. Root
// may, so as root it runs in a child process that has become nobody; null
// when root cannot give up its rights.
std::optional<bool> asOrdinaryUser(const std::function<bool(QString *)> &save, QString *error)
{
    if (geteuid() != 0)
        return save(error);
    int channel[2];
    if (pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        constexpr uid_t nobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
            _exit(2);
        QString message;
        const bool saved = save(&message);
        const QByteArray bytes = message.toUtf8();
        const bool told = write(channel[1], bytes.constData(), bytes.size()) == bytes.size();
        _exit(told ? !saved : 2);
    }
    close(channel[1]);
    QByteArray message;
    char buffer[256];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, n);
    close(channel[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) > 1)
        return std::nullopt;
    *error = QString::fromUtf8(message);
    return WEXITSTATUS(status) == 0;
}

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

    // A file in the row's own folder; null bytes leave it missing.
    QString fileWith(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir->filePath(name));
        if (!bytes.isNull() && file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return file.fileName();
    }
    std::optional<QTemporaryDir> m_dir;

    // Runs save with the row's folder refusing new files (mode r-x), as for
    // an ordinary user (see asOrdinaryUser()).
    std::optional<bool> inReadOnlyFolder(const std::function<bool(QString *)> &save, QString *error)
    {
        QFile::setPermissions(m_dir->path(), QFile::Permissions(0x5555));
        const std::optional<bool> saved = asOrdinaryUser(save, error);
        QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7700));
        return saved;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { m_dir.emplace(); }

    void profile_data() { addRows(profileCases); }
    void profile()
    {
        QFETCH(ProfileCase, c);
        const QString path = fileWith("Wavecrest.ini", c.before);
        if (c.after.isNull())
            QCOMPARE(GetIniString(c.section, c.key, path), c.value);
        else
            QVERIFY(WriteIniString(c.section, c.key, c.value, path));
        // Reading leaves the file as it was, and a missing one missing.
        QCOMPARE(fileContents(path), c.after.isNull() ? c.before : c.after);
    }

    void listFile_data() { addRows(listCases); }
    void listFile()
    {
        QFETCH(ListCase, c);
        const QString path = fileWith("Address.lst", c.loadOnly ? c.file : QByteArray());
        if (!c.loadOnly) {
            QVERIFY(SaveList(c.saved.isEmpty() ? c.entries : c.saved, path));
            QCOMPARE(fileContents(path), c.file);
        }
        QStringList loaded = c.entries; // loading appends to what is held
        QVERIFY(LoadList(&loaded, path));
        QCOMPARE(loaded, c.entries + c.entries);
    }

    // Saves that fail even for root, who ignores file permissions; "disk full"
    // as the process may write no file larger than the old one.
    void failedSave_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::newRow("no folder: nothing written")
            << "gone/file" << QStringLiteral("No such file or directory");
        QTest::newRow("a folder in the file's place: nothing written")
            << "." << QStringLiteral("Filename refers to a directory");
        QTest::newRow("disk full: the old file whole")
            << "file" << QStringLiteral("File too large");
    }
    void failedSave()
    {
        QFETCH(QString, target);
        QFETCH(QString, message);
        const QByteArray old("[Wavecrest]\r\nHomePage=old\r\n");
        const QString file = fileWith("file", old), path = m_dir->filePath(target);
        std::signal(SIGXFSZ, SIG_IGN); // else the kernel ends the process
        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        const rlimit small{rlim_t(old.size()), unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        QString error;
        const bool saved = SaveList(QStringList(100, "entry"), path, &error);
        const bool written = WriteIniString("Wavecrest", "HomePage", QString(1000, u'n'), path);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY(!saved && !written);
        QCOMPARE(error, message);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"file"});
        QCOMPARE(fileContents(file), old);
    }

    // In a folder that refuses new files, a file the user may write is
    // overwritten in place, never left cut short; a settings file keeps its
    // encoding there too.
    void readOnlyFolder_data()
    {
        // The file (the settings file gets k=entry in [S]), its bytes before (null:
        // no file), whether the user may write it, whether the disk is full, the
        // entries saved, the bytes after (null: the save fails), the message.
        QTest::addColumn<InPlace>("row");
        const QByteArray abc("a\r\nb\r\nc\r\n"), a("a\r\n"), none;
        const auto row = [](const char *name, const QByteArray &before, bool writable,
                             bool diskFull, const QStringList &entries, const QByteArray &after,
                             const char *message = "", const char *file = "Address.lst") {
            QTest::newRow(name) << InPlace{
                file, before, writable, diskFull, entries, after, message};
        };
        row("shrinks", abc, true, false, {"x"}, "x\r\n");
        row("grows", a, true, false, {"a", "b", "c"}, abc);
        row("disk full", a, true, true, {"x", "y", "z"}, none, "File too large");
        row("read-only file", abc, false, false, {"x"}, none, "Existing file %1 is not writable");
        row("no file", none, true, false, {"x"}, none, "Permission denied");
        row("settings file in UTF-16", utf16le("[S]\r\nk=a\r\n"), true, false, {"Zoë"},
            utf16le("[S]\r\nk=Zoë\r\n"), "", "Wavecrest.ini");
    }
    void readOnlyFolder()
    {
        QFETCH(InPlace, row);
        auto [file, before, writable, diskFull, entries, after, message] = row;
        const QString path = fileWith(file, before);
        QFile::setPermissions(
            path, writable ? QFile::Permissions(0x6666) : QFile::Permissions(0x4444));
        QString error;
        const std::optional<bool> saved = inReadOnlyFolder(
            [&](QString *error) {
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit unlimited{};
                getrlimit(RLIMIT_FSIZE, &unlimited);
                const rlimit small{rlim_t(before.size()), unlimited.rlim_max};
                if (diskFull)
                    setrlimit(RLIMIT_FSIZE, &small);
                const bool saved = file == "Wavecrest.ini"
                    ? WriteIniString("S", "k", entries.first(), path)
                    : SaveList(entries, path, error);
                setrlimit(RLIMIT_FSIZE, &unlimited);
                return saved;
            },
            &error);
        if (!saved)
            QSKIP("root could not become an ordinary user");
        QCOMPARE(*saved, !after.isNull());
        QCOMPARE(error, message.replace("%1", path));
        QCOMPARE(fileContents(path), after.isNull() ? before : after);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
            before.isNull() ? QStringList() : QStringList{file});
    }

    // A save replaces what a link points to, keeps the file's mode and leaves
    // nothing beside it.
    void saveKeepsLinkAndMode()
    {
        QVERIFY(QDir(m_dir->path()).mkdir("elsewhere"));
        const QString real = fileWith("elsewhere/Address.lst", "old\r\n");
        const QString link = m_dir->filePath("Address.lst");
        QVERIFY(QFile::link("elsewhere/Address.lst", link));
        const auto mode = QFile::Permissions(0x6640);
        QVERIFY(QFile::setPermissions(real, mode));
        QVERIFY(SaveList({"new"}, link));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(fileContents(real), "new\r\n");
        QCOMPARE(QFile::permissions(real) & ~QFile::Permissions(0x0600), mode & ~0x0600);
        QCOMPARE(
            QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Address.lst"});
        QCOMPARE(QDir(m_dir->filePath("elsewhere")).entryList(QDir::Files | QDir::Hidden),
            QStringList{"Address.lst"});
    }

    // A text that is no colour leaves a window's colour at its default, the
    // button face, which is written back as such whatever colour it shows.
    void colorValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("color"); // invalid: the text is rejected
        QTest::newRow("0x00BBGGRR") << "3351057" << QColor(0x11, 0x22, 0x33);
        QTest::newRow("button face") << "-2147483633" << qGuiApp->palette().color(QPalette::Button);
        for (const char *text : {"", "blue", "12abc", "1.5", "&HFF", "2147483648", "-2147483649"})
            QTest::addRow("rejects '%s'", text) << text << QColor();
    }
    void colorValue()
    {
        QFETCH(QString, text);
        QFETCH(QColor, color);
        qint32 value = ColorValue::ButtonFace;
        QCOMPARE(ColorValue::parse(text, &value), color.isValid());
        QCOMPARE(ColorValue::format(value), color.isValid() ? text : "-2147483633");
        if (color.isValid())
            QCOMPARE(ColorValue::toColor(value), color);
        if (!ColorValue::isSystemColor(value))
            QCOMPARE(ColorValue::fromColor(color), value);
    }

    // The program's folder, named relative to the row's own, which alone is
    // writable; else the per-user one. Finding out leaves nothing behind.
    void dataDirectory_data()
    {
        QTest::addColumn<QString>("programDirectory");
        QTest::newRow("a writable program folder is the data directory") << ".";
        QTest::newRow("a missing one: the per-user folder") << "gone";
        QTest::newRow("a read-only one: the per-user folder") << "/proc/self";
    }
    void dataDirectory()
    {
        QFETCH(QString, programDirectory);
        const QString dir = QDir::cleanPath(QDir(m_dir->path()).filePath(programDirectory));
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        const QString resolved = resolveDataDirectory(dir);
        QCOMPARE(resolved, QDir::cleanPath(dir == m_dir->path() ? dir : perUser));
        QVERIFY(QFileInfo(resolved).isDir());
        QVERIFY(QDir(m_dir->path()).isEmpty(QDir::Files | QDir::Hidden));
    }

    // The private files, and what a killed save leaves beside them, are
    // recognised by name; only the leftovers are removed at start.
    void privateDataFiles_data()
    {
        QTest::addColumn<NameKind>("row"); // the name, private, a save's leftover
        for (auto name : {"/WAVECREST.INI", "\\Address.lst", "a/Favorties.lst", "Favorites2.lst"})
            QTest::addRow("%s", name) << NameKind{name, true, false};
        for (auto name :
            {".Address.lst.a1B2c3", "dir\\.Wavecrest.ini.XyZ123", ".favorites2.LST.QQQQQQ"})
            QTest::addRow("%s", name) << NameKind{name, true, true};
        // A user's own copy is neither: "backup" could be a temporary's six letters.
        for (auto name : {"index.html", "Wavecrest.ini.txt", "Address.lst/x", "Address.lst.backup",
                 ".Address.lst.a1B2c", ".Address.lst.a1B2c3d", ".Address.lst.a1-2c3",
                 ".Address.lst.\u00e91B2c3", "x.Address.lst.a1B2c3", ".Address.lst-a1B2c3"})
            QTest::addRow("%s", name) << NameKind{QString::fromUtf8(name), false, false};
    }
    void privateDataFiles()
    {
        QFETCH(NameKind, row);
        const auto &[name, isPrivate, leftover] = row;
        QCOMPARE(isPrivateDataFile(name), isPrivate);
        const QString base = name.mid(qMax(name.lastIndexOf('/'), name.lastIndexOf('\\')) + 1);
        const QString path = fileWith(base, "kept?");
        removeSaveLeftovers(m_dir->path());
        QCOMPARE(QFile::exists(path), !leftover);
    }
};

WAVECREST_TEST(SettingsTest)
#include "tst_settings.moc"

#include "settings/datadir.h"
#include "settings/listfile.h"
#include "settings/profile.h"
#include "settings/sitepermissions.h"
#include "settings/textfile.h"
#include "support/testregistry.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

QByteArray contents(const QString &path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                      : QByteArray();
}

struct stat statOf(const QString &path)
{
    struct stat info {
    };
    lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

} // namespace

class SafeFilesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    // A file of another user: root makes one; others find one in /etc.
    QString foreignFile()
    {
        if (geteuid() != 0)
            return QStringLiteral("/etc/passwd");
        QFile file(path("foreign"));
        if (!file.open(QIODevice::WriteOnly) || file.write("theirs\n") != 7)
            return {};
        file.close();
        return chown(QFile::encodeName(file.fileName()).constData(), Nobody, Nobody) == 0
            ? file.fileName()
            : QString();
    }

private Q_SLOTS:
    // A link is followed only to a file of the user's own; any other link
    // reads as no file and is replaced by the save, its target untouched.
    void linksToOthersAreNotFollowed_data()
    {
        QTest::addColumn<QString>("target"); // "own": the user's own file
        QTest::addColumn<bool>("followed");
        QTest::newRow("own file") << QStringLiteral("own") << true;
        QTest::newRow("someone else's file") << foreignFile() << false;
        QTest::newRow("no file") << path("gone") << false;
        QTest::newRow("a device") << QStringLiteral("/dev/zero") << false;
    }
    void linksToOthersAreNotFollowed()
    {
        QFETCH(QString, target);
        QFETCH(bool, followed);
        QVERIFY(!target.isEmpty());
        if (target == u"own") {
            target = path("own");
            QFile own(target);
            QVERIFY(own.open(QIODevice::WriteOnly) && own.write("mine\r\n") == 6);
        }
        const QByteArray before = contents(target);
        const QString link = path("Address.lst");
        QFile::remove(link);
        QVERIFY(QFile::link(target, link));
        QStringList entries;
        QCOMPARE(LoadList(&entries, link), followed);
        QCOMPARE(entries, followed ? QStringList{"mine"} : QStringList());
        QVERIFY(SaveList({"new"}, link));
        QCOMPARE(QFileInfo(link).isSymLink(), followed);
        QCOMPARE(contents(link), "new\r\n");
        if (!followed)
            QCOMPARE(contents(target), before);
    }

    // A replaced file keeps its owner, group and mode.
    void saveKeepsOwnerAndMode()
    {
        const QString file = path("Wavecrest.ini");
        QVERIFY(WriteIniString("Wavecrest", "HomePage", "a", file));
        if (geteuid() == 0)
            QCOMPARE(chown(QFile::encodeName(file).constData(), Nobody, Nobody), 0);
        QCOMPARE(chmod(QFile::encodeName(file).constData(), 0640), 0);
        const struct stat before = statOf(file);
        QVERIFY(WriteIniString("Wavecrest", "HomePage", "b", file));
        const struct stat after = statOf(file);
        QCOMPARE(GetIniString("Wavecrest", "HomePage", file), "b");
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode, before.st_mode);
        QVERIFY(after.st_ino != before.st_ino); // replaced, not overwritten
    }

    // Files too large to be the program's own are neither read nor replaced.
    void largeFilesAreLeftAlone()
    {
        const QString ini = path("Wavecrest.ini"), list = path("Address.lst");
        for (const QString &name : {ini, list}) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Wavecrest]\nHomePage=x\n")
                && file.resize(MaxTextFileBytes + 1));
        }
        QCOMPARE(oversizedDataFiles(m_dir.path()), QStringList({"Wavecrest.ini", "Address.lst"}));
        QCOMPARE(GetIniString("Wavecrest", "HomePage", ini), QString());
        QVERIFY(!WriteIniString("Wavecrest", "HomePage", "y", ini));
        QStringList entries;
        QVERIFY(!LoadList(&entries, list));
        QString error;
        QVERIFY(!SaveList({"y"}, list, &error));
        QVERIFY(error.contains("larger than 16 MiB"));
        for (const QString &name : {ini, list})
            QCOMPARE(QFileInfo(name).size(), MaxTextFileBytes + 1);
    }

    // Answers to sites outlast the run; lines of another making count for
    // nothing; clearing forgets them all.
    void sitePermissions()
    {
        const QString file = path("SitePermissions.lst");
        QFile junk(file);
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("allow camera\r\nmaybe x y\r\n"));
        junk.close();
        SitePermissions first(file);
        QVERIFY(first.isEmpty());
        QVERIFY(first.remember("https://a.example", "geolocation", true));
        QVERIFY(first.remember("https://b.example:8443", "camera", false));
        const SitePermissions second(file);
        QCOMPARE(second.decision("https://a.example", "geolocation"), true);
        QCOMPARE(second.decision("https://b.example:8443", "camera"), false);
        QCOMPARE(second.decision("https://a.example", "camera"), std::nullopt);
        first.clear();
        QVERIFY(!QFile::exists(file));
        QVERIFY(SitePermissions(file).isEmpty());
    }
};

WAVECREST_TEST(SafeFilesTest)
#include "tst_safefiles.moc"

#include "app/applicationshell.h"
#include "settings/datadir.h"
#include "settings/listfile.h"
#include "settings/profile.h"
#include "settings/textfile.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
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
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : "";
}

QString written(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

} // namespace

class SafeFilesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }

private Q_SLOTS:
    // A link is followed only to a file of the user's own; any other reads
    // as no file, and a save replaces the link, never what it points to.
    void linksToOthersAreNotFollowed_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("followed");
        // Root makes a file of another user's; others find one in /etc.
        QString foreign = geteuid() == 0 ? written(path("foreign"), "theirs\n") : "/etc/passwd";
        if (geteuid() == 0 && chown(QFile::encodeName(foreign).constData(), Nobody, Nobody) != 0)
            foreign.clear();
        QTest::newRow("own file") << written(path("own"), "mine\r\n") << true;
        QTest::newRow("someone else's file") << foreign << false;
        QTest::newRow("no file") << path("gone") << false;
        QTest::newRow("a device") << QStringLiteral("/dev/zero") << false;
    }
    void linksToOthersAreNotFollowed()
    {
        QFETCH(QString, target);
        QFETCH(bool, followed);
        const QByteArray before = contents(target);
        const QString link = path("Address.lst");
        QFile::remove(link);
        QVERIFY(!target.isEmpty() && QFile::link(target, link));
        QStringList entries;
        QCOMPARE(LoadList(&entries, link), followed);
        QCOMPARE(entries, followed ? QStringList{"mine"} : QStringList());
        QVERIFY(SaveList({"new"}, link));
        QCOMPARE(QFileInfo(link).isSymLink(), followed);
        QCOMPARE(contents(link), "new\r\n");
        QCOMPARE(contents(target), followed ? "new\r\n" : before);
    }

    // A replaced file keeps its owner, group and mode.
    void saveKeepsOwnerAndMode()
    {
        const QString file = written(path("Wavecrest.ini"), "");
        const QByteArray name = QFile::encodeName(file);
        QVERIFY(chmod(name, 0640) == 0 && (geteuid() != 0 || chown(name, Nobody, Nobody) == 0));
        struct stat before, after;
        QVERIFY(stat(name, &before) == 0 && WriteIniString("W", "k", "v", file)
            && stat(name, &after) == 0);
        QVERIFY(after.st_ino != before.st_ino); // replaced, not overwritten
        QCOMPARE(QList<uint>({after.st_uid, after.st_gid, after.st_mode}),
            QList<uint>({before.st_uid, before.st_gid, before.st_mode}));
    }

    // Files too large to be the program's own are neither read nor
    // replaced, and a box names them at start.
    void largeFilesAreLeftAlone()
    {
        TestContext ctx;
        const QString ini = ctx.file("Wavecrest.ini"), list = ctx.file("Address.lst");
        for (const QString &name : {ini, list})
            QVERIFY(QFile(written(name, "[Wavecrest]\nHomePage=x\n")).resize(MaxTextFileBytes + 1));
        QCOMPARE(GetIniString("Wavecrest", "HomePage", ini), QString());
        QVERIFY(!WriteIniString("Wavecrest", "HomePage", "y", ini));
        QStringList entries;
        QVERIFY(!LoadList(&entries, list) && !SaveList({"y"}, list));
        MessageBoxRecorder boxes;
        ApplicationShell shell(*ctx.context);
        shell.start();
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(
            boxes.boxes[0].text.startsWith("Wavecrest.ini, Address.lst are larger than 16 MiB"));
        for (const QString &name : {ini, list})
            QCOMPARE(QFileInfo(name).size(), MaxTextFileBytes + 1);
    }
};

WAVECREST_TEST(SafeFilesTest)
#include "tst_safefiles.moc"

#include "settings/listfile.h"
#include "settings/profile.h"
#include "support/messageboxrecorder.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// Saves that fail even for root, who ignores file permissions: the target's
// folder is missing, the target is a folder, or (Unix) the disk is "full"
// because the process may write no file larger than the old one.
class FailedSaveTest : public QObject
{
    Q_OBJECT

private slots:
    void failedSave_data();
    void failedSave();
};

void FailedSaveTest::failedSave_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("isList");
    QTest::addColumn<QString>("message");
    for (const bool isList : {true, false}) {
        const char *what = isList ? "list: " : "settings: ";
        QTest::addRow("%smissing folder", what)
            << "gone/file" << isList << "No such file or directory";
        QTest::addRow("%starget is a folder", what)
            << "folder" << isList << "Filename refers to a directory";
#ifdef Q_OS_UNIX
        QTest::addRow("%sdisk full", what) << "file" << isList << "File too large";
#endif
    }
}

void FailedSaveTest::failedSave()
{
    QFETCH(QString, target);
    QFETCH(bool, isList);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("folder"));
    const QByteArray old("[Wavecrest]\r\nHomePage=old\r\n");
    QFile file(dir.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    file.close();
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

    MessageBoxRecorder recorder;
    QWidget parent;
    const QString big(1000, u'n');
    {
#ifdef Q_OS_UNIX
        // Without ignoring SIGXFSZ the kernel ends the process instead.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit unlimited = limit;
        limit.rlim_cur = rlim_t(old.size());
        setrlimit(RLIMIT_FSIZE, &limit);
        const auto restore = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &unlimited); });
#endif
        if (isList)
            SaveList(QStringList{big}, dir.filePath(target), &parent);
        else
            QVERIFY(!WriteIniString("Wavecrest", "HomePage", big, dir.filePath(target)));
    }

    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    QCOMPARE(recorder.boxes.size(), isList ? 1 : 0);
    if (isList) {
        const MessageBoxRequest &box = recorder.boxes.first();
        QCOMPARE(box.text, message);
        QCOMPARE(box.caption, QStringLiteral("Wavecrest"));
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.parent, &parent);
    }
}

WAVECREST_TEST(FailedSaveTest)
#include "tst_failedsave.moc"

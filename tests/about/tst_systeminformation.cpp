#include "about/systeminformation.h"
#include "fakeplatform.h"
#include "support/messageboxrecorder.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString FirstKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString SecondKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString Unavailable = QStringLiteral("System Information Is Unavailable At This Time");
// Stands for the directory the second key names; replaced by a real one.
const QString ToolDirectory = QStringLiteral("<tool directory>");

} // namespace

class TestSystemInformation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startSysInfo_data();
    void startSysInfo();
    void unavailableMessage();
    void registryStringValue_data();
    void registryStringValue();
    void platformRegistryWithoutRegistry();
    void launcherReportsFailedStart();
};

void TestSystemInformation::startSysInfo_data()
{
    QTest::addColumn<QString>("firstKeyPath");
    QTest::addColumn<QString>("secondKeyDirectory");
    QTest::addColumn<bool>("toolInDirectory");
    QTest::addColumn<QStringList>("onPath");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<QStringList>("expectedStarts");
    QTest::addColumn<bool>("expectMessage");

    const QString tool = QStringLiteral("C:\\Program Files\\Tools\\msinfo32.exe");
    const QString inDirectory = ToolDirectory + QStringLiteral("/MSINFO32.EXE");

    QTest::newRow("first key") << tool << QString() << false << QStringList() << true
                               << QStringList{tool} << false;
    QTest::newRow("first key before second")
        << tool << ToolDirectory << true << QStringList() << true << QStringList{tool} << false;
    QTest::newRow("first key does not start")
        << tool << ToolDirectory << true << QStringList() << false << QStringList{tool} << true;
    QTest::newRow("first key empty") << QStringLiteral("") << ToolDirectory << true << QStringList()
                                     << true << QStringList() << true;
    QTest::newRow("second key with the file") << QString() << ToolDirectory << true << QStringList()
                                              << true << QStringList{inDirectory} << false;
    QTest::newRow("second key without the file")
        << QString() << ToolDirectory << false << QStringList() << true << QStringList() << true;
    QTest::newRow("second key, file does not start")
        << QString() << ToolDirectory << true << QStringList() << false << QStringList{inDirectory}
        << true;
    QTest::newRow("neither key, nothing on the path")
        << QString() << QString() << false << QStringList() << true << QStringList() << true;

    const QStringList known = systemInformationPrograms();
    if (known.isEmpty())
        return;
    const QString last = QStringLiteral("/usr/bin/") + known.last();
    const QString first = QStringLiteral("/usr/bin/") + known.first();
    QTest::newRow("only the last known program")
        << QString() << QString() << false << QStringList{known.last()} << true << QStringList{last}
        << false;
    QTest::newRow("the first one found wins")
        << QString() << QString() << false << known << true << QStringList{first} << false;
    QTest::newRow("found but does not start")
        << QString() << QString() << false << known << false << QStringList{first} << true;
    QTest::newRow("unknown programs are not tried")
        << QString() << QString() << false << QStringList{QStringLiteral("top")} << true
        << QStringList() << true;
    QTest::newRow("a named tool is preferred to the path")
        << tool << QString() << false << known << true << QStringList{tool} << false;
    QTest::newRow("second key without the file, then the path")
        << QString() << ToolDirectory << false << known << true << QStringList{first} << false;
}

void TestSystemInformation::startSysInfo()
{
    QFETCH(QString, firstKeyPath);
    QFETCH(QString, secondKeyDirectory);
    QFETCH(bool, toolInDirectory);
    QFETCH(QStringList, onPath);
    QFETCH(bool, startSucceeds);
    QFETCH(QStringList, expectedStarts);
    QFETCH(bool, expectMessage);

    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    if (toolInDirectory) {
        QFile toolFile(directory.filePath(QStringLiteral("MSINFO32.EXE")));
        QVERIFY(toolFile.open(QIODevice::WriteOnly));
    }
    const QString nativeDirectory = QDir::toNativeSeparators(directory.path());
    for (QString &start : expectedStarts)
        start.replace(ToolDirectory + QLatin1Char('/'), nativeDirectory + QDir::separator());

    FakeRegistry registry;
    if (!firstKeyPath.isNull())
        registry.setValue(FirstKey, QStringLiteral("PATH"), firstKeyPath);
    if (!secondKeyDirectory.isNull())
        registry.setValue(SecondKey, QStringLiteral("MSINFO"), nativeDirectory);
    FakeLauncher launcher;
    launcher.onPath = onPath;
    launcher.startSucceeds = startSucceeds;
    MessageBoxRecorder recorder;

    StartSysInfo(registry, launcher, nullptr);

    QCOMPARE(launcher.started, expectedStarts);
    QCOMPARE(recorder.boxes.size(), expectMessage ? 1 : 0);
}

void TestSystemInformation::unavailableMessage()
{
    FakeRegistry registry;
    FakeLauncher launcher;
    MessageBoxRecorder recorder;
    QWidget parent;

    StartSysInfo(registry, launcher, &parent);

    QCOMPARE(recorder.boxes.size(), 1);
    const MessageBoxRequest &box = recorder.boxes.first();
    QCOMPARE(box.text, Unavailable);
    QCOMPARE(box.caption, QStringLiteral("Wavecrest"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, &parent);
}

void TestSystemInformation::registryStringValue_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");

    QTest::newRow("terminated") << QByteArray("C\0:\0\\\0x\0\0\0", 10) << QStringLiteral("C:\\x");
    QTest::newRow("unterminated") << QByteArray("C\0:\0\\\0x\0", 8) << QStringLiteral("C:\\x");
    QTest::newRow("two terminators") << QByteArray("a\0\0\0\0\0", 6) << QStringLiteral("a");
    QTest::newRow("garbage after the terminator")
        << QByteArray("a\0\0\0z\0", 6) << QStringLiteral("a");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("half a character at the end") << QByteArray("a\0b", 3) << QStringLiteral("a");
    QTest::newRow("beyond Latin-1")
        << QByteArray("\xdc\0\x2c\x20", 4) << QString::fromUtf16(u"\u00dc\u202c");
}

void TestSystemInformation::registryStringValue()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    QCOMPARE(::registryStringValue(data), expected);
}

void TestSystemInformation::platformRegistryWithoutRegistry()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has a registry");
#else
    const std::unique_ptr<SystemRegistry> registry = createSystemRegistry();
    QString value = QStringLiteral("left over");
    QVERIFY(!registry->GetKeyValue(
        RegistryRoots::LocalMachine, FirstKey, QStringLiteral("PATH"), &value));
    QVERIFY(value.isEmpty());
#endif
}

void TestSystemInformation::launcherReportsFailedStart()
{
    ProgramLauncher launcher;
    QTemporaryDir directory;
    QVERIFY(!launcher.startProgram(QString()));
    QVERIFY(!launcher.startProgram(directory.filePath(QStringLiteral("no-such-program"))));
}

WAVECREST_TEST(TestSystemInformation)
#include "tst_systeminformation.moc"

#include "settings/datadir.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class DataDirTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void resolve_data();
    void resolve();
    void privateFiles_data();
    void privateFiles();

private:
    QTemporaryDir m_dir;
};

void DataDirTest::resolve_data()
{
    QTest::addColumn<QString>("programDirectory");
    QTest::addColumn<bool>("usedAsIs");
    QFile file(m_dir.filePath(QStringLiteral("a-file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QTest::newRow("writable") << m_dir.path() << true;
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("gone")) << false;
    QTest::newRow("a file") << file.fileName() << false;
    QTest::newRow("read-only file system") << QStringLiteral("/proc/self") << false;
}

void DataDirTest::resolve()
{
    QFETCH(QString, programDirectory);
    QFETCH(bool, usedAsIs);
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString resolved = resolveDataDirectory(programDirectory);
    QCOMPARE(resolved, QDir::cleanPath(usedAsIs ? programDirectory : perUser));
    QVERIFY(QFileInfo(resolved).isDir());
    // Finding out leaves nothing behind in the user's folder.
    const auto left
        = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(left, QStringList{QStringLiteral("a-file")});
}

void DataDirTest::privateFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isPrivate");
    for (const char *name :
        {"Wavecrest.ini", "/WAVECREST.INI", "\\Address.lst", "a/Favorties.lst", "Favorites2.lst"})
        QTest::newRow(name) << name << true;
    for (const char *name : {"index.html", "Wavecrest.ini.txt", "Address.lst/x"})
        QTest::newRow(name) << name << false;
}

void DataDirTest::privateFiles()
{
    QFETCH(QString, name);
    QFETCH(bool, isPrivate);
    QCOMPARE(isPrivateDataFile(name), isPrivate);
}

WAVECREST_TEST(DataDirTest)
#include "tst_datadir.moc"

#include "app/installation.h"
#include "support/testregistry.h"
#include "system/spellingdictionaries.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestDictionaries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void suitsTheLocale_data()
    {
        QTest::addColumn<QStringList>("available");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("chosen");
        const QStringList pages = {"de-DE", "en-GB", "en-US", "es-ES", "fr"};
        QTest::newRow("language and country") << pages << "en_GB.UTF-8"
                                              << "en-GB";
        QTest::newRow("language alone") << pages << "fr_CA"
                                        << "fr";
        QTest::newRow("the language elsewhere") << pages << "de_AT@euro"
                                                << "de-DE";
        QTest::newRow("Hunspell's names, BCP 47 locale")
            << QStringList{"en_US", "es_ES", "es_MX"} << "es-MX"
            << "es_MX";
        QTest::newRow("another language: English (US)") << pages << "ja_JP"
                                                        << "en-US";
        QTest::newRow("the C locale: English (US)") << pages << "C"
                                                    << "en-US";
        QTest::newRow("nothing that fits") << QStringList{"de-DE"} << "ja_JP"
                                           << "";
    }

    void suitsTheLocale()
    {
        QFETCH(QStringList, available);
        QFETCH(QString, locale);
        QFETCH(QString, chosen);
        QCOMPARE(dictionaryForLocale(available, locale), chosen);
    }

    // A build finds the dictionaries it made beside itself, an installed
    // copy those under its prefix.
    void foundBesideTheProgram()
    {
        const QString build = QFileInfo(QStringLiteral(WAVECREST_PROGRAM)).absolutePath();
        QVERIFY(dictionariesIn(programDictionaryFolder(build), ".bdic").contains("en-US"));

        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath("bin"));
        QCOMPARE(programDictionaryFolder(prefix.filePath("bin")), QString());
        QVERIFY(QDir(prefix.path()).mkpath("share/wavecrest/qtwebengine_dictionaries"));
        QCOMPARE(programDictionaryFolder(prefix.filePath("bin")),
            QFileInfo(prefix.filePath("share/wavecrest/qtwebengine_dictionaries"))
                .canonicalFilePath());
    }
};

WAVECREST_TEST(TestDictionaries)
#include "tst_dictionaries.moc"

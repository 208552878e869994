#include "blocking/filterengineloader.h"
#include "blocking/filterlistfetcher.h"
#include "blocking/filterlists.h"
#include "blocking/matcher/filterengine.h"
#include "support/testregistry.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool blocks(const FilterLoadResult &result, const char *url)
{
    return result.engine
        && result.engine->blocks({url, "https://page.example/", RequestType::Script});
}

} // namespace

// Where the lists come from, how long a copy lasts, how they are fetched
// and read.
class FilterListsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesLists_data();
    void namesLists();
    void keepsCopiesForTheirLifetime_data();
    void keepsCopiesForTheirLifetime();
    void fetchesOverHttps_data();
    void fetchesOverHttps();
    void readsAndCompiles();
};

void FilterListsTest::namesLists_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QStringList>("refused");

    QTest::newRow("empty: the defaults") << QString()
                                         << QStringList{"https://easylist.to/easylist/easylist.txt",
                                                "https://easylist.to/easylist/easyprivacy.txt"}
                                         << QStringList();
    QTest::newRow("https and file")
        << "https://lists.example/a.txt  file:///etc/hosts.block"
        << QStringList{"https://lists.example/a.txt", "file:///etc/hosts.block"} << QStringList();
    QTest::newRow("plain http and others refused")
        << "http://lists.example/a.txt ftp://x/y https://ok.example/b.txt nonsense"
        << QStringList{"https://ok.example/b.txt"}
        << QStringList{"http://lists.example/a.txt", "ftp://x/y", "nonsense"};
}

void FilterListsTest::namesLists()
{
    QFETCH(QString, setting);
    QFETCH(QStringList, addresses);
    QFETCH(QStringList, refused);
    QStringList refusedNow;
    QStringList named;
    for (const QUrl &url : FilterLists::addresses(setting, &refusedNow))
        named << url.toString();
    QCOMPARE(named, addresses);
    QCOMPARE(refusedNow, refused);
    // Each list keeps its copy under a name of its own.
    QVERIFY(FilterLists::cacheFileName(QUrl(addresses.value(0)))
        != FilterLists::cacheFileName(QUrl(addresses.value(0) + QLatin1Char('x'))));
}

void FilterListsTest::keepsCopiesForTheirLifetime_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qint64>("seconds");

    const qint64 hour = 3600;
    QTest::newRow("days") << QByteArray(
        "[Adblock Plus 2.0]\n! Expires: 4 days (update frequency)\n")
                          << 96 * hour;
    QTest::newRow("hours") << QByteArray("! Title: X\n! Expires: 12 hours\n") << 12 * hour;
    QTest::newRow("nothing said") << QByteArray("||a.example^\n") << 96 * hour;
    QTest::newRow("too often") << QByteArray("! Expires: 0 hours\n") << hour;
    QTest::newRow("too seldom") << QByteArray("! Expires: 400 days\n") << 14 * 24 * hour;
}

void FilterListsTest::keepsCopiesForTheirLifetime()
{
    QFETCH(QByteArray, head);
    QFETCH(qint64, seconds);
    QCOMPARE(FilterLists::lifetimeSeconds(head), seconds);
}

void FilterListsTest::fetchesOverHttps_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("ok");

    QTest::newRow("a list") << "/list.txt" << true;
    QTest::newRow("a captive portal's page") << "/portal" << false;
    QTest::newRow("not found") << "/missing" << false;
}

// Against a real HTTPS server on loopback with a certificate authority of
// this run, which the test's own TLS settings trust.
void FilterListsTest::fetchesOverHttps()
{
    QFETCH(QString, path);
    QFETCH(bool, ok);
    QTemporaryDir folder;
    QProcess server;
    server.start(QStringLiteral("/usr/bin/python3"),
        {QStringLiteral(WAVECREST_SOURCE_DIR "/tests/blocking/list_server.py"), folder.path()});
    QVERIFY(server.waitForReadyRead(30000));
    const int port = server.readLine().trimmed().toInt();
    QVERIFY(port > 0);
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    const QSslConfiguration before = trusting;
    trusting.addCaCertificates(folder.filePath(QStringLiteral("ca.pem")));
    QSslConfiguration::setDefaultConfiguration(trusting);

    FilterListFetcher fetcher;
    QSignalSpy fetched(&fetcher, &FilterListFetcher::fetched);
    const QUrl address(QStringLiteral("https://127.0.0.1:%1%2").arg(port).arg(path));
    fetcher.fetch(address);
    QVERIFY(fetched.wait(30000));
    QSslConfiguration::setDefaultConfiguration(before);
    server.closeWriteChannel();
    server.waitForFinished();
    QCOMPARE(fetched.first().at(0).toUrl(), address);
    QCOMPARE(fetched.first().at(1).toBool(), ok);
    QCOMPARE(fetched.first().at(2).toByteArray().contains("||fetched.example^"), ok);
}

// The loader makes the matcher from the lists, keeps its compiled form and
// takes that back only while the lists are the same; a fetched copy it is
// given is written first.
void FilterListsTest::readsAndCompiles()
{
    QTemporaryDir dir;
    const QString compiled = dir.filePath(QStringLiteral(".filterlists/compiled.bin"));
    const QString local = dir.filePath(QStringLiteral("local.txt"));
    const QString copy = dir.filePath(QStringLiteral(".filterlists/fetched.txt"));
    const QList<FilterListFile> lists = {{QUrl::fromLocalFile(local), local},
        {QUrl(QStringLiteral("https://lists.example/f.txt")), copy}};
    FilterEngineLoader loader(compiled);
    std::optional<FilterLoadResult> loaded;
    connect(&loader, &FilterEngineLoader::loaded, this,
        [&loaded](const FilterLoadResult &result) { loaded = result; });
    const auto load = [&](const QList<QPair<QString, QByteArray>> &copies = {}) {
        loaded.reset();
        loader.load(lists, copies);
        if (!QTest::qWaitFor([&] { return loaded.has_value(); }, 30000))
            return FilterLoadResult();
        return loaded.value_or(FilterLoadResult());
    };

    QVERIFY(writeFile(local, "||first.example^\n"));
    FilterLoadResult result = load();
    QVERIFY(blocks(result, "https://first.example/a.js"));
    QVERIFY(QFile::exists(compiled));
    // The fetched list had no copy yet: it is stale at once.
    QVERIFY(result.staleAt.value(1).second.isNull());

    QVERIFY(writeFile(local, "||second.example^\n"));
    result = load({{copy, "! Expires: 1 day\n||fetched.example^\n"}});
    QVERIFY(!blocks(result, "https://first.example/a.js"));
    QVERIFY(blocks(result, "https://second.example/a.js"));
    QVERIFY(blocks(result, "https://fetched.example/a.js"));
    QVERIFY(result.staleAt.value(1).second > QDateTime::currentDateTime().addSecs(23 * 3600));

    // A damaged compiled form is read past; the lists are read again.
    QVERIFY(writeFile(compiled, "WCFILTER and then nothing that holds together"));
    result = load();
    QVERIFY(blocks(result, "https://fetched.example/a.js"));
    QVERIFY(result.summary.startsWith(QLatin1Char('2')));
}

WAVECREST_TEST(FilterListsTest)
#include "tst_filterlists.moc"

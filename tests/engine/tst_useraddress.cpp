#include "support/testregistry.h"

#include "platform/useraddress.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class UserAddressTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsAddress_data();
    void readsAddress();

private:
    QTemporaryDir m_dir;
};

void UserAddressTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("sub dir")));
    for (const QString &name : {QStringLiteral("page.html"), QStringLiteral("sub dir/page.html")}) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

// Expected URLs may name the working directory as "{dir}".
void UserAddressTest::readsAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("full URL") << "http://example.org/a?b=c"
                              << "http://example.org/a?b=c";
    QTest::newRow("https with port") << "https://example.org:8443/"
                                     << "https://example.org:8443/";
    QTest::newRow("bare host") << "example.org"
                               << "http://example.org";
    QTest::newRow("bare host, blanks around") << "  example.org  "
                                              << "http://example.org";
    QTest::newRow("host with path") << "www.example.org/path?q=1"
                                    << "http://www.example.org/path?q=1";
    QTest::newRow("host and port") << "localhost:8080"
                                   << "http://localhost:8080";
    QTest::newRow("blank in the query") << "http://example.org/find?q=a b"
                                        << "http://example.org/find?q=a b";
    QTest::newRow("absolute path") << "{dir}/page.html"
                                   << "file://{dir}/page.html";
    QTest::newRow("absolute path, missing file") << "/no/such/page.html"
                                                 << "file:///no/such/page.html";
    QTest::newRow("relative path to a file") << "page.html"
                                             << "file://{dir}/page.html";
    QTest::newRow("relative path with a blank") << "sub dir/page.html"
                                                << "file://{dir}/sub dir/page.html";
    QTest::newRow("file URL") << "file://{dir}/page.html"
                              << "file://{dir}/page.html";

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blanks only") << "   "
                                 << "";
    QTest::newRow("scheme without host") << "http://"
                                         << "";
    QTest::newRow("ftp without host") << "ftp://"
                                      << "";
    QTest::newRow("blank in host") << "http://exa mple.org"
                                   << "";
    QTest::newRow("unclosed IPv6 host") << "http://[::1"
                                        << "";
    QTest::newRow("port out of range") << "https://example.org:99999/"
                                       << "";
    QTest::newRow("bad percent escapes") << "%%%"
                                         << "";
    QTest::newRow("words") << "a b c"
                           << "";
}

void UserAddressTest::readsAddress()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString dir = m_dir.path();
    const QUrl url = urlFromUserAddress(text.replace(QStringLiteral("{dir}"), dir), dir);
    QCOMPARE(url.toString(), expected.replace(QStringLiteral("{dir}"), dir));
}

WAVECREST_TEST(UserAddressTest)
#include "tst_useraddress.moc"

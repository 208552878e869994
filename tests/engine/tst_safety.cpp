#include "downloads/downloadname.h"
#include "downloads/downloadwindow.h"
#include "engine/certificatewarning.h"
#include "engine/localfileguard.h"
#include "engine/useraddress.h"
#include "engine/webenginefactory.h"
#include "support/testregistry.h"
#include "ui/windowutils.h"

#include <QDir>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

using Type = QWebEngineUrlRequestInfo::ResourceType;

// An engine in a window of its own, and the title its page shows.
struct ShownEngine {
    ShownEngine() : engine(webEngineFactory()(&widget))
    {
        engine->view()->resize(400, 300);
        widget.show();
        QObject::connect(engine, &BrowserEngine::TitleChange, engine,
            [this](const QString &text) { title = text; });
    }
    QWebEnginePage *page() const { return qobject_cast<QWebEngineView *>(engine->view())->page(); }
    void run(const QString &script) const { page()->runJavaScript(script); }

    QWidget widget;
    BrowserEngine *engine;
    QString title;
};

} // namespace

class SafetyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QDir(m_dir.path()).mkpath(QFileInfo(name).path());
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void downloadName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("proposed");
        const QString e = QStringLiteral("\u00e9"), smile = QStringLiteral("\U0001F600");
        QTest::newRow("controls") << "bad\001\007 name.txt"
                                  << "bad__ name.txt";
        QTest::newRow("turned direction") << "r" + e + "sum" + e + " \u202Etxt.exe"
                                          << "r" + e + "sum" + e + " _txt.exe";
        QTest::newRow("hidden") << "..bashrc"
                                << "bashrc";
        QTest::newRow("trailing dots and blanks") << " name.txt. . "
                                                  << "name.txt";
        QTest::newRow("separator") << "a/b.txt"
                                   << "a_b.txt";
        QTest::newRow("nothing left") << " . . "
                                      << "download";
        QTest::newRow("long") << QString(300, u'a') + ".txt" << QString(251, u'a') + ".txt";
        QTest::newRow("long, two bytes each")
            << e.repeated(200) + ".pdf" << e.repeated(125) + ".pdf";
        QTest::newRow("long, four bytes each")
            << smile.repeated(100) + ".png" << smile.repeated(62) + ".png";
        QTest::newRow("long, no extension") << QString(200, u'a') + "." + QString(100, u'b')
                                            << QString(200, u'a') + "." + QString(54, u'b');
    }
    void downloadName()
    {
        QFETCH(QString, name);
        QFETCH(QString, proposed);
        QCOMPARE(cleanDownloadName(name), proposed);
        QVERIFY(proposed.toUtf8().size() <= 255);
    }

    // Its window opens over the browser window the download came from.
    void downloadWindowPlace()
    {
        QWidget browser;
        browser.setGeometry(150, 250, 600, 450);
        browser.show();
        DownloadWindow window("a.bin", "/tmp/a.bin");
        centerOverWindow(&window, &browser);
        window.show();
        QVERIFY(
            (window.frameGeometry().center() - browser.frameGeometry().center()).manhattanLength()
            <= 10); // the frame is known only once shown
    }

    void outsideAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("opened");
        for (const char *address : {"http://a.example/", "https://a.example/x", "ftp://a.example/",
                 "file:///tmp/a.html", "example.org", "about:blank"})
            QTest::newRow(address) << address << true;
        for (const char *address : {"javascript:alert(document.cookie)", "data:text/html,<b>x",
                 "about:config", "view-source:http://a.example/", "mailto:a@b.example", "a b c"})
            QTest::newRow(address) << address << false;
    }
    void outsideAddress()
    {
        QFETCH(QString, address);
        QFETCH(bool, opened);
        QCOMPARE(isOpenableFromOutside(urlFromUserAddress(address, QDir::currentPath())), opened);
    }

    void engineSchemes()
    {
        for (const char *scheme : {"http", "HTTPS", "file", "data", "blob", "about"})
            QVERIFY2(isEngineScheme(scheme), scheme);
        for (const char *scheme : {"mailto", "foo-scheme", "tel", "ftp", "javascript"})
            QVERIFY2(!isEngineScheme(scheme), scheme);
    }

    // A local page has its own pictures and style sheets, nothing else of
    // the disk; the user may go anywhere.
    void localFileGuard_data()
    {
        QTest::addColumn<QString>("requested");
        QTest::addColumn<QString>("initiator");
        QTest::addColumn<Type>("type");
        QTest::addColumn<bool>("allowed");
        const QString page = "file://" + path("site/page.html");
        const auto add = [&](const char *tag, const QString &file, Type type, bool allowed,
                             const QString &initiator = QStringLiteral("file:///")) {
            QTest::newRow(tag) << (file.startsWith("http") ? file : "file://" + file) << initiator
                               << type << allowed;
        };
        add("picture beside", path("site/pic.png"), Type::ResourceTypeImage, true);
        add("style sheet below", path("site/css/deep.css"), Type::ResourceTypeStylesheet, true);
        add("hidden folder", path("site/.git/x.png"), Type::ResourceTypeImage, false);
        add("picture elsewhere", path("other.png"), Type::ResourceTypeImage, false);
        add("fetch beside", path("site/pic.png"), Type::ResourceTypeXhr, false);
        add("frame", "/etc/passwd", Type::ResourceTypeSubFrame, false);
        add("link to another page", "/etc/passwd", Type::ResourceTypeMainFrame, true);
        add("the user's own", "/etc/passwd", Type::ResourceTypeMainFrame, true, QString());
        add("web page", "https://a.example/x.png", Type::ResourceTypeXhr, true);
        for (const char *name :
            {"site/page.html", "site/pic.png", "site/css/deep.css", "site/.git/x.png", "other.png"})
            write(name, "x");
    }
    void localFileGuard()
    {
        QFETCH(QString, requested);
        QFETCH(QString, initiator);
        QFETCH(Type, type);
        QFETCH(bool, allowed);
        const QUrl page = QUrl::fromLocalFile(path("site/page.html"));
        QCOMPARE(LocalFileGuard::allows(QUrl(requested), page, QUrl(initiator), type), allowed);
    }

    // A local page shows its picture, and learns nothing of other files.
    void localPageStaysLocal()
    {
        write("site/pic.png",
            QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAQAAAC1HAwCAAAAC0l"
                                   "EQVR42mNk+M8AAAMBAQDJ/pLvAAAAAElFTkSuQmCC"));
        write("site/page.html",
            "<img id=i src=pic.png><script>onload = () => { let t = 'img' + i.naturalWidth;"
            "fetch('file:///etc/passwd').then(r => r.text()).then(x => t += ' read',"
            "  () => t += ' refused').finally(() => document.title = t); }</script>");
        ShownEngine shown;
        shown.engine->Navigate(path("site/page.html"));
        QTRY_COMPARE_WITH_TIMEOUT(shown.title, QStringLiteral("img1 refused"), 30000);
    }

    void certificateWarningText()
    {
        CertificateProblem problem{QWebEngineCertificateError::CertificateDateInvalid, "a.example"};
        problem.notAfter = QDateTime(QDate(2001, 2, 3), QTime(4, 5), Qt::UTC);
        QVERIFY(certificateProblemText(problem).startsWith("its certificate expired on "));
        problem.type = QWebEngineCertificateError::CertificateCommonNameInvalid;
        problem.names = QStringList{"b.example"};
        QCOMPARE(certificateProblemText(problem),
            "its certificate was issued for b.example, not for a.example");
        problem.host = "<i>";
        const QString refused = certificateWarningHtml(problem, QUrl());
        QVERIFY(refused.contains("&lt;i&gt;") && !refused.contains("<i>"));
        QVERIFY(!refused.contains("Proceed"));
        QVERIFY(certificateWarningHtml(problem, QUrl("https://x.example/"))
                    .contains("href=\"https://x.example/\">Proceed to &lt;i&gt; (unsafe)</a>"));
    }

    // A site with a certificate of its own making shows the warning; passed
    // once, it shows itself for the rest of the run.
    void certificateWarning()
    {
        QProcess openssl;
        openssl.start("openssl",
            {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                "/CN=localhost", "-keyout", path("key.pem"), "-out", path("cert.pem")});
        QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        QFile key(path("key.pem")), certificate(path("cert.pem"));
        QVERIFY(key.open(QIODevice::ReadOnly) && certificate.open(QIODevice::ReadOnly));
        tls.setPrivateKey(QSslKey(&key, QSsl::Rsa));
        tls.setLocalCertificate(QSslCertificate(&certificate));
        QSslServer server;
        server.setSslConfiguration(tls);
        QObject::connect(&server, &QSslServer::pendingConnectionAvailable, &server, [&] {
            auto *socket = qobject_cast<QSslSocket *>(server.nextPendingConnection());
            QObject::connect(socket, &QSslSocket::readyRead, socket, [socket] {
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
                              "\r\n<title>The site</title>");
                socket->disconnectFromHost();
            });
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString site = QStringLiteral("https://127.0.0.1:%1/").arg(server.serverPort());

        ShownEngine first;
        first.engine->Navigate(site);
        QTRY_COMPARE_WITH_TIMEOUT(first.title, QStringLiteral("Security warning"), 30000);
        QCOMPARE(first.engine->LocationURL(), site);
        first.run("document.getElementById('proceed').click()");
        QTRY_COMPARE_WITH_TIMEOUT(first.title, QStringLiteral("The site"), 30000);
        ShownEngine second;
        second.engine->Navigate(site);
        QTRY_COMPARE_WITH_TIMEOUT(second.title, QStringLiteral("The site"), 30000);
    }
};

WAVECREST_TEST(SafetyTest)
#include "tst_safety.moc"

#include "app/commandline.h"
#include "app/runninginstance.h"
#include "downloads/downloadname.h"
#include "engine/certificatewarning.h"
#include "engine/useraddress.h"
#include "engine/webenginefactory.h"
#include "support/testregistry.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <atomic>
#include <thread>

namespace {

// A real engine in a window of its own, and the title its page shows.
struct ShownEngine {
    ShownEngine() : engine(webEngineFactory()(&widget))
    {
        widget.show();
        QObject::connect(engine, &BrowserEngine::TitleChange, engine,
            [this](const QString &text) { title = text; });
    }
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
    bool write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly)
            && file.write(bytes) == bytes.size();
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void downloadNames()
    {
        const QString e = "\u00e9", smile = "\U0001F600", a = QString(200, u'a');
        const std::pair<QString, QString> rows[]
            = {{"bad\001\007 name.txt", "bad__ name.txt"}, {e + " \u202Etxt.exe", e + " _txt.exe"},
                {"..bashrc", "bashrc"}, {" a.txt. . ", "a.txt"}, {"a/b", "a_b"},
                {" . . ", "download"}, {a + a + ".txt", a + a.left(51) + ".txt"},
                {e.repeated(200) + ".pdf", e.repeated(125) + ".pdf"},
                {smile.repeated(100) + ".png", smile.repeated(62) + ".png"},
                {a + "." + a, a + "." + a.left(54)}};
        for (const auto &[name, proposed] : rows)
            QCOMPARE(cleanDownloadName(name), proposed);
    }

    void outsideAddressesAndSchemes()
    {
        const std::pair<const char *, bool> rows[]
            = {{"https://a.example/", true}, {"ftp://a.example/", true}, {"example.org", true},
                {"file:///a.html", true}, {"about:blank", true}, {"javascript:alert(1)", false},
                {"data:text/html,x", false}, {"about:config", false}, {"a b c", false}};
        for (const auto &[address, opened] : rows)
            QVERIFY2(isOpenableFromOutside(urlFromUserAddress(address, "/")) == opened, address);
        for (const char *scheme : {"http", "HTTPS", "file", "data", "blob", "about"})
            QVERIFY2(isEngineScheme(scheme), scheme);
        for (const char *scheme : {"mailto", "foo-scheme", "ftp"})
            QVERIFY2(!isEngineScheme(scheme), scheme);
    }

    // A later start never runs beside the copy that runs: what it cannot
    // hand over, it ends with a word why.
    void laterStarts_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("handed over") << "https://a.example/" << QString();
        QTest::newRow("too long") << "https://a.example/"
                + QString(70000,
                    u'a') << "The address is too long to be handed to the Wavecrest that runs.";
        QTest::newRow("refused by the copy that runs")
            << "javascript:document.cookie"
            << "The Wavecrest that runs refused the address.";
    }
    void laterStarts()
    {
        QFETCH(QString, address);
        QFETCH(QString, refusal);
        RunningInstance running(path("data"), m_dir.path()), later(path("data"), m_dir.path());
        QVERIFY(running.claim(QString()));
        QSignalSpy received(&running, &RunningInstance::addressReceived);
        std::atomic<int> claimed = -1;
        std::thread start([&] { claimed = later.claim(address); });
        QTRY_VERIFY_WITH_TIMEOUT(claimed >= 0, 10000);
        start.join();
        QCOMPARE(claimed, 0);
        QCOMPARE(later.refusal(), refusal);
        QCOMPARE(received.count(), refusal.isEmpty() ? 1 : 0);
        // The command line refuses such an address before any hand-over.
        QCOMPARE(parseCommandLine({"wavecrest", address}, "/").action == CommandLine::Action::Fail,
            address.startsWith("javascript:"));
    }

    // A local page shows its own picture and style sheet, and reads no other
    // file.
    void localPageStaysLocal()
    {
        QVERIFY(write("site/pic.png",
            QByteArray::fromBase64(
                "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAQAAAC1HAwCAAAAC0lEQVR42mNk+M8A"
                "AAMBAQDJ/pLvAAAAAElFTkSuQmCC")));
        QVERIFY(write("site/s/a.css", "b { color: red }"));
        QVERIFY(write("site/page.html",
            "<link rel=stylesheet href=s/a.css><b id=b>b</b><img id=i src=pic.png><script>"
            "onload = () => fetch('file:///etc/passwd').then(() => 'read', () => 'refused').then("
            "t => document.title = i.naturalWidth + getComputedStyle(b).color + t)</script>"));
        ShownEngine shown;
        shown.engine->Navigate(path("site/page.html"));
        QTRY_COMPARE_WITH_TIMEOUT(shown.title, "1rgb(255, 0, 0)refused", 30000);
    }

    // A site with a certificate of its own making shows the warning, and
    // the site once the user proceeds.
    void certificateWarning()
    {
        QProcess openssl, site;
        openssl.start("openssl",
            {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=x", "-keyout",
                path("key.pem"), "-out", path("cert.pem")});
        QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);
        QVERIFY(write("site.html", "<title>The site</title>"));
        site.setWorkingDirectory(m_dir.path());
        site.start("openssl",
            {"s_server", "-WWW", "-accept", "127.0.0.1:0", "-cert", path("cert.pem"), "-key",
                path("key.pem")});
        QByteArray said; // "ACCEPT 127.0.0.1:port" once it listens
        QTRY_VERIFY_WITH_TIMEOUT(
            (said += site.readAll()).contains("ACCEPT") && said.endsWith('\n'), 30000);
        const QString url = "https://" + said.split(' ').last().trimmed() + "/site.html";
        ShownEngine first;
        first.engine->Navigate(url);
        QTRY_COMPARE_WITH_TIMEOUT(first.title, QStringLiteral("Security warning"), 30000);
        qobject_cast<QWebEngineView *>(first.engine->view())
            ->page()
            ->runJavaScript("document.getElementById('proceed').click()");
        QTRY_COMPARE_WITH_TIMEOUT(first.title, QStringLiteral("The site"), 30000);
        CertificateProblem problem{QWebEngineCertificateError::CertificateDateInvalid, "<i>"};
        QVERIFY(!certificateWarningHtml(problem, QUrl()).contains("Proceed"));
        QVERIFY(
            certificateWarningHtml(problem, url).contains(">Proceed to &lt;i&gt; (unsafe)</a>"));
    }
};

WAVECREST_TEST(SafetyTest)
#include "tst_safety.moc"

#include "support/testregistry.h"

#include "app/applicationwindows.h"
#include "browser/browserwindow.h"
#include "core/appcontext.h"
#include "core/windownames.h"
#include "engine/useraddress.h"
#include "engine/webenginefactory.h"

#include <QtTest>
#include <QtWebEngineWidgets>
#include <QtWidgets>

#include <csignal>

namespace {

// A load takes a renderer process to start; generous, as the machine may be busy.
constexpr int LoadTimeout = 30000;

// The test pages lie in the working directory.
QString fileUrl(const char *name)
{
    return QUrl::fromLocalFile(QDir::current().absoluteFilePath(name)).toString();
}

// One real engine from the program's factory, shown in a window of its own,
// and one line for each event it reported.
struct EngineWindow {
    EngineWindow() : engine(webEngineFactory()(&widget))
    {
        (new QVBoxLayout(&widget))->addWidget(engine->view());
        widget.show();
        using E = BrowserEngine;
        QObject::connect(engine, &E::DownloadBegin, engine, [this] { log << "DownloadBegin"; });
        QObject::connect(engine, &E::NavigateComplete2, engine,
            [this](const QString &url) { log << "NavigateComplete2 " + url; });
        QObject::connect(
            engine, &E::DownloadComplete, engine, [this] { log << "DownloadComplete"; });
        QObject::connect(engine, &E::TitleChange, engine, [this](const QString &t) { title = t; });
        QObject::connect(engine, &E::ProgressChange, engine,
            [this](int p, int max) { progress << QStringLiteral("%1 of %2").arg(p).arg(max); });
    }

    QWebEnginePage *page() const { return qobject_cast<QWebEngineView *>(engine->view())->page(); }
    bool loaded() const { return log.contains("DownloadComplete"); }
    bool showsLoaded(QStringView page) const { return loaded() && title == page; }

    QWidget widget;
    BrowserEngine *engine;
    QStringList log; // the load events in order
    QString title;
    QStringList progress;
};

enum class Then { Nothing, NavigateAgain, Refresh, CrashAndRefresh };

} // namespace

class EngineTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        // Keeps the engine's profile, cookies and cache out of the user's own.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
        const auto write = [](const char *name, const QByteArray &html) {
            QFile file(name);
            return file.open(QIODevice::WriteOnly) && file.write(html) == html.size();
        };
        QVERIFY(write("page.html", "<title>Engine test page</title>"));
        QVERIFY(write("target.html", "<title>Target page</title>"));
        QVERIFY(
            write("pop.html", "<title>Opener</title><script>window.open('target.html')</script>"));
    }

    void readsUserAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // "{dir}": the working directory
        const std::pair<const char *, const char *> rows[] = {
            {"http://example.org/a?b=c", "http://example.org/a?b=c"},
            {"example.org", "http://example.org"}, {" localhost:8080 ", "http://localhost:8080"},
            {"www.example.org/p?q=1", "http://www.example.org/p?q=1"},
            {"http://example.org/?q=a b", "http://example.org/?q=a b"},
            {"page.html", "file://{dir}/page.html"}, {"/no/such.html", "file:///no/such.html"},
            {"file:///a.html", "file:///a.html"}, {"", ""}, {"   ", ""}, {"http://", ""},
            {"ftp://", ""}, {"http://exa mple.org", ""}, {"http://[::1", ""},
            {"https://example.org:99999/", ""}, {"%%%", ""}, {"a b c", ""}};
        for (const auto &[text, expected] : rows)
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(expected);
    }
    void readsUserAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString dir = QDir::currentPath();
        QCOMPARE(urlFromUserAddress(text, dir).toString(), expected.replace("{dir}", dir));
    }

    void loadReportsInOrder_data()
    {
        QTest::addColumn<Then>("then");
        QTest::newRow("a load reports its start, address and end") << Then::Nothing;
        QTest::newRow("the same address again reports them again") << Then::NavigateAgain;
        QTest::newRow("Refresh reports them again") << Then::Refresh;
        QTest::newRow("Refresh after a renderer crash loads the page again")
            << Then::CrashAndRefresh;
    }
    // Every load, even one that keeps the address, reports its start, then
    // its address (the address bar shows it), then its end.
    void loadReportsInOrder()
    {
        QFETCH(Then, then);
        const QString url = fileUrl("page.html");
        EngineWindow window;
        window.engine->Navigate("page.html"); // relative to the working directory
        QTRY_VERIFY_WITH_TIMEOUT(window.showsLoaded(u"Engine test page"), LoadTimeout);
        if (then == Then::CrashAndRefresh) {
            QTRY_VERIFY(window.page()->renderProcessPid() > 0);
            window.log.clear();
            QCOMPARE(::kill(pid_t(window.page()->renderProcessPid()), SIGKILL), 0);
            QTRY_VERIFY_WITH_TIMEOUT(window.showsLoaded(u"Page stopped"), LoadTimeout);
            QCOMPARE(window.engine->LocationURL(), url); // still shown in the address bar
        }
        if (then != Then::Nothing) {
            window.log.clear();
            window.engine->Navigate("http://exa mple.org"); // malformed: ignored
            then == Then::NavigateAgain ? window.engine->Navigate("page.html")
                                        : window.engine->Refresh();
            QTRY_VERIFY_WITH_TIMEOUT(window.loaded(), LoadTimeout);
        }
        QCOMPARE(window.log,
            QStringList({"DownloadBegin", "NavigateComplete2 " + url, "DownloadComplete"}));
        QTRY_COMPARE(window.title, "Engine test page");
        QVERIFY(window.progress.contains("100 of 100"));
        QCOMPARE(window.progress.filter(" of 100"), window.progress);
        QCOMPARE(window.engine->LocationURL(), url);
    }

    void popUp_data()
    {
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("closeTarget");
        QTest::newRow("an allowed pop-up opens in the secondary window") << true << false;
        QTest::newRow("a refused pop-up opens nothing") << false << false;
        QTest::newRow("a target closed before use is left alone") << true << true;
    }
    void popUp()
    {
        QFETCH(bool, allowed);
        QFETCH(bool, closeTarget);
        QTemporaryDir data;
        AppContext context(data.path(), webEngineFactory());
        registerApplicationWindows(context);
        BrowserWindow main(context, BrowserWindow::Role::Main);
        main.findChild<QAction *>("mnuEditAllowPopUps")->setChecked(allowed);
        main.show();
        const QString secondary = WindowNames::Secondary;
        int requests = 0;
        // Connected after the window's own handler, so it sees the target chosen.
        QObject::connect(main.engine(), &BrowserEngine::NewWindow2, &main, [&] {
            ++requests;
            if (closeTarget)
                delete context.windows().find(secondary);
        });

        main.engine()->Navigate("pop.html");
        QTRY_COMPARE_WITH_TIMEOUT(requests, 1, LoadTimeout);
        if (allowed && !closeTarget) {
            BrowserWindow *popUp = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((popUp = context.windows().find<BrowserWindow>(secondary))
                    && popUp->windowTitle().startsWith("Target page"),
                LoadTimeout);
            QCOMPARE(popUp->engine()->LocationURL(), fileUrl("target.html"));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(main.windowTitle().startsWith("Opener"), LoadTimeout);
            QVERIFY(!context.windows().find(secondary));
        }
    }
};

WAVECREST_TEST(EngineTest)
#include "tst_engine.moc"

#include "app/applicationwindows.h"
#include "browser/browserwindow.h"
#include "core/windownames.h"
#include "prefs/preferencesdialog.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// What a browser window asks the user about its pages' requests.
class PromptsTest : public QObject
{
    Q_OBJECT

    using Permission = BrowserEngine::Permission;
    TestContext m_ctx;
    BrowserWindow *m_window = nullptr;
    FakeBrowserEngine *m_engine = nullptr;
    QWidget *window(const char *name) { return m_ctx.context->windows().find(QLatin1String(name)); }

    // Asked as a page would; answered with the prompt's button, or its close
    // box. Returns the question, "" when none was asked.
    QString ask(Permission permission, const char *button = nullptr)
    {
        m_engine->calls.clear();
        Q_EMIT m_engine->PermissionRequested(QUrl("https://a.example/"), permission);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // answered ones
        auto *prompt = m_window->findChild<QDialog *>("dlgPermission");
        if (!prompt)
            return QString();
        const QString question = prompt->findChild<QLabel *>("lblQuestion")->text();
        button ? prompt->findChild<QPushButton *>(button)->click() : prompt->reject();
        return question;
    }

private Q_SLOTS:
    void initTestCase()
    {
        registerApplicationWindows(*m_ctx.context);
        m_window = new BrowserWindow(*m_ctx.context, BrowserWindow::Role::Main);
        m_window->show();
        m_engine = m_ctx.engines.first();
    }
    void cleanupTestCase() { delete m_window; }

    // Each request is answered: by the user, or as the user answered the
    // site before; closing the prompt blocks this once; a request the page
    // withdraws needs no answer. Preferences forgets the answers.
    void permissions()
    {
        const QString answer = "Permission:https://a.example/ %1 %2";
        QCOMPARE(
            ask(Permission::Location, "cmdAllow"), "https://a.example asks to know your location.");
        QCOMPARE(ask(Permission::Location), QString());
        QCOMPARE(m_engine->calls, QStringList{answer.arg("Location").arg(1)});
        QCOMPARE(ask(Permission::Camera, "cmdBlock"), "https://a.example asks to use your camera.");
        QCOMPARE(ask(Permission::Camera), QString());
        QCOMPARE(m_engine->calls, QStringList{answer.arg("Camera").arg(0)});
        QVERIFY(!ask(Permission::Notifications).isEmpty()); // closed: blocked this once
        QCOMPARE(m_engine->calls, QStringList{answer.arg("Notifications").arg(0)});
        QVERIFY(!ask(Permission::Notifications).isEmpty());
        QVERIFY(!ask(Permission::ScreenSharing, "cmdAllow").isEmpty()); // asked every time
        QVERIFY(!ask(Permission::ScreenSharing, "cmdAllow").isEmpty());
        Q_EMIT m_engine->PermissionRequested(QUrl("https://a.example/"), Permission::Microphone);
        Q_EMIT m_engine->PermissionRequestWithdrawn(
            QUrl("https://a.example/"), Permission::Microphone);
        QCOMPARE(ask(Permission::Location), QString()); // and no prompt is left
        QCOMPARE(m_engine->calls, QStringList{answer.arg("Location").arg(1)});
        PreferencesDialog preferences(*m_ctx.context);
        preferences.findChild<QPushButton *>("cmdClearSitePermissions")->click();
        QVERIFY(!QFile::exists(m_ctx.file("SitePermissions.lst")));
        QVERIFY(!ask(Permission::Location).isEmpty());
        ask(Permission::Microphone, "cmdAllow"); // kept in the file for the next run
        QCOMPARE(SitePermissions(m_ctx.file("SitePermissions.lst"))
                     .decision("https://a.example", "microphone"),
            true);
    }

    // Nothing starts before the user agreed; a mailto: link begins a
    // message in the program's own window.
    void externalLinks()
    {
        MessageBoxRecorder boxes;
        QList<QUrl> opened;
        m_window->setExternalLinkOpener([&](const QUrl &url) { opened << url; });
        Q_EMIT m_engine->ExternalLinkRequested(QUrl("foo-scheme://x"));
        Q_EMIT m_engine->ExternalLinkRequested(QUrl("foo-scheme://x")); // clicked while asked
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.startsWith("Open this link with another application?")
            && boxes.boxes[0].text.contains("\"foo-scheme:\""));
        QCOMPARE(boxes.boxes[0].defaultButton, QMessageBox::Cancel);
        QVERIFY(opened.isEmpty());
        boxes.boxes[0].answered(QMessageBox::Open);
        QCOMPARE(opened, QList<QUrl>{QUrl("foo-scheme://x")});
        Q_EMIT m_engine->ExternalLinkRequested(QUrl("mailto:b@c.example?subject=Hi%20there"));
        QCOMPARE(window(WindowNames::SendMail)->findChild<QLineEdit *>("txtToEmailAddress")->text(),
            "b@c.example");
        QCOMPARE(window(WindowNames::SendMail)->findChild<QLineEdit *>("txtEmailSubject")->text(),
            "Hi there");
    }

    // A page on its own may fill the secondary window, not bring it forward.
    void popUpsTakeNoFocus()
    {
        QVERIFY(m_engine->requestNewWindow(true));
        QVERIFY(QTest::qWaitForWindowActive(window(WindowNames::Secondary)));
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QVERIFY(m_engine->requestNewWindow(false));
        QTest::qWait(100);
        QCOMPARE(QApplication::activeWindow(), m_window);
    }

    void fullScreenNotice()
    {
        Q_EMIT m_engine->fullScreenRequested(true);
        QCOMPARE(m_window->findChild<QLabel *>("lblFullScreenNotice")->text(),
            "Press Esc to exit full screen");
        Q_EMIT m_engine->fullScreenRequested(false);
    }
};

WAVECREST_TEST(PromptsTest)
#include "tst_prompts.moc"

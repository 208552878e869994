#include "app/applicationwindows.h"
#include "browser/browserwindow.h"
#include "core/windownames.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

using Permission = BrowserEngine::Permission;

const QUrl Site("https://a.example/");

// A main window with its scripted engine, the program's windows registered.
struct Shown {
    Shown() : window(*ctx.context, BrowserWindow::Role::Main)
    {
        registerApplicationWindows(*ctx.context);
        window.show();
        engine = ctx.engines.first();
    }
    // The one on screen; those answered go a moment later.
    QDialog *prompt() const
    {
        for (QDialog *dialog : window.findChildren<QDialog *>("dlgPermission")) {
            if (dialog->isVisible())
                return dialog;
        }
        return nullptr;
    }
    QString askedAndAnswer(Permission permission, const char *button)
    {
        engine->calls.clear();
        Q_EMIT engine->PermissionRequested(Site, permission);
        QDialog *shown = prompt();
        const QString question
            = shown ? shown->findChild<QLabel *>("lblQuestion")->text() : QString("not asked");
        if (shown && button)
            QTest::mouseClick(shown->findChild<QPushButton *>(button), Qt::LeftButton);
        else if (shown)
            shown->reject(); // the prompt's close box, or Escape
        return question;
    }

    TestContext ctx;
    BrowserWindow window;
    FakeBrowserEngine *engine;
};

} // namespace

class PromptsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each request is answered: by the user, or by what the user answered
    // the site before; closing the prompt blocks this once.
    void permissions()
    {
        Shown s;
        const QString answer = "Permission:https://a.example/ %1 %2";
        QCOMPARE(s.askedAndAnswer(Permission::Location, "cmdAllow"),
            "https://a.example asks to know your location.");
        QCOMPARE(s.engine->calls, QStringList{answer.arg("Location").arg(1)});
        QCOMPARE(s.askedAndAnswer(Permission::Location, nullptr), "not asked");
        QCOMPARE(s.engine->calls, QStringList{answer.arg("Location").arg(1)});
        QCOMPARE(s.askedAndAnswer(Permission::Camera, "cmdBlock"),
            "https://a.example asks to use your camera.");
        QCOMPARE(s.askedAndAnswer(Permission::Camera, nullptr), "not asked");
        QCOMPARE(s.engine->calls, QStringList{answer.arg("Camera").arg(0)});
        for (int i = 0; i < 2; ++i) {
            s.askedAndAnswer(Permission::Notifications, nullptr);
            QCOMPARE(s.engine->calls, QStringList{answer.arg("Notifications").arg(0)});
            s.askedAndAnswer(Permission::ScreenSharing, "cmdAllow"); // asked every time
            QCOMPARE(s.engine->calls, QStringList{answer.arg("ScreenSharing").arg(1)});
        }
        // Withdrawn by the page: the prompt goes, and no answer is due.
        s.engine->calls.clear();
        Q_EMIT s.engine->PermissionRequested(Site, Permission::Microphone);
        Q_EMIT s.engine->PermissionRequestWithdrawn(Site, Permission::Microphone);
        QTRY_VERIFY(!s.prompt());
        QCOMPARE(s.engine->calls, QStringList());
        QCOMPARE(
            s.ctx.context->sitePermissions().decision("https://a.example", "geolocation"), true);
    }

    // Nothing starts before the user agreed; a mailto: link begins a
    // message in the program's own window.
    void externalLinks()
    {
        Shown s;
        MessageBoxRecorder boxes;
        QList<QUrl> opened;
        s.window.setExternalLinkOpener([&](const QUrl &url) { opened << url; });
        const QUrl link("foo-scheme://x/y");
        Q_EMIT s.engine->ExternalLinkRequested(link);
        Q_EMIT s.engine->ExternalLinkRequested(link); // a second click while asked
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.startsWith("Open this link with another application?"));
        QVERIFY(boxes.boxes[0].text.contains("\"foo-scheme:\""));
        QVERIFY(opened.isEmpty());
        boxes.boxes[0].answered(QMessageBox::Open);
        QCOMPARE(opened, QList<QUrl>{link});

        Q_EMIT s.engine->ExternalLinkRequested(QUrl("mailto:b@c.example?subject=Hi%20there"));
        QWidget *mail = s.ctx.context->windows().find(QLatin1String(WindowNames::SendMail));
        QVERIFY(mail && mail->isVisible());
        QCOMPARE(mail->findChild<QLineEdit *>("txtToEmailAddress")->text(), "b@c.example");
        QCOMPARE(mail->findChild<QLineEdit *>("txtEmailSubject")->text(), "Hi there");
        QCOMPARE(boxes.boxes.size(), 1);
    }

    // A page on its own may fill the secondary window, not bring it forward.
    void popUpsTakeNoFocus()
    {
        Shown s;
        QVERIFY(s.engine->requestNewWindow(true));
        QWidget *popUp = s.ctx.context->windows().find(QLatin1String(WindowNames::Secondary));
        QVERIFY(QTest::qWaitForWindowActive(popUp));
        s.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s.window));
        QVERIFY(s.engine->requestNewWindow(false));
        QTest::qWait(100);
        QCOMPARE(QApplication::activeWindow(), &s.window);
        QVERIFY(s.engine->requestNewWindow(true));
        QVERIFY(QTest::qWaitForWindowActive(popUp));
    }

    void fullScreenNotice()
    {
        Shown s;
        Q_EMIT s.engine->fullScreenRequested(true);
        auto *notice = s.window.findChild<QLabel *>("lblFullScreenNotice");
        QVERIFY(notice && notice->isVisible());
        QCOMPARE(notice->text(), "Press Esc to exit full screen");
        Q_EMIT s.engine->fullScreenRequested(false);
        QTRY_VERIFY(!s.window.findChild<QLabel *>("lblFullScreenNotice"));
    }
};

WAVECREST_TEST(PromptsTest)
#include "tst_prompts.moc"

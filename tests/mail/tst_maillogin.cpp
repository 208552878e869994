#include "mail/mailloginwindow.h"
#include "mail/sendmailwindow.h"
#include "mailpeers.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

// One showing of the login window: what it shows, then what is typed.
struct LoginStep {
    QString shownName;
    bool shownRemember;
    QString name;
    QString password;
    bool remember;
};

// Whatever was known before the send: the user name of the settings file
// and the keyring's password for it.
struct LoginCase {
    QString storedName;
    QString storedPassword;
    QList<LoginStep> steps;
};

} // namespace

Q_DECLARE_METATYPE(LoginCase)

class MailLoginTest : public QObject
{
    Q_OBJECT

    MailPeers m_peers;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_peers.start()); }

    void showsWhatTheUserChose_data()
    {
        QTest::addColumn<LoginCase>("row");
        const LoginStep good = {"ann", false, "ann", "s3cret", false};
        QTest::newRow("a refused name comes back as it was typed") << LoginCase{
            .storedName = "bob", .steps = {{"bob", false, "ann", "wrong", false}, good}};
        QTest::newRow("known name, empty keyring: not ticked")
            << LoginCase{.storedName = "ann", .steps = {good}};
        QTest::newRow("the user's tick is kept after a refusal") << LoginCase{
            .steps = {{"", false, "ann", "wrong", true}, {"ann", true, "ann", "s3cret", true}}};
        QTest::newRow("remembered password refused: ticked") << LoginCase{.storedName = "ann",
            .storedPassword = "old",
            .steps = {{"ann", true, "ann", "s3cret", true}}};
    }

    // The login window shows the name last typed and ticks "Remember
    // password" only when the user did, or the refused password was a
    // remembered one; OK waits for a password.
    void showsWhatTheUserChose()
    {
        QFETCH(const LoginCase, row);
        TestContext test;
        MessageBoxRecorder boxes;
        MemoryCredentialStore keyring;
        if (!row.storedName.isEmpty())
            test.context->writeSetting(SettingsKey::MailUser, row.storedName);
        if (!row.storedPassword.isEmpty())
            keyring.passwords.insert(row.storedName + "@127.0.0.1", row.storedPassword);
        SendMailWindow window(*test.context, m_peers.trustingConfig, &keyring);
        window.findChild<QLineEdit *>("txtEmailServer")->setText(m_peers.field("starttls"));
        window.findChild<QLineEdit *>("txtFromEmailAddress")->setText("ann@sender.test");
        window.findChild<QLineEdit *>("txtToEmailAddress")->setText("bob@recipient.test");
        window.findChild<QPushButton *>("Command1")->click();

        for (const LoginStep &step : row.steps) {
            QPointer<MailLoginWindow> login;
            QTRY_VERIFY((login = window.findChild<MailLoginWindow *>()) && login->isVisible());
            auto *name = login->findChild<QLineEdit *>("txtUserName");
            auto *password = login->findChild<QLineEdit *>("txtPassword");
            auto *remember = login->findChild<QCheckBox *>("chkRememberPassword");
            auto *ok = login->findChild<QPushButton *>("cmdOK");
            QCOMPARE(name->text(), step.shownName);
            QCOMPARE(remember->isChecked(), step.shownRemember);
            QCOMPARE(password->text(), "");
            name->setText(step.name);
            QVERIFY(!ok->isEnabled());
            password->setText(step.password);
            QVERIFY(ok->isEnabled());
            remember->setChecked(step.remember);
            ok->click();
            QTRY_VERIFY(!login->isVisible());
        }
        auto *status = window.findChild<QLabel *>("StatusTxt");
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), "Mail Sent", 15000);
    }
};

WAVECREST_TEST(MailLoginTest)
#include "tst_maillogin.moc"

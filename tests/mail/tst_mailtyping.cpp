#include "mail/mailloginwindow.h"
#include "mail/sendmailwindow.h"
#include "mail/spellchecker.h"
#include "mailpeers.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

namespace {

// The body's words drawn as misspelt.
QStringList underlined(QPlainTextEdit *body)
{
    QStringList words;
    for (QTextBlock block = body->document()->begin(); block.isValid(); block = block.next()) {
        for (const QTextLayout::FormatRange &range : block.layout()->formats())
            words << block.text().mid(range.start, range.length);
    }
    return words;
}

// Right-clicks the field at the point and chooses the item of its menu.
void choose(QWidget *field, const QPoint &point, const QString &item)
{
    Q_EMIT field->customContextMenuRequested(point);
    QMenu *menu = field->findChild<QMenu *>();
    const QList<QAction *> actions = menu->actions();
    const auto action = std::find_if(actions.cbegin(), actions.cend(),
        [&item](const QAction *action) { return action->text() == item; });
    QVERIFY2(action != actions.cend(), qPrintable(item));
    (*action)->trigger();
    menu->close();
}

} // namespace

class MailTypingTest : public QObject
{
    Q_OBJECT

    MailPeers m_peers;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_peers.start()); }

    // Known before the send: the user name of the settings file and the
    // keyring's password; then, at each showing of the login window, the
    // name and the tick it shows, and the name, password and tick typed.
    void showsWhatTheUserChose_data()
    {
        QTest::addColumn<QStringList>("known");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("a refused name comes back as it was typed")
            << QStringList{"bob", ""} << QStringList{"bob,0,ann,wrong,0", "ann,0,ann,s3cret,0"};
        QTest::newRow("known name, empty keyring: not ticked")
            << QStringList{"ann", ""} << QStringList{"ann,0,ann,s3cret,0"};
        QTest::newRow("the user's tick is kept after a refusal")
            << QStringList{"", ""} << QStringList{",0,ann,wrong,1", "ann,1,ann,s3cret,1"};
        QTest::newRow("remembered password refused: ticked")
            << QStringList{"ann", "old"} << QStringList{"ann,1,ann,s3cret,1"};
    }

    // The login window shows the name last typed and ticks "Remember
    // password" only when the user did, or when the refused password was a
    // remembered one; OK waits for a password.
    void showsWhatTheUserChose()
    {
        QFETCH(QStringList, known);
        QFETCH(QStringList, steps);
        TestContext test;
        MessageBoxRecorder boxes;
        MemoryCredentialStore keyring;
        test.context->writeSetting(SettingsKey::MailUser, known[0]);
        if (!known[1].isEmpty())
            keyring.passwords.insert(known[0] + "@127.0.0.1", known[1]);
        SendMailWindow window(*test.context, m_peers.trustingConfig, &keyring);
        window.findChild<QLineEdit *>("txtEmailServer")->setText(m_peers.field("starttls"));
        window.findChild<QLineEdit *>("txtFromEmailAddress")->setText("ann@sender.test");
        window.findChild<QLineEdit *>("txtToEmailAddress")->setText("bob@recipient.test");
        window.findChild<QPushButton *>("Command1")->click();
        for (const QString &step : steps) {
            const QStringList s = step.split(',');
            QPointer<MailLoginWindow> login;
            QTRY_VERIFY((login = window.findChild<MailLoginWindow *>()) && login->isVisible());
            auto *name = login->findChild<QLineEdit *>("txtUserName");
            auto *password = login->findChild<QLineEdit *>("txtPassword");
            auto *remember = login->findChild<QCheckBox *>("chkRememberPassword");
            auto *ok = login->findChild<QPushButton *>("cmdOK");
            QCOMPARE(name->text(), s[0]);
            QCOMPARE(remember->isChecked(), s[1] == "1");
            // The password field comes back empty, and OK waits for it.
            name->setText(s[2]);
            QVERIFY(!ok->isEnabled());
            password->setText(s[3]);
            QVERIFY(ok->isEnabled());
            remember->setChecked(s[4] == "1");
            ok->click();
            QTRY_VERIFY(!login->isVisible());
        }
        QTRY_COMPARE_WITH_TIMEOUT(
            window.findChild<QLabel *>("StatusTxt")->text(), "Mail Sent", 15000);
    }

    // Misspelt words are marked whole as they are typed (Debian's English
    // has no accented words), not apostrophes, numbers or addresses; the menu
    // corrects them or keeps them in the data directory.
    void underlinesCorrectsAndLearns()
    {
        TestContext test;
        SendMailWindow window(*test.context);
        auto *body = window.findChild<QPlainTextEdit *>("txtEmailBodyOfMessage");
        auto *subject = window.findChild<QLineEdit *>("txtEmailSubject");
        body->setPlainText("Helo world, don't it’s 'quoted' café well-known 3rd mp3 "
                           "ann@exmple.org www.exmple.org exmple.org e.g.");
        subject->setText("Wrold");
        window.show();
        QTRY_VERIFY(SpellChecker::forDataDirectory(test.dir.path())->isLoaded());
        QCOMPARE(underlined(body), QStringList({"Helo", "café"}));
        body->moveCursor(QTextCursor::End);
        QTest::keyClicks(body, " wrold");
        QCOMPARE(underlined(body), QStringList({"Helo", "café", "wrold"}));

        subject->setCursorPosition(2);
        choose(
            subject, subject->inputMethodQuery(Qt::ImCursorRectangle).toRect().center(), "World");
        QCOMPARE(subject->text(), "World");
        body->moveCursor(QTextCursor::Start);
        body->moveCursor(QTextCursor::Right);
        choose(body, body->cursorRect().center(), "Add to Dictionary");
        QCOMPARE(underlined(body), QStringList({"café", "wrold"}));
        QCOMPARE(test.readFile("Dictionary.lst"), "Helo\r\n");
    }
};

WAVECREST_TEST(MailTypingTest)
#include "tst_mailtyping.moc"

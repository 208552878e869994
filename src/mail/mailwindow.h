#pragma once

#include "mail/mailmessage.h"
#include "mail/smtpclient.h"
#include "settings/settingskeys.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <initializer_list>
#include <memory>

class AppContext;
class CredentialStore;
class MailLoginWindow;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class SpellChecker;

// What the Send Mail and Comments windows share: the controls both have, the
// fields they remember, and the send itself with its status texts, message
// boxes, login and outcome. Closing the window while its message is still on
// the way hides it until the exchange ends, and a box then tells the outcome.
class MailWindow : public QWidget
{
    Q_OBJECT

public:
    ~MailWindow() override;

    // Where the controls that both windows have are drawn, in twips (the
    // status label relative to its frame).
    struct Layout {
        QSize clientSize;
        QRect send;
        QRect frame;
        QRect status;
        QRect fromLabel;
        QRect fromAddress;
        QRect nameLabel;
        QRect fromName;
        QRect serverLabel;
        QRect server;
        QRect body;
    };

protected:
    MailWindow(AppContext &context, const SmtpClientConfig &smtp, CredentialStore *credentials,
        const QString &caption, const Layout &layout, QWidget *parent);

    // The message as the fields read now.
    virtual MailMessage composeMessage() const = 0;
    // Stores the remembered fields as they read now.
    virtual void rememberFields() = 0;

    QLineEdit *addField(const char *name, const QRect &twips);
    void addLabel(const QString &caption, const char *name, const QRect &twips, QWidget *field);
    // The focus moves through the controls in this order; the first has it
    // when the window opens.
    void orderTabs(std::initializer_list<QWidget *> controls);
    // The body as typed: every character kept, line ends as "\n".
    QString bodyText() const;
    void loadField(QLineEdit *field, SettingsKey settingsKey);
    void storeField(QLineEdit *field, SettingsKey settingsKey);

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    QPushButton *m_send;
    QLineEdit *m_fromAddress;
    QLineEdit *m_fromName;
    QLineEdit *m_server;
    QPlainTextEdit *m_body;
    // Shared with the other mail window; read once a window shows.
    SpellChecker *m_spelling;

private:
    void send();
    void showFailure(const QString &message);
    void showOutcome(bool accepted);
    void handleLoginRequired(const QString &serverText, bool refused);
    void askForLogin(const QString &serverText);
    void rememberLogin(const QString &userName, const QString &password);
    QString passwordAccount(const QString &userName) const;
    // Boxes of a window closed mid-send stand on their own.
    QWidget *boxParent();

    AppContext &m_context;
    SmtpClient *m_client;
    std::unique_ptr<CredentialStore> m_ownCredentials;
    CredentialStore *m_credentials;
    QLabel *m_status;
    QPointer<MailLoginWindow> m_loginWindow;
    bool m_centred = false;
    bool m_closeWhenDone = false;
    bool m_failureShown = false;
    bool m_triedStoredPassword = false;
    // The password of this send's last try came from the keyring.
    bool m_passwordFromKeyring = false;
    // Whether the password of the login under way is to be remembered;
    // untouched when it came from the keyring.
    std::optional<bool> m_rememberTypedPassword;
    // What the user last chose in the login window, and the name typed there.
    std::optional<bool> m_rememberChoice;
    QString m_typedUserName;
};

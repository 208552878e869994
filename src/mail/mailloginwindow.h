#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Mail Server Login": asks for the user name and password a mail server
// wants, and whether to remember the password. It shows what the server said
// (why it asks, or why it refused the last try). Accepting or rejecting it
// never blocks: the owner listens to accepted() and rejected().
class MailLoginWindow : public QDialog
{
    Q_OBJECT

public:
    // Longer names or passwords than this are no one's.
    static constexpr int MaxCredentialLength = 256;

    explicit MailLoginWindow(QWidget *parent = nullptr);

    void ask(const QString &serverHost, const QString &serverText, const QString &userName,
        bool rememberPassword);

    QString userName() const;
    QString password() const;
    bool rememberPassword() const;

private:
    void updateOk();

    QLabel *m_serverText;
    QLineEdit *m_userName;
    QLineEdit *m_password;
    QCheckBox *m_remember;
    QPushButton *m_ok;
};

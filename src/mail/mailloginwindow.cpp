#include "mail/mailloginwindow.h"

#include "ui/placement.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit *labelledField(
    QWidget *window, const QString &caption, const char *labelName, const char *fieldName, int top)
{
    auto *field = placeControl(new QLineEdit(window), fieldName, {1680, top, 3600, 285});
    field->setMaxLength(MailLoginWindow::MaxCredentialLength);
    auto *label = placeControl(new QLabel(caption, window), labelName, {120, top + 30, 1455, 255});
    label->setBuddy(field);
    return field;
}

} // namespace

MailLoginWindow::MailLoginWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmMailLogin"));
    setWindowTitle(tr("Mail Server Login"));
    setFont(windowFont());
    setFixedSize(Twips::toPixels(5400), Twips::toPixels(2790));
    setWindowModality(Qt::WindowModal);

    m_serverText = placeControl(new QLabel(this), "lblServerText", {120, 120, 5160, 735});
    m_serverText->setWordWrap(true);
    m_serverText->setTextFormat(Qt::PlainText);
    m_serverText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_userName = labelledField(this, tr("&User Name"), "lblUserName", "txtUserName", 945);
    m_password = labelledField(this, tr("&Password"), "lblPassword", "txtPassword", 1365);
    m_password->setEchoMode(QLineEdit::Password);
    m_remember = placeControl(new QCheckBox(tr("&Remember password"), this), "chkRememberPassword",
        {1680, 1785, 3600, 255});
    m_ok = placeControl(new QPushButton(tr("OK"), this), "cmdOK", {2760, 2280, 1215, 375});
    m_ok->setDefault(true);
    auto *cancel
        = placeControl(new QPushButton(tr("Cancel"), this), "cmdCancel", {4065, 2280, 1215, 375});

    setTabOrder(m_userName, m_password);
    setTabOrder(m_password, m_remember);
    setTabOrder(m_remember, m_ok);
    setTabOrder(m_ok, cancel);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // An empty password would only count as a failed login against the
    // account.
    connect(m_userName, &QLineEdit::textChanged, this, &MailLoginWindow::updateOk);
    connect(m_password, &QLineEdit::textChanged, this, &MailLoginWindow::updateOk);
}

void MailLoginWindow::updateOk()
{
    m_ok->setEnabled(!m_userName->text().trimmed().isEmpty() && !m_password->text().isEmpty());
}

void MailLoginWindow::ask(const QString &serverHost, const QString &serverText,
    const QString &userName, bool rememberPassword)
{
    m_serverText->setText(
        tr("The mail server %1 asks for a login.\n%2").arg(serverHost, serverText));
    m_userName->setText(userName);
    m_password->clear();
    updateOk();
    m_remember->setChecked(rememberPassword);
    show();
    raise();
    activateWindow();
    if (userName.trimmed().isEmpty())
        m_userName->setFocus();
    else
        m_password->setFocus();
}

QString MailLoginWindow::userName() const
{
    return m_userName->text().trimmed();
}

QString MailLoginWindow::password() const
{
    return m_password->text();
}

bool MailLoginWindow::rememberPassword() const
{
    return m_remember->isChecked();
}

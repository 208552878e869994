#include "mail/mailwindow.h"

#include "core/appcontext.h"
#include "mail/keychaincredentialstore.h"
#include "mail/mailloginwindow.h"
#include "mail/spellchecker.h"
#include "mail/spellunderliner.h"
#include "ui/messagebox.h"
#include "ui/placement.h"
#include "ui/windowutils.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

MailWindow::MailWindow(AppContext &context, const SmtpClientConfig &smtp,
    CredentialStore *credentials, const QString &caption, const Layout &layout, QWidget *parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_spelling(SpellChecker::forDataDirectory(context.dataDirectory())), m_context(context),
      m_client(new SmtpClient(smtp, this)),
      m_ownCredentials(credentials ? nullptr : std::make_unique<KeychainCredentialStore>()),
      m_credentials(credentials ? credentials : m_ownCredentials.get())
{
    setWindowTitle(caption);
    setFont(windowFont());
    resize(Twips::toPixels(layout.clientSize.width()), Twips::toPixels(layout.clientSize.height()));

    m_send = placeControl(new QPushButton(tr("&Send E-Mail"), this), "Command1", layout.send);
    auto *frame = placeControl(new QGroupBox(this), "Frame1", layout.frame);
    m_status = placeControl(new QLabel(frame), "StatusTxt", layout.status);
    m_status->setAlignment(Qt::AlignCenter);
    m_fromAddress = addField("txtFromEmailAddress", layout.fromAddress);
    addLabel(tr("From (e-mail address)"), "Label1", layout.fromLabel, m_fromAddress);
    m_fromName = addField("txtFromName", layout.fromName);
    addLabel(tr("Your Name"), "Label4", layout.nameLabel, m_fromName);
    m_server = addField("txtEmailServer", layout.server);
    addLabel(tr("E-Mail Server"), "Label6", layout.serverLabel, m_server);
    m_body = placeControl(new QPlainTextEdit(this), "txtEmailBodyOfMessage", layout.body);
    m_body->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_body->setTabChangesFocus(true);
    m_body->setAccessibleName(tr("Message"));
    checkSpelling(m_body, m_spelling);

    connect(m_send, &QPushButton::clicked, this, &MailWindow::send);
    connect(m_client, &SmtpClient::statusChanged, m_status, &QLabel::setText);
    connect(m_client, &SmtpClient::failed, this, &MailWindow::showFailure);
    connect(m_client, &SmtpClient::finished, this, &MailWindow::showOutcome);
    connect(m_client, &SmtpClient::loginRequired, this, &MailWindow::handleLoginRequired);
    connect(m_client, &SmtpClient::loggedIn, this, &MailWindow::rememberLogin);
}

MailWindow::~MailWindow() = default;

QLineEdit *MailWindow::addField(const char *name, const QRect &twips)
{
    return placeControl(new QLineEdit(this), name, twips);
}

void MailWindow::addLabel(
    const QString &caption, const char *name, const QRect &twips, QWidget *field)
{
    // The buddy gives the field its spoken name and the label's relation.
    placeControl(new QLabel(caption, this), name, twips)->setBuddy(field);
}

void MailWindow::orderTabs(std::initializer_list<QWidget *> controls)
{
    QWidget *previous = nullptr;
    for (QWidget *control : controls) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        else
            control->setFocus();
        previous = control;
    }
}

QString MailWindow::bodyText() const
{
    // toPlainText() would turn no-break spaces into plain ones.
    QString text = m_body->document()->toRawText();
    for (const char16_t lineEnd : {u'\u2029', u'\u2028', u'\ufdd0', u'\ufdd1'})
        text.replace(QChar(lineEnd), QLatin1Char('\n'));
    return text;
}

void MailWindow::loadField(QLineEdit *field, SettingsKey settingsKey)
{
    field->setText(m_context.setting(settingsKey));
}

void MailWindow::storeField(QLineEdit *field, SettingsKey settingsKey)
{
    m_context.writeSetting(settingsKey, field->text());
}

void MailWindow::send()
{
    if (m_client->isBusy()) {
        showMessageBox(this, QStringLiteral(" ") + QString::number(m_client->stateNumber()));
        return;
    }
    // The last outcome must not stand for this one.
    m_status->clear();
    m_failureShown = false;
    m_triedStoredPassword = false;
    m_passwordFromKeyring = false;
    m_rememberTypedPassword.reset();
    m_client->SendEmail(m_server->text(), composeMessage());
}

void MailWindow::showFailure(const QString &message)
{
    m_failureShown = true;
    showMessageBox(boxParent(), message, QMessageBox::Information);
}

void MailWindow::showOutcome(bool accepted)
{
    m_status->setText(accepted ? tr("Mail Sent") : tr("Mail Not Sent"));
    if (accepted)
        QApplication::beep();
    if (m_loginWindow)
        m_loginWindow->hide();
    rememberFields();
    if (!m_closeWhenDone)
        return;
    // The window was closed while the message was on its way: the outcome
    // must not pass unseen.
    if (accepted)
        showMessageBox(nullptr, tr("Mail Sent"), QMessageBox::Information, windowTitle());
    else if (!m_failureShown)
        showMessageBox(nullptr, tr("Mail Not Sent"), QMessageBox::Warning, windowTitle());
    close();
}

void MailWindow::handleLoginRequired(const QString &serverText, bool refused)
{
    if (refused) {
        showMessageBox(boxParent(),
            tr("The mail server %1 refused the login:\n%2").arg(m_client->serverHost(), serverText),
            QMessageBox::Warning);
        whenNoMessageBoxOpen(this, [this, serverText] { askForLogin(serverText); });
        return;
    }
    const QString userName = m_context.setting(SettingsKey::MailUser);
    if (userName.isEmpty() || m_triedStoredPassword)
        return askForLogin(serverText);
    m_triedStoredPassword = true;
    m_credentials->readPassword(passwordAccount(userName), this,
        [this, userName, serverText](const std::optional<QString> &password) {
            if (!m_client->isWaitingForLogin())
                return;
            if (!password)
                return askForLogin(serverText);
            m_rememberTypedPassword.reset();
            m_passwordFromKeyring = true;
            m_client->logIn(userName, *password);
        });
}

void MailWindow::askForLogin(const QString &serverText)
{
    if (!m_client->isWaitingForLogin())
        return;
    // A window closed mid-send asks nothing: its box says the mail did not go.
    if (m_closeWhenDone)
        return m_client->cancelLogin();
    if (!m_loginWindow) {
        m_loginWindow = new MailLoginWindow(this);
        connect(m_loginWindow, &QDialog::accepted, this, [this] {
            m_rememberTypedPassword = m_loginWindow->rememberPassword();
            m_rememberChoice = m_rememberTypedPassword;
            m_typedUserName = m_loginWindow->userName();
            m_client->logIn(m_typedUserName, m_loginWindow->password());
        });
        connect(m_loginWindow, &QDialog::rejected, m_client, &SmtpClient::cancelLogin);
    }
    // The name typed last, above all after a refusal: the stored one may be
    // the very one the user just corrected.
    const QString userName
        = m_typedUserName.isEmpty() ? m_context.setting(SettingsKey::MailUser) : m_typedUserName;
    // The box is ticked only by the user's own choice, or for someone whose
    // remembered password was just refused, who will want the new one
    // remembered too.
    m_loginWindow->ask(m_client->serverHost(), serverText, userName,
        m_rememberChoice.value_or(m_passwordFromKeyring));
}

void MailWindow::rememberLogin(const QString &userName, const QString &password)
{
    m_context.writeSetting(SettingsKey::MailUser, userName);
    const std::optional<bool> remember = std::exchange(m_rememberTypedPassword, std::nullopt);
    if (!remember)
        return;
    const QString account = passwordAccount(userName);
    if (!*remember) {
        m_credentials->forgetPassword(account);
        return;
    }
    m_credentials->writePassword(account, password, this, [this](const QString &error) {
        if (error.isEmpty())
            return;
        showMessageBox(boxParent(),
            tr("The password could not be remembered, so it will be asked for each time: %1")
                .arg(error),
            QMessageBox::Warning);
    });
}

QString MailWindow::passwordAccount(const QString &userName) const
{
    return userName + u'@' + m_client->serverHost();
}

QWidget *MailWindow::boxParent()
{
    return isVisible() ? this : nullptr;
}

void MailWindow::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        centerOnScreen(this);
        m_centred = true;
    }
    // Opened again before the message was through: the window stays.
    m_closeWhenDone = false;
    m_spelling->load();
    QWidget::showEvent(event);
}

void MailWindow::closeEvent(QCloseEvent *event)
{
    // Nobody is left to type a password.
    if (m_client->isWaitingForLogin())
        m_client->cancelLogin();
    if (m_client->isBusy()) {
        m_closeWhenDone = true;
        hide();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

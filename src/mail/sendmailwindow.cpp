#include "mail/sendmailwindow.h"

#include "mail/spellunderliner.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const MailWindow::Layout &sendMailLayout()
{
    static const MailWindow::Layout layout{
        .clientSize = {7065, 5850},
        .send = {120, 120, 1935, 495},
        .frame = {2160, 0, 4815, 615},
        .status = {120, 240, 4575, 255},
        .fromLabel = {120, 720, 2775, 255},
        .fromAddress = {120, 960, 3255, 285},
        .nameLabel = {3600, 720, 3135, 255},
        .fromName = {3600, 960, 3375, 285},
        .serverLabel = {3600, 1320, 3375, 255},
        .server = {3600, 1560, 3375, 285},
        .body = {120, 2640, 6855, 3135},
    };
    return layout;
}

} // namespace

SendMailWindow::SendMailWindow(AppContext &context, const SmtpClientConfig &smtp,
    CredentialStore *credentials, QWidget *parent)
    : MailWindow(context, smtp, credentials, tr("Brimlow Send Mail"), sendMailLayout(), parent)
{
    m_toAddress = addField("txtToEmailAddress", {120, 1560, 3255, 285});
    addLabel(tr("To"), "Label2", {120, 1320, 1575, 255}, m_toAddress);
    m_subject = addField("txtEmailSubject", {120, 2160, 6855, 285});
    addLabel(tr("Subject"), "Label3", {120, 1920, 1215, 255}, m_subject);
    checkSpelling(m_subject, m_spelling);
    orderTabs({m_send, m_fromAddress, m_toAddress, m_subject, m_body, m_fromName, m_server});

    loadField(m_server, SettingsKey::MailServer);
    loadField(m_fromAddress, SettingsKey::Email);
    loadField(m_fromName, SettingsKey::Name);
}

void SendMailWindow::beginMessage(const QString &to, const QString &subject, const QString &body)
{
    // What a page puts into a link is bounded like anything else it sends.
    constexpr qsizetype MaxLineLength = 998;
    constexpr qsizetype MaxBodyLength = 64 * 1024;
    m_toAddress->setText(to.left(MaxLineLength));
    if (!subject.isEmpty())
        m_subject->setText(subject.left(MaxLineLength));
    if (!body.isEmpty())
        m_body->setPlainText(body.left(MaxBodyLength));
}

MailMessage SendMailWindow::composeMessage() const
{
    const QString recipient = m_toAddress->text();
    return {m_fromName->text(), m_fromAddress->text(), recipient, recipient, m_subject->text(),
        bodyText()};
}

void SendMailWindow::rememberFields()
{
    storeField(m_fromName, SettingsKey::Name);
    storeField(m_fromAddress, SettingsKey::Email);
    storeField(m_server, SettingsKey::MailServer);
}

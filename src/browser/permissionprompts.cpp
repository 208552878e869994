#include "browser/permissionprompts.h"

#include "settings/sitepermissions.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using Permission = BrowserEngine::Permission;

// A page asking without end must not grow the queue without end; what does
// not fit is blocked at once.
constexpr qsizetype MaxWaiting = 16;

// The site as the user knows it, and as its answers are kept.
QString siteOf(const QUrl &origin)
{
    return origin.toString(
        QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
}

// The name an answer is kept under.
QString kindOf(Permission permission)
{
    switch (permission) {
    case Permission::Location:
        return QStringLiteral("geolocation");
    case Permission::Notifications:
        return QStringLiteral("notifications");
    case Permission::Camera:
        return QStringLiteral("camera");
    case Permission::Microphone:
        return QStringLiteral("microphone");
    case Permission::CameraAndMicrophone:
        return QStringLiteral("camera-microphone");
    case Permission::ScreenSharing:
        return QStringLiteral("screen");
    case Permission::ScreenSharingWithSound:
        return QStringLiteral("screen-audio");
    case Permission::MouseLock:
        return QStringLiteral("mouse-lock");
    }
    Q_UNREACHABLE();
}

// Sharing the screen is asked every time: an allowance kept for later would
// let the site watch whatever comes on the screen whenever it likes.
bool keepsAllowance(Permission permission)
{
    return permission != Permission::ScreenSharing
        && permission != Permission::ScreenSharingWithSound;
}

} // namespace

PermissionPrompts::PermissionPrompts(BrowserEngine *engine, SitePermissions &store, QWidget *window)
    : QObject(window), m_engine(engine), m_store(store), m_window(window)
{
    connect(engine, &BrowserEngine::PermissionRequested, this, &PermissionPrompts::requested);
    connect(
        engine, &BrowserEngine::PermissionRequestWithdrawn, this, &PermissionPrompts::withdrawn);
}

QString PermissionPrompts::questionFor(const QUrl &origin, Permission permission)
{
    const QString site = siteOf(origin);
    switch (permission) {
    case Permission::Location:
        return tr("%1 asks to know your location.").arg(site);
    case Permission::Notifications:
        return tr("%1 asks to show notifications.").arg(site);
    case Permission::Camera:
        return tr("%1 asks to use your camera.").arg(site);
    case Permission::Microphone:
        return tr("%1 asks to use your microphone.").arg(site);
    case Permission::CameraAndMicrophone:
        return tr("%1 asks to use your camera and microphone.").arg(site);
    case Permission::ScreenSharing:
        return tr("%1 asks to share your screen.").arg(site);
    case Permission::ScreenSharingWithSound:
        return tr("%1 asks to share your screen and its sound.").arg(site);
    case Permission::MouseLock:
        return tr("%1 asks to lock and hide the mouse pointer (mouse lock).").arg(site);
    }
    Q_UNREACHABLE();
}

void PermissionPrompts::requested(const QUrl &origin, Permission permission)
{
    const std::optional<bool> known = m_store.decision(siteOf(origin), kindOf(permission));
    if (known && (!*known || keepsAllowance(permission))) {
        m_engine->answerPermission(origin, permission, *known);
        return;
    }
    if (m_waiting.size() >= MaxWaiting) {
        m_engine->answerPermission(origin, permission, false);
        return;
    }
    m_waiting.append({origin, permission});
    askNext();
}

void PermissionPrompts::withdrawn(const QUrl &origin, Permission permission)
{
    const qsizetype at = m_waiting.indexOf(Request{origin, permission});
    if (at < 0)
        return;
    m_waiting.removeAt(at);
    if (at == 0) {
        closePrompt();
        askNext();
    }
}

void PermissionPrompts::askNext()
{
    if (m_prompt || m_waiting.isEmpty())
        return;
    const Request &request = m_waiting.constFirst();
    auto *prompt = new QDialog(m_window);
    m_prompt = prompt;
    prompt->setObjectName(QStringLiteral("dlgPermission"));
    prompt->setAttribute(Qt::WA_DeleteOnClose);
    prompt->setWindowTitle(tr("Permission Request"));
    auto *layout = new QVBoxLayout(prompt);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto *question = new QLabel(questionFor(request.origin, request.permission), prompt);
    question->setObjectName(QStringLiteral("lblQuestion"));
    question->setWordWrap(true);
    question->setMinimumWidth(question->fontMetrics().averageCharWidth() * 48);
    layout->addWidget(question);
    auto *buttons = new QDialogButtonBox(prompt);
    QPushButton *allow = buttons->addButton(tr("Allow"), QDialogButtonBox::AcceptRole);
    allow->setObjectName(QStringLiteral("cmdAllow"));
    QPushButton *block = buttons->addButton(tr("Block"), QDialogButtonBox::DestructiveRole);
    block->setObjectName(QStringLiteral("cmdBlock"));
    block->setDefault(true);
    layout->addWidget(buttons);
    prompt->setAccessibleDescription(question->text());
    connect(allow, &QPushButton::clicked, this, [this] { answer(true, true); });
    connect(block, &QPushButton::clicked, this, [this] { answer(false, true); });
    connect(prompt, &QDialog::rejected, this, [this] { answer(false, false); });
    prompt->show();
}

void PermissionPrompts::closePrompt()
{
    if (QDialog *prompt = m_prompt.data()) {
        m_prompt.clear();
        prompt->disconnect(this);
        prompt->close();
    }
}

void PermissionPrompts::answer(bool allowed, bool remember)
{
    closePrompt();
    if (m_waiting.isEmpty())
        return;
    const Request asked = m_waiting.takeFirst();
    if (remember && (!allowed || keepsAllowance(asked.permission)))
        m_store.remember(siteOf(asked.origin), kindOf(asked.permission), allowed);
    // The same question from the same site, asked again meanwhile, has its
    // answer too.
    const qsizetype same = m_waiting.removeAll(asked) + 1;
    if (m_engine) {
        for (qsizetype i = 0; i < same; ++i)
            m_engine->answerPermission(asked.origin, asked.permission, allowed);
    }
    askNext();
}

#include "about/aboutbox.h"

#include "about/systeminformation.h"
#include "app/addresses.h"
#include "app/appcontext.h"
#include "app/windownames.h"
#include "platform/messagebox.h"
#include "platform/programlauncher.h"
#include "platform/systemregistry.h"
#include "platform/twips.h"
#include "platform/windowutils.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

QString versionText()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(WAVECREST_VERSION_MAJOR)
        .arg(WAVECREST_VERSION_MINOR)
        .arg(WAVECREST_VERSION_PATCH);
}

QString descriptionText()
{
    return QStringLiteral(
               "Brimlow Wavecrest is a simple and easy to use web browser for everyone "
               "to use. This offers you an alternative to Internet Explorer and Netscape "
               "browsers. For updates visit: ")
        + QLatin1String(Addresses::MakerHomePage);
}

// The main window's icon; before there is one, the program's own.
QIcon programIcon(QWidget *mainWindow)
{
    if (mainWindow)
        return mainWindow->windowIcon();
    if (!QApplication::windowIcon().isNull())
        return QApplication::windowIcon();
    return QIcon(QStringLiteral(":/icons/wavecrest.svg"));
}

QLabel *centredLabel(
    const QString &objectName, const QString &text, const QRect &geometry, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

QPushButton *button(
    const QString &objectName, const QString &caption, const QRect &geometry, QWidget *parent)
{
    auto *result = new QPushButton(caption, parent);
    result->setObjectName(objectName);
    result->setGeometry(geometry);
    return result;
}

} // namespace

// Owned by the main window, the box stays out of the task bar; it goes when
// the main window goes, as every other window does.
AboutBox::AboutBox(AppContext &context)
    : QDialog(context.windows().find(QLatin1String(WindowNames::Main)),
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
            | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_registry(createSystemRegistry()), m_launcher(std::make_unique<ProgramLauncher>())
{
    setObjectName(QLatin1String(WindowNames::About));
    const QIcon icon = programIcon(parentWidget());
    setWindowIcon(icon);
    SetTopmost(this);
    setWindowTitle(QStringLiteral("About ") + applicationTitle());
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    setFixedSize(Twips::toPixels(5730), Twips::toPixels(3015));
    createControls(icon);
}

AboutBox::~AboutBox() = default;

void AboutBox::setPlatform(
    std::unique_ptr<SystemRegistry> registry, std::unique_ptr<ProgramLauncher> launcher)
{
    m_registry = std::move(registry);
    m_launcher = std::move(launcher);
}

void AboutBox::createControls(const QIcon &icon)
{
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picIcon"));
    picture->setGeometry(Twips::toRect(240, 240, 540, 540));
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(icon.pixmap(32, 32));

    QLabel *title = centredLabel(
        QStringLiteral("lblTitle"), applicationTitle(), Twips::toRect(1050, 120, 3885, 600), this);
    title->setFont(QFont(QStringLiteral("Arial"), 24, QFont::Bold));
    centredLabel(
        QStringLiteral("lblVersion"), versionText(), Twips::toRect(1050, 780, 3885, 255), this);
    QLabel *description = centredLabel(QStringLiteral("lblDescription"), descriptionText(),
        Twips::toRect(240, 1140, 5250, 1170), this);
    description->setWordWrap(true);

    // A sunken horizontal frame is drawn as the etched pair of a dark and a
    // light line.
    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(Twips::toRect(120, 2400, 5490, 30));

    QPushButton *sysInfo = button(QStringLiteral("cmdSysInfo"), QStringLiteral("&System Info"),
        Twips::toRect(2940, 2535, 1260, 345), this);
    QPushButton *ok = button(
        QStringLiteral("cmdOK"), QStringLiteral("OK"), Twips::toRect(4350, 2535, 1260, 345), this);
    ok->setDefault(true);
    // Escape rejects the dialog, which closes it just as OK does.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfo, &QPushButton::clicked, this,
        [this] { StartSysInfo(*m_registry, *m_launcher, this); });
    ok->setFocus();
}

#include "about/aboutbox.h"

#include "about/systeminformation.h"
#include "core/addresses.h"
#include "core/appcontext.h"
#include "core/version.h"
#include "core/windownames.h"
#include "engine/engineversion.h"
#include "system/programlauncher.h"
#include "system/systemregistry.h"
#include "ui/messagebox.h"
#include "ui/placement.h"
#include "ui/resources.h"
#include "ui/windowutils.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

QLabel *centredLabel(
    const char *objectName, const QString &text, const QRect &twips, QWidget *parent)
{
    auto *label = placeControl(new QLabel(text, parent), objectName, twips);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
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
    const QIcon icon = programIcon();
    setWindowIcon(icon);
    SetTopmost(this);
    setWindowTitle(tr("About %1").arg(applicationTitle()));
    setFont(windowFont());
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

QString AboutBox::descriptionText()
{
    return tr("Brimlow Wavecrest is a simple and easy to use web browser for everyone to use. "
              "This offers you an alternative to Internet Explorer and Netscape browsers. "
              "For updates visit: %1")
        .arg(QLatin1String(Addresses::MakerHomePage));
}

void AboutBox::createControls(const QIcon &icon)
{
    auto *picture = placeControl(new QLabel(this), "picIcon", {240, 240, 540, 540});
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(icon.pixmap(32, 32));
    picture->setAccessibleName(tr("Wavecrest logo"));

    QLabel *title = centredLabel("lblTitle", applicationTitle(), {1050, 120, 3885, 600}, this);
    title->setFont(arialFont(24, true));
    centredLabel("lblVersion", productVersionText(), {1050, 780, 3885, 255}, this);
    // How old the page engine is: what users and administrators judge its
    // safety by.
    QLabel *engine
        = centredLabel("lblEngineVersion", pageEngineVersionText(), {240, 1050, 5250, 210}, this);
    engine->setFont(arialFont(8, false));
    // Line breaking may split an address after any of its slashes; word
    // joiners keep the maker's address whole on a line of its own. Screen
    // readers get the text without them.
    QString shown = descriptionText();
    const QString address = QLatin1String(Addresses::MakerHomePage);
    shown.replace(address, QString(address).replace(u'/', QStringLiteral("/\u2060")));
    QLabel *description = centredLabel("lblDescription", shown, {240, 1320, 5250, 1035}, this);
    description->setWordWrap(true);
    description->setAccessibleName(descriptionText());

    // A sunken horizontal frame is drawn as the etched pair of a dark and a
    // light line.
    auto *line = placeControl(new QFrame(this), "Line1", {120, 2400, 5490, 30});
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto *sysInfo = placeControl(
        new QPushButton(tr("&System Info"), this), "cmdSysInfo", {2940, 2535, 1260, 345});
    auto *ok = placeControl(new QPushButton(tr("OK"), this), "cmdOK", {4350, 2535, 1260, 345});
    ok->setDefault(true);
    // Escape rejects the dialog, which closes it just as OK does.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfo, &QPushButton::clicked, this,
        [this] { StartSysInfo(*m_registry, *m_launcher, this); });
    ok->setFocus();
}

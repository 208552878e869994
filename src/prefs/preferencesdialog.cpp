#include "prefs/preferencesdialog.h"

#include "core/appcontext.h"
#include "core/mainwindowappearance.h"
#include "core/windownames.h"
#include "prefs/colorswatchbutton.h"
#include "settings/datadir.h"
#include "ui/colorvalue.h"
#include "ui/placement.h"
#include "ui/resources.h"
#include "ui/windowutils.h"

#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

// The row of the site permissions, in twips.
constexpr int SitePermissionsHeight = 660;

constexpr char PictureFilter[] = "All Image Files|*.bmp;*.gif;*.jpg|JPG Images|*.jpg|"
                                 "GIF Images|*.gif|BMP Images|*.bmp";

QGroupBox *frame(const char *name, const QString &caption, const QRect &twips, QWidget *parent)
{
    return placeControl(new QGroupBox(caption, parent), name, twips);
}

QPushButton *button(const char *name, const QString &caption, const QRect &twips, QWidget *parent)
{
    return placeControl(new QPushButton(caption, parent), name, twips);
}

void deleteFile(const AppContext &context, const char16_t *name)
{
    // A file that is not there is as good as deleted.
    QFile::remove(context.dataFile(QString::fromUtf16(name)));
}

} // namespace

PreferencesDialog::PreferencesDialog(AppContext &context)
    : QDialog(nullptr,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
            | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_context(context), m_colorChooser(nativeColorChooser()), m_fileChooser(nativeFileChooser()),
      m_colorValue(ColorValue::ButtonFace)
{
    setObjectName(QLatin1String(WindowNames::Preferences));
    setWindowTitle(tr("Wavecrest Preferences"));
    setFont(windowFont());
    setFixedSize(Twips::toPixels(4605), Twips::toPixels(2460 + SitePermissionsHeight));
    createControls();
    createButtons();
    setTabOrder();
    createSitePermissionControls();
    SetTopmost(this);
    loadFields();
    centerOnScreen(this);
    m_homePage->setFocus();
}

PreferencesDialog::~PreferencesDialog() = default;

void PreferencesDialog::createControls()
{
    QGroupBox *homePage = frame("Frame1", tr("Home Page"), {0, 0, 3492, 612}, this);
    m_homePage = placeControl(new QLineEdit(homePage), "Text1", {120, 240, 3252, 288});

    QGroupBox *color = frame("Frame2", tr("Wavecrest Color"), {0, 600, 3492, 612}, this);
    m_swatch = placeControl(new QFrame(color), "Shape1", {120, 240, 3252, 252});
    m_swatch->setFrameShape(QFrame::Box);
    m_swatch->setAutoFillBackground(true);
    // An empty picture over the swatch takes its clicks, so the swatch itself
    // only ever shows the colour.
    m_swatchClickArea = placeControl(new ColorSwatchButton(color), "Image1", {120, 240, 3252, 252});

    QGroupBox *history = frame("Frame3", tr("History"), {0, 1800, 3492, 612}, this);
    m_clearHistory = button("Command3", tr("Clear Address Bar"), {120, 240, 1692, 252}, history);
    m_clearFavourites = button("Command4", tr("Clear Favorites"), {1920, 240, 1452, 252}, history);

    QGroupBox *picture = frame("Frame4", tr("Background Image"), {0, 1200, 3492, 612}, this);
    m_picturePath = placeControl(new QLineEdit(picture), "Text2", {120, 240, 2532, 276});
    m_getPicture = button("Command5", tr("Get"), {2760, 240, 612, 252}, picture);

    m_icon = placeControl(new QLabel(this), "Image2", {3720, 1680, 732, 612});
    m_icon->setAlignment(Qt::AlignCenter);
    m_icon->setAccessibleName(tr("Wavecrest logo"));
}

void PreferencesDialog::createButtons()
{
    m_ok = button("Command1", tr("OK"), {3600, 120, 972, 372}, this);
    m_ok->setDefault(true);
    m_cancel = button("Command2", tr("Cancel"), {3600, 600, 972, 372}, this);
    m_apply = button("Command6", tr("Apply"), {3600, 1080, 972, 372}, this);

    connect(m_ok, &QPushButton::clicked, this, &PreferencesDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, &PreferencesDialog::apply);
    connect(m_getPicture, &QPushButton::clicked, this, &PreferencesDialog::choosePicture);
    connect(m_clearHistory, &QPushButton::clicked, this, &PreferencesDialog::clearAddressHistory);
    connect(m_clearFavourites, &QPushButton::clicked, this, &PreferencesDialog::clearFavourites);
    connect(m_swatchClickArea, &ColorSwatchButton::clicked, this, &PreferencesDialog::chooseColor);
    // Any edit, also one made by a confirmed picker, is something to apply.
    connect(m_homePage, &QLineEdit::textChanged, m_apply, [this] { m_apply->setEnabled(true); });
    connect(m_picturePath, &QLineEdit::textChanged, m_apply, [this] { m_apply->setEnabled(true); });
}

void PreferencesDialog::setTabOrder()
{
    QWidget *const order[] = {m_homePage, m_swatchClickArea, m_ok, m_cancel, m_clearHistory,
        m_clearFavourites, m_picturePath, m_getPicture, m_apply};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void PreferencesDialog::loadFields()
{
    m_homePage->setText(m_context.setting(SettingsKey::HomePage));
    showColor(m_context.mainWindowAppearance().colorValue());
    m_picturePath->setText(m_context.setting(SettingsKey::Background));
    m_icon->setPixmap(programIcon().pixmap(32, 32));
    // Filling the fields counted as edits; at opening there is nothing to apply.
    m_apply->setEnabled(false);
}

void PreferencesDialog::showColor(qint32 value)
{
    m_colorValue = value;
    QPalette palette = m_swatch->palette();
    palette.setColor(QPalette::Window, ColorValue::toColor(value));
    m_swatch->setPalette(palette);
    m_swatchClickArea->setColor(ColorValue::toColor(value));
}

void PreferencesDialog::chooseColor()
{
    // The chooser may answer after this dialog has gone.
    QPointer<PreferencesDialog> self(this);
    m_colorChooser(this, ColorValue::toColor(m_colorValue), [self](const QColor &color) {
        if (!self)
            return;
        self->showColor(ColorValue::fromColor(color));
        self->m_apply->setEnabled(true);
    });
}

void PreferencesDialog::choosePicture()
{
    QPointer<PreferencesDialog> self(this);
    m_fileChooser(
        this, nameFiltersFromPairs(QLatin1String(PictureFilter)), [self](const QString &path) {
            if (!self)
                return;
            self->m_picturePath->setText(path);
            self->m_apply->setEnabled(true);
        });
}

void PreferencesDialog::apply()
{
    m_context.writeSetting(SettingsKey::HomePage, m_homePage->text());
    m_context.writeSetting(SettingsKey::Background, m_picturePath->text());
    MainWindowAppearance &appearance = m_context.mainWindowAppearance();
    appearance.setColorValue(m_colorValue);
    appearance.setBackgroundPicture(m_picturePath->text());
}

void PreferencesDialog::confirm()
{
    apply();
    accept();
}

void PreferencesDialog::clearAddressHistory()
{
    deleteFile(m_context, DataFiles::AddressHistory);
    m_context.mainWindowAppearance().requestClearHistory();
}

// Below the dialog's first design, so that it keeps its places.
void PreferencesDialog::createSitePermissionControls()
{
    QGroupBox *permissions
        = frame("fraSitePermissions", tr("Site Permissions"), {0, 2400, 3492, 612}, this);
    m_clearPermissions = button("cmdClearSitePermissions", tr("Clear Site Permissions"),
        {120, 240, 2532, 252}, permissions);
    m_clearPermissions->setToolTip(
        tr("Forget what sites were allowed or blocked (location, camera, notifications, ...)"));
    m_clearPermissions->setEnabled(!m_context.sitePermissions().isEmpty());
    QWidget::setTabOrder(m_apply, m_clearPermissions);
    connect(m_clearPermissions, &QPushButton::clicked, this, [this] {
        m_context.sitePermissions().clear();
        m_clearPermissions->setEnabled(false);
    });
}

void PreferencesDialog::clearFavourites()
{
    deleteFile(m_context, DataFiles::FavouriteTitles);
    deleteFile(m_context, DataFiles::FavouriteAddresses);
    m_context.mainWindowAppearance().requestClearFavourites();
}

void PreferencesDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape does not cancel this dialog; only the Cancel button does.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

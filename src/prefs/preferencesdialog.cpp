#include "settings/preferencesdialog.h"

#include "app/appcontext.h"
#include "app/windownames.h"
#include "browser/browserwindow.h"
#include "platform/colorvalue.h"
#include "platform/twips.h"
#include "platform/windowutils.h"
#include "settings/datadir.h"
#include "settings/profile.h"

#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr char PictureFilter[] = "All Image Files|*.bmp;*.gif;*.jpg|JPG Images|*.jpg|"
                                 "GIF Images|*.gif|BMP Images|*.bmp";

QGroupBox *frame(const char *name, const char *caption, const QRect &geometry, QWidget *parent)
{
    auto *box = new QGroupBox(QLatin1String(caption), parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    return box;
}

QPushButton *button(const char *name, const char *caption, const QRect &geometry, QWidget *parent)
{
    auto *result = new QPushButton(QLatin1String(caption), parent);
    result->setObjectName(QLatin1String(name));
    result->setGeometry(geometry);
    return result;
}

QLineEdit *textBox(const char *name, const QRect &geometry, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(geometry);
    return edit;
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
    setWindowTitle(QStringLiteral("Wavecrest Preferences"));
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    setFixedSize(Twips::toPixels(4605), Twips::toPixels(2460));
    createControls();
    createButtons();
    setTabOrder();
    SetTopmost(this);
    loadFields();
    centerOnScreen(this);
    m_homePage->setFocus();
}

PreferencesDialog::~PreferencesDialog() = default;

void PreferencesDialog::createControls()
{
    QGroupBox *homePage = frame("Frame1", "Home Page", Twips::toRect(0, 0, 3492, 612), this);
    m_homePage = textBox("Text1", Twips::toRect(120, 240, 3252, 288), homePage);

    QGroupBox *color = frame("Frame2", "Wavecrest Color", Twips::toRect(0, 600, 3492, 612), this);
    m_swatch = new QFrame(color);
    m_swatch->setObjectName(QStringLiteral("Shape1"));
    m_swatch->setGeometry(Twips::toRect(120, 240, 3252, 252));
    m_swatch->setFrameShape(QFrame::Box);
    m_swatch->setAutoFillBackground(true);
    // An empty picture over the swatch takes its clicks, so the swatch itself
    // only ever shows the colour.
    m_swatchClickArea = new QLabel(color);
    m_swatchClickArea->setObjectName(QStringLiteral("Image1"));
    m_swatchClickArea->setGeometry(m_swatch->geometry());
    m_swatchClickArea->installEventFilter(this);

    QGroupBox *history = frame("Frame3", "History", Twips::toRect(0, 1800, 3492, 612), this);
    m_clearHistory
        = button("Command3", "Clear Address Bar", Twips::toRect(120, 240, 1692, 252), history);
    m_clearFavourites
        = button("Command4", "Clear Favorites", Twips::toRect(1920, 240, 1452, 252), history);

    QGroupBox *picture
        = frame("Frame4", "Background Image", Twips::toRect(0, 1200, 3492, 612), this);
    m_picturePath = textBox("Text2", Twips::toRect(120, 240, 2532, 276), picture);
    m_getPicture = button("Command5", "Get", Twips::toRect(2760, 240, 612, 252), picture);

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("Image2"));
    m_icon->setGeometry(Twips::toRect(3720, 1680, 732, 612));
    m_icon->setAlignment(Qt::AlignCenter);
}

void PreferencesDialog::createButtons()
{
    m_ok = button("Command1", "OK", Twips::toRect(3600, 120, 972, 372), this);
    m_ok->setDefault(true);
    m_cancel = button("Command2", "Cancel", Twips::toRect(3600, 600, 972, 372), this);
    m_apply = button("Command6", "Apply", Twips::toRect(3600, 1080, 972, 372), this);

    connect(m_ok, &QPushButton::clicked, this, &PreferencesDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, &PreferencesDialog::apply);
    connect(m_getPicture, &QPushButton::clicked, this, &PreferencesDialog::choosePicture);
    connect(m_clearHistory, &QPushButton::clicked, this, &PreferencesDialog::clearAddressHistory);
    connect(m_clearFavourites, &QPushButton::clicked, this, &PreferencesDialog::clearFavourites);
    // Any edit, also one made by a confirmed picker, is something to apply.
    connect(m_homePage, &QLineEdit::textChanged, m_apply, [this] { m_apply->setEnabled(true); });
    connect(m_picturePath, &QLineEdit::textChanged, m_apply, [this] { m_apply->setEnabled(true); });
}

void PreferencesDialog::setTabOrder()
{
    QWidget *const order[] = {m_homePage, m_ok, m_cancel, m_clearHistory, m_clearFavourites,
        m_picturePath, m_getPicture, m_apply};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void PreferencesDialog::loadFields()
{
    m_homePage->setText(m_context.setting(QString::fromUtf16(SettingsKeys::HomePage)));
    BrowserWindow *main = mainWindow();
    showColor(main ? main->backgroundColorValue() : ColorValue::ButtonFace);
    m_picturePath->setText(m_context.setting(QString::fromUtf16(SettingsKeys::Background)));
    if (main)
        m_icon->setPixmap(main->windowIcon().pixmap(32, 32));
    // Filling the fields counted as edits; at opening there is nothing to apply.
    m_apply->setEnabled(false);
}

void PreferencesDialog::showColor(qint32 value)
{
    m_colorValue = value;
    QPalette palette = m_swatch->palette();
    palette.setColor(QPalette::Window, ColorValue::toColor(value));
    m_swatch->setPalette(palette);
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
    m_context.writeSetting(QString::fromUtf16(SettingsKeys::HomePage), m_homePage->text());
    m_context.writeSetting(QString::fromUtf16(SettingsKeys::Background), m_picturePath->text());
    if (BrowserWindow *main = mainWindow()) {
        main->setBackgroundColorValue(m_colorValue);
        main->setBackgroundPicture(m_picturePath->text());
    }
}

void PreferencesDialog::confirm()
{
    apply();
    accept();
}

void PreferencesDialog::clearAddressHistory()
{
    deleteFile(m_context, DataFiles::AddressHistory);
    if (BrowserWindow *main = mainWindow())
        main->clearAddressHistory();
}

void PreferencesDialog::clearFavourites()
{
    deleteFile(m_context, DataFiles::FavouriteTitles);
    deleteFile(m_context, DataFiles::FavouriteAddresses);
    if (BrowserWindow *main = mainWindow())
        main->clearFavourites();
}

BrowserWindow *PreferencesDialog::mainWindow() const
{
    return m_context.windows().find<BrowserWindow>(QLatin1String(WindowNames::Main));
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

bool PreferencesDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_swatchClickArea && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton
            && m_swatchClickArea->rect().contains(mouse->position().toPoint())) {
            chooseColor();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

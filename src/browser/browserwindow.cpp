#include "browser/browserwindow.h"

#include "browser/addressbar.h"
#include "browser/browserstatusbar.h"
#include "browser/clientarea.h"
#include "browser/favouritesmodel.h"
#include "browser/translation.h"
#include "core/addresses.h"
#include "core/appcontext.h"
#include "core/windownames.h"
#include "platform/browserengine.h"
#include "platform/colorvalue.h"
#include "platform/messagebox.h"
#include "platform/resources.h"
#include "platform/twips.h"
#include "settings/datadir.h"
#include "settings/listfile.h"
#include "settings/profile.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>

namespace {

constexpr char CaptionSuffix[] = " - Brimlow Wavecrest";
constexpr char DefaultCaption[] = "Brimlow Wavecrest";
constexpr char FavouritesTitlePrompt[] = "                          === Favorites ===";
constexpr char FavouritesAddressPrompt[] = "=== Favorites ===";
constexpr char OpenFileFilter[]
    = "Image Files |*.jpg;*.bmp;*.gif;*.ico;*.wmf|HTML Files (*.htm, *.html)|*.html;*.htm|"
      "Text  Files|*.txt;*.ini;*.nfo;*.diz|All Files|*.*";

// The client area laid down at design time, in twips.
constexpr int DesignClientWidth = 10350;
constexpr int DesignClientHeight = 8145;

// The desktop theme's icon, or our bundled one of the same name.
QIcon themedIcon(const char *name)
{
    const QString themeName = QLatin1String(name);
    return QIcon::fromTheme(
        themeName, QIcon(QLatin1String(":/icons/") + themeName + QLatin1String(".svg")));
}

QPushButton *pictureButton(
    QWidget *parent, const char *name, const char *toolTip, const QIcon &icon, const QRect &twips)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(QLatin1String(toolTip));
    button->setIcon(icon);
    button->setIconSize(QSize(22, 22));
    button->setGeometry(Twips::toRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return button;
}

QAction *menuItem(QMenu *menu, const char *name, const char *caption,
    const QKeySequence &shortcut = QKeySequence())
{
    QAction *action = menu->addAction(QLatin1String(caption));
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

void separator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

QMenu *topMenu(QMenuBar *bar, const char *name, const char *caption)
{
    QMenu *menu = bar->addMenu(QLatin1String(caption));
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

} // namespace

BrowserWindow::BrowserWindow(AppContext &context, Role role, QWidget *parent)
    : QMainWindow(parent), m_context(context), m_role(role), m_colorValue(ColorValue::ButtonFace),
      m_fileChooser(nativeFileChooser())
{
    setObjectName(QLatin1String(role == Role::Main ? WindowNames::Main : WindowNames::Secondary));
    setWindowTitle(QLatin1String(DefaultCaption));
    setWindowIcon(programIcon());
    createControls();
    createMenus();
    setTabOrder();
    connectEngine();
    updateBackground();
    if (m_role == Role::Main)
        followMainWindowAppearance();
    resize(Twips::toPixels(DesignClientWidth),
        Twips::toPixels(DesignClientHeight) + menuBar()->sizeHint().height());
    m_addressBar->setFocus();
}

BrowserWindow::~BrowserWindow() = default;

void BrowserWindow::createControls()
{
    m_client = new ClientArea(this);
    m_client->setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    setCentralWidget(m_client);
    connect(m_client, &ClientArea::resized, this, &BrowserWindow::relayout);

    // Created first so that it lies beneath every other control.
    m_backgroundHolder = new QLabel(m_client);
    m_backgroundHolder->setObjectName(QStringLiteral("Image1"));
    m_backgroundHolder->setGeometry(Twips::toRect(0, -120, 1575, 1095));
    m_backgroundHolder->setAttribute(Qt::WA_TransparentForMouseEvents);

    createButtonRow();

    m_addressBar = new AddressBar(m_client);
    m_addressBar->setObjectName(QStringLiteral("Combo1"));
    m_addressBar->setEditText(m_role == Role::Main ? QStringLiteral("Combo1") : QString());
    connect(m_addressBar, &AddressBar::enterPressed, this, &BrowserWindow::enterAddress);

    m_engine = m_context.createEngine(m_client);
    m_engine->view()->setObjectName(QStringLiteral("Browser1"));

    m_titleHolder = new QLabel(QStringLiteral("Label1"), m_client);
    m_titleHolder->setObjectName(QStringLiteral("Label1"));
    m_titleHolder->setGeometry(Twips::toRect(8160, 600, 615, 375));
    m_titleHolder->hide();

    m_statusBar = new BrowserStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(m_statusBar);

    m_layout.addressWidth = m_role == Role::Main ? 10215 : 10212;
    applyLayout(m_layout);
}

void BrowserWindow::createButtonRow()
{
    m_back = pictureButton(
        m_client, "Command1", "Go Back", themedIcon("go-previous"), {120, 120, 495, 495});
    m_forward = pictureButton(
        m_client, "Command2", "Go Forward", themedIcon("go-next"), {720, 120, 615, 495});
    m_stop = pictureButton(
        m_client, "Command3", "Stop", themedIcon("process-stop"), {1440, 120, 615, 495});
    m_reload = pictureButton(
        m_client, "Command4", "Reload", themedIcon("view-refresh"), {2160, 120, 615, 495});
    m_home = pictureButton(
        m_client, "Command5", "Go Home", themedIcon("go-home"), {2880, 120, 615, 495});
    m_sendMail = pictureButton(
        m_client, "Command6", "Send Email", themedIcon("mail-send"), {3600, 120, 615, 495});
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    m_stop->setEnabled(false);
    connect(m_back, &QPushButton::clicked, this, &BrowserWindow::goBack);
    connect(m_forward, &QPushButton::clicked, this, &BrowserWindow::goForward);
    connect(m_stop, &QPushButton::clicked, this, &BrowserWindow::stop);
    connect(m_reload, &QPushButton::clicked, this, &BrowserWindow::reload);
    connect(m_home, &QPushButton::clicked, this, &BrowserWindow::goHome);
    connect(m_sendMail, &QPushButton::clicked, this, [this] { openWindow(WindowNames::SendMail); });
    // Any mouse button released over it opens the mail window, not only the left.
    m_sendMail->installEventFilter(this);

    m_favourites = new FavouritesModel(this);
    m_favouriteTitles = new QComboBox(m_client);
    m_favouriteTitles->setObjectName(QStringLiteral("Combo2"));
    m_favouriteTitles->setToolTip(QStringLiteral("Favorites"));
    m_favouriteTitles->setModel(m_favourites);
    m_favouriteTitles->setModelColumn(FavouritesModel::TitleColumn);
    m_favouriteTitles->setPlaceholderText(QLatin1String(FavouritesTitlePrompt));
    m_favouriteTitles->setCurrentIndex(-1);
    m_favouriteTitles->setGeometry(Twips::toRect(4320, 240, 4212, 345));
    connect(m_favouriteTitles, &QComboBox::activated, this, &BrowserWindow::chooseFavourite);

    m_favouriteAddresses = new QComboBox(m_client);
    m_favouriteAddresses->setObjectName(QStringLiteral("Combo3"));
    m_favouriteAddresses->setModel(m_favourites);
    m_favouriteAddresses->setModelColumn(FavouritesModel::AddressColumn);
    m_favouriteAddresses->setPlaceholderText(QLatin1String(FavouritesAddressPrompt));
    m_favouriteAddresses->setCurrentIndex(-1);
    m_favouriteAddresses->setGeometry(Twips::toRect(5640, 600, 2412, 345));
    m_favouriteAddresses->hide();

    m_favouriteGo = new QPushButton(QStringLiteral("Go"), m_client);
    m_favouriteGo->setObjectName(QStringLiteral("Command8"));
    m_favouriteGo->setToolTip(QStringLiteral("Go To This Favorite"));
    m_favouriteGo->setGeometry(Twips::toRect(8640, 240, 372, 252));
    connect(m_favouriteGo, &QPushButton::clicked, this, &BrowserWindow::goToFavourite);

    m_favouriteRemove = new QPushButton(QStringLiteral("---"), m_client);
    m_favouriteRemove->setObjectName(QStringLiteral("Command7"));
    m_favouriteRemove->setToolTip(QStringLiteral("Remove From Favorites"));
    m_favouriteRemove->setGeometry(Twips::toRect(9000, 240, 372, 252));
    connect(m_favouriteRemove, &QPushButton::clicked, this, &BrowserWindow::removeFavourite);

    m_logo = new QLabel(m_client);
    m_logo->setObjectName(QStringLiteral("Picture1"));
    m_logo->setToolTip(QStringLiteral("Click Here To Go To Brimlow's Webpage"));
    m_logo->setGeometry(Twips::toRect(9720, 120, 492, 492));
    m_logo->setPixmap(windowIcon().pixmap(m_logo->size()));
    m_logo->setCursor(Qt::PointingHandCursor);
    m_logo->setFocusPolicy(Qt::StrongFocus);
    m_logo->installEventFilter(this);
}

void BrowserWindow::createMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *file = topMenu(bar, "mnuFile", "&File");
    connect(menuItem(file, "mnuFileOpen", "&Open File", QKeySequence(QStringLiteral("Ctrl+O"))),
        &QAction::triggered, this, &BrowserWindow::openFile);
    separator(file, "mnuFileLine");
    connect(
        menuItem(file, "mnuFileExit", "&Exit"), &QAction::triggered, this, &BrowserWindow::close);

    QMenu *edit = topMenu(bar, "mnuEdit", "&Edit");
    connect(menuItem(edit, "mnuEditPrefs", "&Preferences", QKeySequence(QStringLiteral("Ctrl+P"))),
        &QAction::triggered, this, [this] { openWindow(WindowNames::Preferences); });
    if (m_role == Role::Main) {
        m_allowPopUps = menuItem(edit, "mnuEditAllowPopUps", "Allow Pop Ups");
        m_allowPopUps->setCheckable(true);
        m_allowPopUps->setChecked(true);
    }

    createGoMenu();
    createTranslateMenu();

    QMenu *favourites = topMenu(bar, "mnuFavorites", "F&avorites");
    connect(menuItem(favourites, "mnuFavoritesAdd", "&Add To Favorites...",
                QKeySequence(QStringLiteral("Ctrl+D"))),
        &QAction::triggered, this, &BrowserWindow::addFavourite);

    QMenu *help = topMenu(bar, "mnuHelp", "&Help");
    connect(menuItem(help, "mnuHelpWebpage", "Wavecrest Webpage"), &QAction::triggered, this,
        [this] { m_engine->Navigate(QLatin1String(Addresses::MakerHomePage)); });
    separator(help, "mnuHelpLine");
    connect(menuItem(help, "mnuAbout", "&About Wavecrest...", QKeySequence(Qt::Key_F1)),
        &QAction::triggered, this, [this] { openWindow(WindowNames::About); });
    separator(help, "mnuHelpLine2");
    connect(menuItem(help, "mnuHelpComments", "Send Us Comments and Suggestions"),
        &QAction::triggered, this, [this] { openWindow(WindowNames::Comments); });
}

void BrowserWindow::createGoMenu()
{
    QMenu *go = topMenu(menuBar(), "mnuGo", "&Go");
    connect(menuItem(go, "mnuGoBack", "&Back     ", QKeySequence(QStringLiteral("Ctrl+B"))),
        &QAction::triggered, this, &BrowserWindow::goBack);
    connect(menuItem(go, "mnuGoForward", "&Forward     ", QKeySequence(QStringLiteral("Ctrl+F"))),
        &QAction::triggered, this, &BrowserWindow::goForward);
    connect(menuItem(go, "mnuGoHome", "&Home     ", QKeySequence(QStringLiteral("Ctrl+H"))),
        &QAction::triggered, this, &BrowserWindow::goHome);
    connect(menuItem(go, "mnuGoStop", "&Stop     ", QKeySequence(QStringLiteral("Ctrl+S"))),
        &QAction::triggered, this, &BrowserWindow::stop);
    connect(menuItem(go, "mnuRefresh", "&Refresh     ", QKeySequence(QStringLiteral("Ctrl+R"))),
        &QAction::triggered, this, &BrowserWindow::reload);
    separator(go, "mnuGoLine");
    connect(menuItem(go, "mnuGoEmail", "Send Email"), &QAction::triggered, this,
        [this] { openWindow(WindowNames::SendMail); });
    connect(menuItem(go, "mnuGoWebServer", "Run Web Server"), &QAction::triggered, this,
        [this] { openWindow(WindowNames::WebServer); });
}

void BrowserWindow::createTranslateMenu()
{
    QMenu *menu = topMenu(menuBar(), "mnuTranslate", "&Translate");
    for (const TranslationItem &item : translationItems()) {
        if (*item.pair == '\0') {
            separator(menu, item.objectName);
            continue;
        }
        const QString pair = QLatin1String(item.pair);
        connect(menuItem(menu, item.objectName, item.caption), &QAction::triggered, this,
            [this, pair] { translate(pair); });
    }
}

void BrowserWindow::setTabOrder()
{
    const QList<QWidget *> order
        = {m_addressBar, m_engine->view(), m_back, m_forward, m_stop, m_reload, m_home, m_logo,
            m_favouriteRemove, m_favouriteGo, m_favouriteTitles, m_statusBar, m_sendMail};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
}

void BrowserWindow::connectEngine()
{
    BrowserEngine *engine = m_engine;
    connect(engine, &BrowserEngine::StatusTextChange, this,
        [this](const QString &text) { m_statusBar->setPanelText(1, text); });
    connect(engine, &BrowserEngine::ProgressChange, this, &BrowserWindow::showProgress);
    connect(engine, &BrowserEngine::DownloadBegin, this, [this] {
        m_statusBar->setPanelText(1, QStringLiteral("Contacting host..."));
        m_back->setEnabled(true);
        m_stop->setEnabled(true);
    });
    connect(engine, &BrowserEngine::NavigateComplete2, this, [this] {
        m_statusBar->setPanelText(1, QStringLiteral("Receiving data..."));
        m_addressBar->setEditText(m_engine->LocationURL());
    });
    connect(engine, &BrowserEngine::TitleChange, this, [this](const QString &text) {
        setWindowTitle(text + QLatin1String(CaptionSuffix));
        m_titleHolder->setText(text);
    });
    connect(engine, &BrowserEngine::DownloadComplete, this, [this] {
        m_statusBar->setPanelText(1, QStringLiteral("Done."));
        m_stop->setEnabled(false);
    });
    connect(engine, &BrowserEngine::NewWindow2, this, &BrowserWindow::handleNewWindow);
}

void BrowserWindow::showProgress(int progress, int progressMax)
{
    const QString text
        = QString::number(progress) + QLatin1String("  of  ") + QString::number(progressMax);
    // The secondary window shows its progress beside the load state.
    if (m_role == Role::Main)
        m_statusBar->setPanelText(2, text);
    else
        m_statusBar->setPanelText(1, QLatin1String("Contacting host... ") + text);
}

void BrowserWindow::handleNewWindow(NewWindowRequest *request)
{
    if (m_role == Role::Secondary) {
        request->target = m_engine;
        return;
    }
    if (!popUpsAllowed())
        return;
    auto *secondary = qobject_cast<BrowserWindow *>(
        m_context.windows().instance(QLatin1String(WindowNames::Secondary)));
    if (!secondary)
        return;
    request->target = secondary->engine();
    m_context.windows().open(QLatin1String(WindowNames::Secondary));
}

bool BrowserWindow::popUpsAllowed() const
{
    return m_allowPopUps && m_allowPopUps->isChecked();
}

QString BrowserWindow::dataFile(const char16_t *name) const
{
    return m_context.dataFile(QString::fromUtf16(name));
}

void BrowserWindow::loadFromSettings(const QString &startAddress)
{
    qint32 color = 0;
    if (ColorValue::parse(m_context.setting(QString::fromUtf16(SettingsKeys::Color)), &color))
        setBackgroundColorValue(color);
    m_engine->Navigate(startAddress.isEmpty()
            ? m_context.setting(QString::fromUtf16(SettingsKeys::HomePage))
            : startAddress);
    setBackgroundPicture(m_context.setting(QString::fromUtf16(SettingsKeys::Background)));

    QStringList titles;
    LoadList(&titles, dataFile(DataFiles::FavouriteTitles));
    QStringList history = m_addressBar->entries();
    LoadList(&history, dataFile(DataFiles::AddressHistory));
    m_addressBar->setEntries(history);
    QStringList addresses;
    LoadList(&addresses, dataFile(DataFiles::FavouriteAddresses));
    m_favourites->setFromLists(
        m_favourites->titles() + titles, m_favourites->addresses() + addresses);
    clearFavouriteChoice();

    if (m_role == Role::Secondary && !isMinimized()) {
        // Not shown yet: lay the client area out first, so the rule sees the
        // window's real size.
        layout()->activate();
        relayout();
        resize(Twips::toPixels(m_layout.browserWidth), Twips::toPixels(m_layout.browserHeight));
    }
}

void BrowserWindow::saveToSettings()
{
    m_context.writeSetting(
        QString::fromUtf16(SettingsKeys::Color), ColorValue::format(m_colorValue));
    saveList(m_favourites->titles(), DataFiles::FavouriteTitles);
    saveList(m_addressBar->entries(), DataFiles::AddressHistory);
    saveList(m_favourites->addresses(), DataFiles::FavouriteAddresses);
}

// A list that cannot be saved is reported, and the save goes on with the next.
void BrowserWindow::saveList(const QStringList &entries, const char16_t *fileName)
{
    QString error;
    if (!SaveList(entries, dataFile(fileName), &error))
        showMessageBox(this, error);
}

// The main window's look is kept in the shared appearance, which others may
// change too; the window follows it in followAppearance().
void BrowserWindow::setBackgroundColorValue(qint32 value)
{
    if (m_role == Role::Main)
        m_context.mainWindowAppearance().setColorValue(value);
    else
        applyBackgroundColor(value);
}

bool BrowserWindow::setBackgroundPicture(const QString &path)
{
    if (m_role == Role::Main)
        m_context.mainWindowAppearance().setBackgroundPicture(path);
    else
        loadBackgroundPicture(path);
    return !m_backgroundPicture.isNull();
}

void BrowserWindow::followAppearance()
{
    const MainWindowAppearance &appearance = m_context.mainWindowAppearance();
    applyBackgroundColor(appearance.colorValue());
    loadBackgroundPicture(appearance.backgroundPicture());
}

void BrowserWindow::applyBackgroundColor(qint32 value)
{
    m_colorValue = value;
    updateBackground();
}

void BrowserWindow::loadBackgroundPicture(const QString &path)
{
    m_backgroundPicture = QPixmap();
    if (!path.isEmpty())
        m_backgroundPicture.load(path);
    if (m_backgroundPicture.width() <= 0 || m_backgroundPicture.height() <= 0)
        m_backgroundPicture = QPixmap();
    updateBackground();
}

void BrowserWindow::updateBackground()
{
    const QColor color = ColorValue::toColor(m_colorValue);
    m_client->setBackground(color, m_backgroundPicture);
    m_backgroundHolder->setPixmap(m_backgroundPicture);
    if (!m_backgroundPicture.isNull())
        m_backgroundHolder->resize(m_backgroundPicture.deviceIndependentSize().toSize());
}

void BrowserWindow::followMainWindowAppearance()
{
    MainWindowAppearance &appearance = m_context.mainWindowAppearance();
    // A main window made again (tests do) starts from the default look.
    appearance.setColorValue(m_colorValue);
    connect(&appearance, &MainWindowAppearance::changed, this, &BrowserWindow::followAppearance);
    connect(&appearance, &MainWindowAppearance::clearHistoryRequested, this,
        &BrowserWindow::clearAddressHistory);
    connect(&appearance, &MainWindowAppearance::clearFavouritesRequested, this,
        &BrowserWindow::clearFavourites);
}

void BrowserWindow::clearAddressHistory()
{
    m_addressBar->setEntries({});
    m_addressBar->setEditText(QString());
}

void BrowserWindow::clearFavourites()
{
    m_favourites->clear();
    clearFavouriteChoice();
}

// Nothing is chosen until the user picks a title; Qt would otherwise pick the
// first one whenever the list is refilled.
void BrowserWindow::clearFavouriteChoice()
{
    m_favouriteTitles->setCurrentIndex(-1);
    m_favouriteAddresses->setCurrentIndex(-1);
}

void BrowserWindow::goBack()
{
    m_engine->GoBack();
    m_forward->setEnabled(true);
}

void BrowserWindow::goForward()
{
    m_engine->GoForward();
}

void BrowserWindow::stop()
{
    m_engine->Stop();
    m_stop->setEnabled(false);
}

void BrowserWindow::reload()
{
    m_engine->Refresh();
}

void BrowserWindow::goHome()
{
    // Read at every use, so a home page saved in Preferences counts at once.
    m_engine->Navigate(m_context.setting(QString::fromUtf16(SettingsKeys::HomePage)));
}

void BrowserWindow::openWindow(const char *name)
{
    m_context.windows().open(QLatin1String(name));
}

void BrowserWindow::enterAddress()
{
    const QString text = m_addressBar->currentText();
    m_addressBar->appendEntry(text);
    if (text.isEmpty())
        return;
    m_engine->Navigate(text);
    QWidget *view = m_engine->view();
    if (view->isHidden()) {
        view->show();
        m_addressBar->appendEntry(text);
    }
}

void BrowserWindow::translate(const QString &languagePair)
{
    const QString request = translationRequestAddress(m_addressBar->currentText(), languagePair);
    m_addressBar->setEditText(request);
    m_engine->Navigate(request);
}

void BrowserWindow::openFile()
{
    QPointer<BrowserWindow> self(this);
    m_fileChooser(
        this, nameFiltersFromPairs(QLatin1String(OpenFileFilter)), [self](const QString &path) {
            if (self)
                self->m_engine->Navigate(path);
        });
}

void BrowserWindow::chooseFavourite(int row)
{
    m_favouriteAddresses->setCurrentIndex(row < m_favourites->rowCount() ? row : -1);
}

void BrowserWindow::goToFavourite()
{
    const int row = m_favouriteAddresses->currentIndex();
    if (row < 0)
        return;
    m_engine->Navigate(m_favourites->at(row).address);
    m_stop->setEnabled(true);
}

void BrowserWindow::addFavourite()
{
    const FavouritesModel::Favourite favourite{m_titleHolder->text(), m_engine->LocationURL()};
    m_favourites->insertFavourite(m_favouriteTitles->currentIndex() + 1, favourite);
}

void BrowserWindow::removeFavourite()
{
    const int row = m_favouriteTitles->currentIndex();
    if (m_favourites->removeFavourite(row))
        clearFavouriteChoice();
}

void BrowserWindow::relayout()
{
    if (isMinimized())
        return;
    const int clientWidth = Twips::fromPixels(m_client->width());
    const int statusBarTop = Twips::fromPixels(m_client->height());
    applyLayout(resizedLayout(m_layout, clientWidth, statusBarTop));
}

void BrowserWindow::applyLayout(const BrowserLayout &layout)
{
    m_layout = layout;
    m_addressBar->setGeometry(Twips::toPixels(layout.addressLeft), Twips::toPixels(720),
        Twips::toPixels(layout.addressWidth), m_addressBar->sizeHint().height());
    m_engine->view()->setGeometry(Twips::toPixels(layout.browserLeft),
        Twips::toPixels(BrowserLayout::BrowserTop), Twips::toPixels(layout.browserWidth),
        Twips::toPixels(layout.browserHeight));
    m_logo->move(Twips::toPixels(layout.logoLeft), m_logo->y());
}

void BrowserWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Restoring a minimised window lays it out for the size it has now.
    if (event->type() == QEvent::WindowStateChange)
        relayout();
}

void BrowserWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_role != Role::Main)
        return;
    saveToSettings();
    // A failed save shows its box; the program ends once the user has read it.
    whenNoMessageBoxOpen(this, [this] { Q_EMIT shutdownComplete(); });
}

bool BrowserWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        auto *widget = static_cast<QWidget *>(watched);
        const bool inside = widget->rect().contains(mouse->position().toPoint());
        if (watched == m_sendMail && inside && mouse->button() != Qt::LeftButton)
            openWindow(WindowNames::SendMail);
        else if (watched == m_logo && inside && mouse->button() == Qt::LeftButton)
            m_engine->Navigate(QLatin1String(Addresses::MakerHomePage));
    }
    return QMainWindow::eventFilter(watched, event);
}

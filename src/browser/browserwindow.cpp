#include "browser/browserwindow.h"

#include "browser/addressbar.h"
#include "browser/browsermenubar.h"
#include "browser/browserstatusbar.h"
#include "browser/clientarea.h"
#include "browser/favouritesstrip.h"
#include "browser/logobutton.h"
#include "browser/pagezoom.h"
#include "browser/translation.h"
#include "core/addresses.h"
#include "core/appcontext.h"
#include "core/windownames.h"
#include "platform/browserengine.h"
#include "platform/colorvalue.h"
#include "platform/messagebox.h"
#include "platform/placement.h"
#include "platform/resources.h"
#include "platform/twips.h"
#include "settings/datadir.h"
#include "settings/listfile.h"
#include "settings/profile.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>

namespace {

constexpr char BlankPage[] = "about:blank";

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

QPushButton *pictureButton(QWidget *parent, const char *name, const QString &toolTip,
    const char *iconName, const QRect &twips)
{
    auto *button = placeControl(new QPushButton(parent), name, twips);
    button->setToolTip(toolTip);
    // A screen reader would otherwise say only "push button".
    button->setAccessibleName(toolTip);
    button->setIcon(themedIcon(iconName));
    button->setIconSize(QSize(22, 22));
    return button;
}

} // namespace

BrowserWindow::BrowserWindow(AppContext &context, Role role, QWidget *parent)
    : QMainWindow(parent), m_context(context), m_role(role), m_colorValue(ColorValue::ButtonFace),
      m_fileChooser(nativeFileChooser())
{
    setObjectName(QLatin1String(role == Role::Main ? WindowNames::Main : WindowNames::Secondary));
    setWindowTitle(tr("Brimlow Wavecrest"));
    setWindowIcon(programIcon());
    createControls();
    createMenus();
    setTabOrder();
    createKeys();
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
    m_client->setFont(windowFont());
    setCentralWidget(m_client);
    connect(m_client, &ClientArea::resized, this, &BrowserWindow::relayout);

    // Created first so that it lies beneath every other control.
    m_backgroundHolder = placeControl(new QLabel(m_client), "Image1", {0, -120, 1575, 1095});
    m_backgroundHolder->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_backgroundHolder->setAccessibleName(tr("Background Picture"));

    createNavigationButtons();
    createFavourites();
    createLogo();

    // The secondary window's address bar was drawn 3 twips narrower.
    m_layout.addressWidth = m_role == Role::Main ? 10215 : 10212;
    m_addressBar
        = placeControl(new AddressBar(m_client), "Combo1", {0, 720, m_layout.addressWidth, 345});
    m_addressBar->setEditText(m_role == Role::Main ? tr("Combo1") : QString());
    m_addressBar->setAccessibleName(tr("Address"));
    m_addressBar->lineEdit()->setAccessibleName(tr("Address"));
    connect(m_addressBar, &AddressBar::enterPressed, this, &BrowserWindow::enterAddress);

    m_engine = m_context.createEngine(m_client);
    placeControl(m_engine->view(), "Browser1", {0, BrowserLayout::BrowserTop, 10335, 6615});

    m_titleHolder
        = placeControl(new QLabel(tr("Label1"), m_client), "Label1", {8160, 600, 615, 375});
    m_titleHolder->hide();

    m_statusBar = new BrowserStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(m_statusBar);
}

void BrowserWindow::createNavigationButtons()
{
    m_back
        = pictureButton(m_client, "Command1", tr("Go Back"), "go-previous", {120, 120, 495, 495});
    m_forward
        = pictureButton(m_client, "Command2", tr("Go Forward"), "go-next", {720, 120, 615, 495});
    m_stop = pictureButton(m_client, "Command3", tr("Stop"), "process-stop", {1440, 120, 615, 495});
    m_reload
        = pictureButton(m_client, "Command4", tr("Reload"), "view-refresh", {2160, 120, 615, 495});
    m_home = pictureButton(m_client, "Command5", tr("Go Home"), "go-home", {2880, 120, 615, 495});
    m_sendMail
        = pictureButton(m_client, "Command6", tr("Send Email"), "mail-send", {3600, 120, 615, 495});
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
}

void BrowserWindow::createFavourites()
{
    m_favourites = new FavouritesStrip(m_client);
    connect(m_favourites, &FavouritesStrip::goRequested, this, &BrowserWindow::goToFavourite);
}

void BrowserWindow::createLogo()
{
    m_logo = placeControl(new LogoButton(m_client), "Picture1", {9720, 120, 492, 492});
    m_logo->setToolTip(tr("Click Here To Go To Brimlow's Webpage"));
    m_logo->setAccessibleName(tr("Brimlow's Webpage"));
    m_logo->setIcon(windowIcon());
    m_logo->setIconSize(m_logo->size());
    connect(m_logo, &LogoButton::clicked, this, &BrowserWindow::goToMakerHomePage);
}

void BrowserWindow::createMenus()
{
    m_menus = new BrowserMenuBar(m_role == Role::Main, this);
    setMenuBar(m_menus);
    connect(m_menus, &BrowserMenuBar::openFileChosen, this, &BrowserWindow::openFile);
    connect(m_menus, &BrowserMenuBar::exitChosen, this, &BrowserWindow::close);
    connect(m_menus, &BrowserMenuBar::backChosen, this, &BrowserWindow::goBack);
    connect(m_menus, &BrowserMenuBar::forwardChosen, this, &BrowserWindow::goForward);
    connect(m_menus, &BrowserMenuBar::homeChosen, this, &BrowserWindow::goHome);
    connect(m_menus, &BrowserMenuBar::stopChosen, this, &BrowserWindow::stop);
    connect(m_menus, &BrowserMenuBar::refreshChosen, this, &BrowserWindow::reload);
    connect(m_menus, &BrowserMenuBar::addFavouriteChosen, this, &BrowserWindow::addFavourite);
    connect(m_menus, &BrowserMenuBar::webpageChosen, this, &BrowserWindow::goToMakerHomePage);
    connect(m_menus, &BrowserMenuBar::translateChosen, this, &BrowserWindow::translate);
    connect(m_menus, &BrowserMenuBar::windowChosen, this,
        [this](const QString &name) { m_context.windows().open(name); });
}

// The keys of other browsers, beside the menus' own, which they never replace.
void BrowserWindow::createKeys()
{
    addKeys({tr("Ctrl+L"), tr("Alt+D"), tr("F6")}, [this] { m_addressBar->focusAndSelectAll(); });
    addKeys({tr("F5")}, [this] { reload(); });
    addKeys({tr("Alt+Left")}, [this] { goBack(); });
    addKeys({tr("Alt+Right")}, [this] { goForward(); });
    addKeys({tr("Ctrl++"), tr("Ctrl+=")},
        [this] { m_engine->setZoomFactor(zoomedIn(m_engine->zoomFactor())); });
    addKeys({tr("Ctrl+-")}, [this] { m_engine->setZoomFactor(zoomedOut(m_engine->zoomFactor())); });
    addKeys({tr("Ctrl+0")}, [this] { m_engine->setZoomFactor(1); });
    addKeys({tr("F11")}, [this] { toggleFullScreen(); });
    // Only while there is something to end: otherwise the page and the
    // controls get the key.
    m_escapeKey = addKeys({tr("Esc")}, [this] {
        if (m_pageFullScreen)
            m_engine->exitFullScreen();
        else
            stop();
    });
    m_escapeKey->setEnabled(false);
}

QAction *BrowserWindow::addKeys(const QStringList &keys, const std::function<void()> &command)
{
    auto *action = new QAction(this);
    QList<QKeySequence> sequences;
    for (const QString &key : keys)
        sequences.append(QKeySequence(key));
    action->setShortcuts(sequences);
    connect(action, &QAction::triggered, this, command);
    addAction(action);
    return action;
}

void BrowserWindow::setStopEnabled(bool enabled)
{
    m_stop->setEnabled(enabled);
    m_escapeKey->setEnabled(enabled || m_pageFullScreen);
}

void BrowserWindow::toggleFullScreen()
{
    if (m_pageFullScreen)
        m_engine->exitFullScreen();
    else
        setWindowState(windowState() ^ Qt::WindowFullScreen);
}

// The page's view alone fills the screen while the page wants it.
void BrowserWindow::showPageFullScreen(bool on)
{
    if (on == m_pageFullScreen)
        return;
    m_pageFullScreen = on;
    if (on)
        m_stateBeforePageFullScreen = windowState();
    menuBar()->setVisible(!on);
    m_statusBar->setVisible(!on);
    const QList<QWidget *> controls = {m_backgroundHolder, m_back, m_forward, m_stop, m_reload,
        m_home, m_sendMail, m_favourites, m_logo, m_addressBar};
    for (QWidget *control : controls)
        control->setVisible(!on);
    setWindowState(
        on ? m_stateBeforePageFullScreen | Qt::WindowFullScreen : m_stateBeforePageFullScreen);
    m_escapeKey->setEnabled(on || m_stop->isEnabled());
    relayout();
    if (on)
        m_engine->view()->setFocus();
}

void BrowserWindow::setTabOrder()
{
    const QList<QWidget *> order = QList<QWidget *>{m_addressBar, m_engine->view(), m_back,
                                       m_forward, m_stop, m_reload, m_home, m_logo}
        + m_favourites->tabChain() + QList<QWidget *>{m_statusBar, m_sendMail};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
}

void BrowserWindow::connectEngine()
{
    BrowserEngine *engine = m_engine;
    // Nothing of the blank page that stands in for the empty address shows.
    const auto unlessBlank = [this](auto handler) {
        return [this, handler](const auto &...arguments) {
            if (!m_blankStandsIn)
                handler(arguments...);
        };
    };
    connect(engine, &BrowserEngine::StatusTextChange, this,
        unlessBlank([this](const QString &text) { m_statusBar->setStatusText(text); }));
    connect(engine, &BrowserEngine::ProgressChange, this,
        unlessBlank(
            [this](int progress, int progressMax) { showProgress(progress, progressMax); }));
    connect(engine, &BrowserEngine::DownloadBegin, this, unlessBlank([this] {
        m_statusBar->setStatusText(tr("Contacting host..."));
        m_back->setEnabled(true);
        setStopEnabled(true);
    }));
    // Every frame reports its own; the address bar shows the page's.
    connect(engine, &BrowserEngine::NavigateComplete2, this, unlessBlank([this](const QString &) {
        m_statusBar->setStatusText(tr("Receiving data..."));
        m_addressBar->setEditText(m_engine->LocationURL());
    }));
    connect(engine, &BrowserEngine::TitleChange, this, unlessBlank([this](const QString &text) {
        setWindowTitle(text + tr(" - Brimlow Wavecrest"));
        m_titleHolder->setText(text);
    }));
    connect(engine, &BrowserEngine::DownloadComplete, this, unlessBlank([this] {
        m_statusBar->setStatusText(tr("Done."));
        setStopEnabled(false);
    }));
    connect(engine, &BrowserEngine::NewWindow2, this, &BrowserWindow::handleNewWindow);
    connect(engine, &BrowserEngine::fullScreenRequested, this, &BrowserWindow::showPageFullScreen);
}

void BrowserWindow::showProgress(int progress, int progressMax)
{
    const QString text = tr("%1  of  %2").arg(progress).arg(progressMax);
    // The secondary window shows its progress beside the load state.
    if (m_role == Role::Main)
        m_statusBar->setProgressText(text);
    else
        m_statusBar->setStatusText(tr("Contacting host... ") + text);
}

void BrowserWindow::handleNewWindow(NewWindowRequest *request)
{
    if (m_role == Role::Secondary) {
        request->target = engineForNewWindow();
        return;
    }
    if (!popUpsAllowed())
        return;
    auto *secondary = qobject_cast<BrowserWindow *>(
        m_context.windows().instance(QLatin1String(WindowNames::Secondary)));
    if (!secondary)
        return;
    request->target = secondary->engineForNewWindow();
    m_context.windows().open(QLatin1String(WindowNames::Secondary));
}

bool BrowserWindow::popUpsAllowed() const
{
    return m_menus->popUpsAllowed();
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
    const QString address = startAddress.isEmpty()
        ? m_context.setting(QString::fromUtf16(SettingsKeys::HomePage))
        : startAddress;
    if (address.isEmpty())
        showBlankPage();
    else
        navigate(address);
    setBackgroundPicture(m_context.setting(QString::fromUtf16(SettingsKeys::Background)));

    QStringList titles;
    LoadList(&titles, dataFile(DataFiles::FavouriteTitles));
    QStringList history = m_addressBar->entries();
    LoadList(&history, dataFile(DataFiles::AddressHistory));
    m_addressBar->setEntries(history);
    QStringList addresses;
    LoadList(&addresses, dataFile(DataFiles::FavouriteAddresses));
    m_favourites->appendLists(titles, addresses);

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
}

// A page view that has never loaded anything keeps its window from being
// shown maximised under some window managers. A blank page looks like no page
// at all, and stands in for the empty address until something else loads.
void BrowserWindow::showBlankPage()
{
    m_blankStandsIn = true;
    m_engine->Navigate(QLatin1String(BlankPage));
}

// The engine ignores an empty address, which leaves the blank page in place.
void BrowserWindow::navigate(const QString &address)
{
    if (!address.isEmpty())
        m_blankStandsIn = false;
    m_engine->Navigate(address);
}

BrowserEngine *BrowserWindow::engineForNewWindow()
{
    m_blankStandsIn = false;
    return m_engine;
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
    setStopEnabled(false);
}

void BrowserWindow::reload()
{
    m_engine->Refresh();
}

void BrowserWindow::goHome()
{
    // Read at every use, so a home page saved in Preferences counts at once.
    navigate(m_context.setting(QString::fromUtf16(SettingsKeys::HomePage)));
}

void BrowserWindow::goToMakerHomePage()
{
    navigate(QLatin1String(Addresses::MakerHomePage));
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
    navigate(text);
    QWidget *view = m_engine->view();
    if (view->isHidden()) {
        view->show();
        m_addressBar->appendEntry(text);
    }
}

// The service is read at every use, as the home page is.
void BrowserWindow::translate(const QString &from, const QString &to)
{
    const QString request = translationRequestAddress(
        m_context.setting(QString::fromUtf16(SettingsKeys::TranslateService)), from, to,
        m_addressBar->currentText());
    m_addressBar->setEditText(request);
    navigate(request);
}

QString BrowserWindow::openFileFilter()
{
    return tr("Image Files |*.jpg;*.bmp;*.gif;*.ico;*.wmf|HTML Files (*.htm, *.html)|*.html;*.htm|"
              "Text  Files|*.txt;*.ini;*.nfo;*.diz|All Files|*.*");
}

void BrowserWindow::openFile()
{
    QPointer<BrowserWindow> self(this);
    m_fileChooser(this, nameFiltersFromPairs(openFileFilter()), [self](const QString &path) {
        if (self)
            self->navigate(path);
    });
}

void BrowserWindow::goToFavourite(const QString &address)
{
    navigate(address);
    setStopEnabled(true);
}

void BrowserWindow::addFavourite()
{
    m_favourites->addAfterChoice(
        m_titleHolder->text(), m_blankStandsIn ? QString() : m_engine->LocationURL());
}

void BrowserWindow::relayout()
{
    if (isMinimized())
        return;
    if (m_pageFullScreen) {
        m_engine->view()->setGeometry(m_client->rect());
        return;
    }
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
    }
    return QMainWindow::eventFilter(watched, event);
}

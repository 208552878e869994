#include "browser/browserwindow.h"

#include "browser/addressbar.h"
#include "browser/browserkeys.h"
#include "browser/browserlists.h"
#include "browser/browsermenubar.h"
#include "browser/browserstatusbar.h"
#include "browser/clientarea.h"
#include "browser/favouritesstrip.h"
#include "browser/findbar.h"
#include "browser/fullscreen.h"
#include "browser/logobutton.h"
#include "browser/pagebars.h"
#include "browser/permissionprompts.h"
#include "browser/picturebuttons.h"
#include "browser/translation.h"
#include "core/addresses.h"
#include "core/appcontext.h"
#include "core/mailcomposer.h"
#include "core/windownames.h"
#include "engine/browserengine.h"
#include "ui/colorvalue.h"
#include "ui/messagebox.h"
#include "ui/placement.h"
#include "ui/resources.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLayout>
#include <QUrlQuery>

namespace {

constexpr char BlankPage[] = "about:blank";

// The client area laid down at design time, in twips.
constexpr int DesignClientWidth = 10350;
constexpr int DesignClientHeight = 8145;

} // namespace

BrowserWindow::BrowserWindow(AppContext &context, Role role, QWidget *parent)
    : QMainWindow(parent), m_context(context), m_role(role), m_fileChooser(nativeFileChooser()),
      m_externalLinkOpener([](const QUrl &url) { QDesktopServices::openUrl(url); })
{
    setObjectName(QLatin1String(role == Role::Main ? WindowNames::Main : WindowNames::Secondary));
    setWindowTitle(tr("Brimlow Wavecrest"));
    setWindowIcon(programIcon());
    createControls();
    createMenus();
    setTabOrder();
    createFullScreenAndKeys();
    connect(m_pageBars, &PageBars::barsChanged, this, [this] {
        relayout();
        setTabOrder();
    });
    connectEngine();
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
    m_background = new WindowBackground(m_client);

    createButtons();
    m_favourites = new FavouritesStrip(m_client);
    connect(m_favourites, &FavouritesStrip::goRequested, this, &BrowserWindow::goToFavourite);
    m_logo = new LogoButton(m_client);
    connect(m_logo, &LogoButton::clicked, this, &BrowserWindow::goToMakerHomePage);

    // The secondary window's address bar was drawn 3 twips narrower.
    m_layout.addressWidth = m_role == Role::Main ? 10215 : 10212;
    m_addressBar
        = placeControl(new AddressBar(m_client), "Combo1", {0, 720, m_layout.addressWidth, 345});
    m_addressBar->setEditText(m_role == Role::Main ? tr("Combo1") : QString());
    connect(m_addressBar, &AddressBar::enterPressed, this, &BrowserWindow::enterAddress);

    m_engine = m_context.createEngine(m_client);
    placeControl(m_engine->view(), "Browser1", {0, BrowserLayout::BrowserTop, 10335, 6615});
    m_pageBars = new PageBars(m_client);
    m_findBar = new FindBar(m_engine, m_pageBars);
    m_findBar->hide();
    m_pageBars->addBar(m_findBar);

    m_titleHolder
        = placeControl(new QLabel(tr("Label1"), m_client), "Label1", {8160, 600, 615, 375});
    m_titleHolder->hide();

    m_statusBar = new BrowserStatusBar(this);
    setStatusBar(m_statusBar);
}

void BrowserWindow::createButtons()
{
    m_buttons = new PictureButtons(m_client);
    connect(m_buttons, &PictureButtons::backClicked, this, &BrowserWindow::goBack);
    connect(m_buttons, &PictureButtons::forwardClicked, this, &BrowserWindow::goForward);
    connect(m_buttons, &PictureButtons::stopClicked, this, &BrowserWindow::stop);
    connect(m_buttons, &PictureButtons::reloadClicked, this, &BrowserWindow::reload);
    connect(m_buttons, &PictureButtons::homeClicked, this, &BrowserWindow::goHome);
    connect(m_buttons, &PictureButtons::sendMailClicked, this,
        [this] { m_context.windows().open(QLatin1String(WindowNames::SendMail)); });
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
    connect(m_menus, &BrowserMenuBar::findChosen, m_findBar, [this] { m_findBar->open(); });
    connect(m_menus, &BrowserMenuBar::windowChosen, this,
        [this](const QString &name) { m_context.windows().open(name); });
}

void BrowserWindow::setTabOrder()
{
    const QList<QWidget *> order = QList<QWidget *>{m_addressBar} + m_pageBars->tabChain()
        + QList<QWidget *>{m_engine->view()} + m_buttons->navigationTabChain()
        + QList<QWidget *>{m_logo} + m_favourites->tabChain()
        + QList<QWidget *>{m_statusBar, m_buttons->sendMailButton()};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
}

void BrowserWindow::createFullScreenAndKeys()
{
    m_fullScreen = new FullScreen(this, m_engine,
        {m_background->pictureHolder(), m_buttons, m_favourites, m_logo, m_addressBar, m_pageBars});
    connect(m_fullScreen, &FullScreen::pageFullScreenChanged, this, &BrowserWindow::relayout);
    m_keys = new BrowserKeys(this, m_engine, m_fullScreen);
    connect(m_keys, &BrowserKeys::addressKeyPressed, m_addressBar, &AddressBar::focusAndSelectAll);
    connect(m_keys, &BrowserKeys::reloadKeyPressed, this, &BrowserWindow::reload);
    connect(m_keys, &BrowserKeys::backKeyPressed, this, &BrowserWindow::goBack);
    connect(m_keys, &BrowserKeys::forwardKeyPressed, this, &BrowserWindow::goForward);
    connect(m_keys, &BrowserKeys::stopKeyPressed, this, &BrowserWindow::stop);
    connect(m_keys, &BrowserKeys::findNextKeyPressed, m_findBar, &FindBar::findNext);
    connect(m_keys, &BrowserKeys::findPreviousKeyPressed, m_findBar, &FindBar::findPrevious);
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
        m_buttons->enableBack();
        setStopEnabled(true);
    }));
    // Every frame reports its own; the address bar shows the page's.
    connect(engine, &BrowserEngine::NavigateComplete2, this, unlessBlank([this](const QString &) {
        m_statusBar->setStatusText(tr("Receiving data..."));
        m_addressBar->showAddress(m_engine->LocationURL());
        Q_EMIT pageAddressChanged();
    }));
    connect(engine, &BrowserEngine::TitleChange, this, unlessBlank([this](const QString &text) {
        setWindowTitle(tr("%1 - Brimlow Wavecrest").arg(text));
        m_titleHolder->setText(text);
    }));
    connect(engine, &BrowserEngine::DownloadComplete, this, unlessBlank([this] {
        m_statusBar->setStatusText(tr("Done."));
        setStopEnabled(false);
    }));
    connect(engine, &BrowserEngine::NewWindow2, this, &BrowserWindow::handleNewWindow);
    connect(engine, &BrowserEngine::ExternalLinkRequested, this, &BrowserWindow::openExternalLink);
    new PermissionPrompts(engine, m_context.sitePermissions(), this);
}

void BrowserWindow::addPageBar(QWidget *bar)
{
    m_pageBars->addBar(bar);
}

void BrowserWindow::followMainWindowAppearance()
{
    MainWindowAppearance &appearance = m_context.mainWindowAppearance();
    m_background->follow(appearance);
    connect(&appearance, &MainWindowAppearance::clearHistoryRequested, m_addressBar,
        &AddressBar::clearHistory);
    connect(&appearance, &MainWindowAppearance::clearFavouritesRequested, m_favourites,
        &FavouritesStrip::clear);
}

void BrowserWindow::setStopEnabled(bool enabled)
{
    m_buttons->setStopEnabled(enabled);
    m_keys->setLoading(enabled);
}

void BrowserWindow::showProgress(int progress, int progressMax)
{
    const QString text = tr("%1  of  %2").arg(progress).arg(progressMax);
    // The secondary window shows its progress beside the load state.
    if (m_role == Role::Main)
        m_statusBar->setProgressText(text);
    else
        m_statusBar->setStatusText(tr("Contacting host... %1").arg(text));
}

void BrowserWindow::handleNewWindow(NewWindowRequest *request)
{
    if (m_role == Role::Secondary) {
        request->target = engineForNewWindow();
        return;
    }
    if (!m_menus->popUpsAllowed())
        return;
    auto *secondary = qobject_cast<BrowserWindow *>(
        m_context.windows().instance(QLatin1String(WindowNames::Secondary)));
    if (!secondary)
        return;
    request->target = secondary->engineForNewWindow();
    if (request->userInitiated) {
        m_context.windows().open(QLatin1String(WindowNames::Secondary));
        return;
    }
    // A page on its own may fill the window, not take the user's focus with
    // it: a new window shows without being activated, one that is there
    // stays where it is.
    if (secondary->isHidden()) {
        secondary->setAttribute(Qt::WA_ShowWithoutActivating);
        secondary->show();
        secondary->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

// The engine reports only links the user clicked. Nothing is started before
// the user agrees, and a page gets one question at a time.
void BrowserWindow::openExternalLink(const QUrl &url)
{
    if (url.scheme() == u"mailto") {
        beginMail(url);
        return;
    }
    if (m_externalLinkAsked)
        return;
    m_externalLinkAsked = true;
    QPointer<BrowserWindow> self(this);
    MessageBoxRequest question{this, QString(),
        tr("Open this link with another application?\n\nThe link is a \"%1:\" address, which "
           "Wavecrest cannot show itself.")
            .arg(url.scheme()),
        QMessageBox::Question, QMessageBox::Open | QMessageBox::Cancel, QMessageBox::Cancel};
    question.answered = [self, url](QMessageBox::StandardButton button) {
        if (!self)
            return;
        self->m_externalLinkAsked = false;
        if (button == QMessageBox::Open)
            self->m_externalLinkOpener(url);
    };
    showMessageBox(question);
}

// The program's own Send Mail window writes the message; nothing is sent
// until the user sends it.
void BrowserWindow::beginMail(const QUrl &mailto)
{
    auto *composer = dynamic_cast<MailComposer *>(
        m_context.windows().open(QLatin1String(WindowNames::SendMail)));
    if (!composer)
        return;
    const QUrlQuery query(mailto);
    composer->beginMessage(mailto.path(QUrl::FullyDecoded),
        query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
        query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded));
}

void BrowserWindow::loadFromSettings(const QString &startAddress)
{
    qint32 color = 0;
    if (ColorValue::parse(m_context.setting(SettingsKey::Color), &color))
        setBackgroundColorValue(color);
    const QString address
        = startAddress.isEmpty() ? m_context.setting(SettingsKey::HomePage) : startAddress;
    if (address.isEmpty())
        showBlankPage();
    else
        navigate(address);
    setBackgroundPicture(m_context.setting(SettingsKey::Background));
    loadBrowserLists(m_context, m_addressBar, m_favourites);

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
    m_context.writeSetting(SettingsKey::Color, ColorValue::format(m_background->colorValue()));
    saveBrowserLists(m_context, *m_addressBar, *m_favourites, this);
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

QString BrowserWindow::pageAddress() const
{
    return m_blankStandsIn ? QString() : m_engine->LocationURL();
}

BrowserEngine *BrowserWindow::engineForNewWindow()
{
    m_blankStandsIn = false;
    return m_engine;
}

void BrowserWindow::goBack()
{
    m_engine->GoBack();
    m_buttons->enableForward();
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
    navigate(m_context.setting(SettingsKey::HomePage));
}

void BrowserWindow::goToMakerHomePage()
{
    navigate(QLatin1String(Addresses::MakerHomePage));
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
        m_context.setting(SettingsKey::TranslateService), from, to, m_addressBar->currentText());
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
    if (m_fullScreen->pageHasScreen()) {
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
    // Shown bars take their room from the top of the page.
    const int left = Twips::toPixels(layout.browserLeft);
    const int top = Twips::toPixels(BrowserLayout::BrowserTop);
    const int width = Twips::toPixels(layout.browserWidth);
    const int barsHeight = m_pageBars->barsHeight();
    m_pageBars->setGeometry(left, top, width, barsHeight);
    m_engine->view()->setGeometry(
        left, top + barsHeight, width, qMax(0, Twips::toPixels(layout.browserHeight) - barsHeight));
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

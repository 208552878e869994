#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>

#include <functional>

#include "browser/browserlayout.h"
#include "platform/filechooser.h"

class AppContext;
class QAction;
class BrowserEngine;
class QLabel;
class QPushButton;
class AddressBar;
class BrowserMenuBar;
class BrowserStatusBar;
class ClientArea;
class FavouritesStrip;
class LogoButton;
struct NewWindowRequest;

// A browser window: the engine's view surrounded by the program's controls.
// The main window (Form1) saves its colour and lists when it closes and ends
// the program; the secondary window (newwindow) saves nothing and ends nothing.
class BrowserWindow : public QMainWindow
{
    Q_OBJECT

public:
    enum class Role { Main, Secondary };

    BrowserWindow(AppContext &context, Role role, QWidget *parent = nullptr);
    ~BrowserWindow() override;

    Role role() const { return m_role; }
    BrowserEngine *engine() const { return m_engine; }
    // The engine, as the target of a page's new-window request: the page
    // that arrives there is shown, whatever the window showed before.
    BrowserEngine *engineForNewWindow();

    // The load handling: colour, home page, background picture and the three
    // lists from the data directory, each step skipping its own failure. A
    // start address (one given on the command line) is opened instead of
    // the home page.
    void loadFromSettings(const QString &startAddress = QString());
    // The main window's save at exit: colour and the three list files.
    void saveToSettings();

    // The window colour in the stored 32-bit encoding.
    qint32 backgroundColorValue() const { return m_colorValue; }
    void setBackgroundColorValue(qint32 value);
    // Loads the tiled background picture; an empty or unreadable path leaves
    // the window without one. Returns whether a picture is now shown.
    bool setBackgroundPicture(const QString &path);
    QPixmap backgroundPicture() const { return m_backgroundPicture; }

    void clearAddressHistory();
    void clearFavourites();

    // The navigation commands of the buttons and the Go menu.
    void goBack();
    void goForward();
    void stop();
    void reload();
    void goHome();

    bool popUpsAllowed() const;

    // The file dialog of "&Open File" (tests replace it).
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }

Q_SIGNALS:
    // The main window has saved everything; the program should end now.
    void shutdownComplete();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createNavigationButtons();
    void createFavourites();
    void createLogo();
    void createMenus();
    void setTabOrder();
    void createKeys();
    QAction *addKeys(const QStringList &keys, const std::function<void()> &command);
    void setStopEnabled(bool enabled);
    void toggleFullScreen();
    void showPageFullScreen(bool on);
    void connectEngine();
    void showBlankPage();
    void navigate(const QString &address);
    void goToMakerHomePage();
    void openWindow(const char *name);
    static QString openFileFilter();
    void openFile();
    void translate(const QString &from, const QString &to);
    void enterAddress();
    void goToFavourite(const QString &address);
    void addFavourite();
    void showProgress(int progress, int progressMax);
    void handleNewWindow(NewWindowRequest *request);
    void relayout();
    void applyLayout(const BrowserLayout &layout);
    void updateBackground();
    void followMainWindowAppearance();
    void followAppearance();
    void applyBackgroundColor(qint32 value);
    void loadBackgroundPicture(const QString &path);
    QString dataFile(const char16_t *name) const;
    void saveList(const QStringList &entries, const char16_t *fileName);

    AppContext &m_context;
    const Role m_role;
    qint32 m_colorValue;
    QPixmap m_backgroundPicture;
    // Set while the blank page stands in for the empty address.
    bool m_blankStandsIn = false;

    ClientArea *m_client = nullptr;
    QPointer<BrowserEngine> m_engine;
    QPushButton *m_back = nullptr;
    QPushButton *m_forward = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_reload = nullptr;
    QPushButton *m_home = nullptr;
    QPushButton *m_sendMail = nullptr;
    FavouritesStrip *m_favourites = nullptr;
    LogoButton *m_logo = nullptr;
    AddressBar *m_addressBar = nullptr;
    QLabel *m_titleHolder = nullptr;
    QLabel *m_backgroundHolder = nullptr;
    BrowserStatusBar *m_statusBar = nullptr;
    BrowserMenuBar *m_menus = nullptr;
    QAction *m_escapeKey = nullptr;
    bool m_pageFullScreen = false;
    Qt::WindowStates m_stateBeforePageFullScreen;
    BrowserLayout m_layout;
    FileChooser m_fileChooser;
};

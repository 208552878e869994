#pragma once

#include <QMainWindow>
#include <QPointer>

#include "browser/browserlayout.h"
#include "browser/windowbackground.h"
#include "ui/filechooser.h"

class AppContext;
class BrowserEngine;
class QLabel;
class AddressBar;
class BrowserKeys;
class BrowserMenuBar;
class BrowserStatusBar;
class ClientArea;
class FavouritesStrip;
class FindBar;
class FullScreen;
class LogoButton;
class PageBars;
class PermissionPrompts;
class PictureButtons;
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
    qint32 backgroundColorValue() const { return m_background->colorValue(); }
    void setBackgroundColorValue(qint32 value) { m_background->setColorValue(value); }
    // Loads the tiled background picture; an empty or unreadable path leaves
    // the window without one. Returns whether a picture is now shown.
    bool setBackgroundPicture(const QString &path) { return m_background->setPicture(path); }
    QPixmap backgroundPicture() const { return m_background->picture(); }

    // Loads the address, as the engine understands it (the empty address
    // leaves the page as it is).
    void navigate(const QString &address);
    // The address of the page shown; "" while no page is.
    QString pageAddress() const;

    // Puts a bar (an offer to the user, say) between the address bar and the
    // page; the bar shows and hides itself, and the page takes what it leaves.
    void addPageBar(QWidget *bar);

    // The file dialog of "&Open File" (tests replace it).
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // What opens a link for another program once the user agreed (tests
    // replace it); the desktop's choice of program by default.
    void setExternalLinkOpener(std::function<void(const QUrl &)> opener)
    {
        m_externalLinkOpener = std::move(opener);
    }

Q_SIGNALS:
    // The main window has saved everything; the program should end now.
    void shutdownComplete();
    // The window shows another page; pageAddress() tells which.
    void pageAddressChanged();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createButtons();
    void createMenus();
    void setTabOrder();
    void createFullScreenAndKeys();
    void connectEngine();
    void followMainWindowAppearance();

    // What the buttons, the menus and the keys do.
    void goBack();
    void goForward();
    void stop();
    void reload();
    void goHome();
    void goToMakerHomePage();
    void enterAddress();
    void translate(const QString &from, const QString &to);
    static QString openFileFilter();
    void openFile();
    void goToFavourite(const QString &address);
    void addFavourite();

    void showBlankPage();
    void setStopEnabled(bool enabled);
    void showProgress(int progress, int progressMax);
    void handleNewWindow(NewWindowRequest *request);
    void openExternalLink(const QUrl &url);
    void beginMail(const QUrl &mailto);
    void relayout();
    void applyLayout(const BrowserLayout &layout);

    AppContext &m_context;
    const Role m_role;
    // Set while the blank page stands in for the empty address.
    bool m_blankStandsIn = false;

    ClientArea *m_client = nullptr;
    WindowBackground *m_background = nullptr;
    QPointer<BrowserEngine> m_engine;
    PictureButtons *m_buttons = nullptr;
    FavouritesStrip *m_favourites = nullptr;
    LogoButton *m_logo = nullptr;
    AddressBar *m_addressBar = nullptr;
    QLabel *m_titleHolder = nullptr;
    BrowserStatusBar *m_statusBar = nullptr;
    BrowserMenuBar *m_menus = nullptr;
    FullScreen *m_fullScreen = nullptr;
    BrowserKeys *m_keys = nullptr;
    PageBars *m_pageBars = nullptr;
    FindBar *m_findBar = nullptr;
    BrowserLayout m_layout;
    FileChooser m_fileChooser;
    std::function<void(const QUrl &)> m_externalLinkOpener;
    bool m_externalLinkAsked = false;
};

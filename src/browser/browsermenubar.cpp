#include "browser/browsermenubar.h"

#include "browser/translation.h"
#include "core/windownames.h"

#include <QAction>
#include <QMenu>

namespace {

QAction *menuItem(QMenu *menu, const char *name, const QString &caption,
    const QKeySequence &shortcut = QKeySequence())
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

void separator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

} // namespace

BrowserMenuBar::BrowserMenuBar(bool withPopUpSwitch, QWidget *parent) : QMenuBar(parent)
{
    createFileMenu();
    createEditMenu(withPopUpSwitch);
    createGoMenu();
    createTranslateMenu();
    createFavouritesMenu();
    createHelpMenu();
}

bool BrowserMenuBar::popUpsAllowed() const
{
    return m_allowPopUps && m_allowPopUps->isChecked();
}

QMenu *BrowserMenuBar::topMenu(const char *name, const QString &caption)
{
    QMenu *menu = addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

void BrowserMenuBar::addWindowItem(QMenu *menu, const char *name, const QString &caption,
    const char *windowName, const QKeySequence &shortcut)
{
    const QString window = QLatin1String(windowName);
    connect(menuItem(menu, name, caption, shortcut), &QAction::triggered, this,
        [this, window] { Q_EMIT windowChosen(window); });
}

void BrowserMenuBar::createFileMenu()
{
    QMenu *file = topMenu("mnuFile", tr("&File"));
    connect(menuItem(file, "mnuFileOpen", tr("&Open File"), QKeySequence(tr("Ctrl+O"))),
        &QAction::triggered, this, &BrowserMenuBar::openFileChosen);
    separator(file, "mnuFileLine");
    connect(menuItem(file, "mnuFileExit", tr("&Exit")), &QAction::triggered, this,
        &BrowserMenuBar::exitChosen);
}

void BrowserMenuBar::createEditMenu(bool withPopUpSwitch)
{
    QMenu *edit = topMenu("mnuEdit", tr("&Edit"));
    addWindowItem(edit, "mnuEditPrefs", tr("&Preferences"), WindowNames::Preferences,
        QKeySequence(tr("Ctrl+P")));
    if (withPopUpSwitch) {
        // Not stored: every start allows pop-ups again.
        m_allowPopUps = menuItem(edit, "mnuEditAllowPopUps", tr("Allow Pop Ups"));
        m_allowPopUps->setCheckable(true);
        m_allowPopUps->setChecked(true);
    }
    // Ctrl+F is the Go menu's Forward; this is the key beside it.
    connect(
        menuItem(edit, "mnuEditFind", tr("Find in Page\u2026"), QKeySequence(tr("Ctrl+Shift+F"))),
        &QAction::triggered, this, &BrowserMenuBar::findChosen);
}

void BrowserMenuBar::createGoMenu()
{
    QMenu *go = topMenu("mnuGo", tr("&Go"));
    connect(menuItem(go, "mnuGoBack", tr("&Back     "), QKeySequence(tr("Ctrl+B"))),
        &QAction::triggered, this, &BrowserMenuBar::backChosen);
    connect(menuItem(go, "mnuGoForward", tr("&Forward     "), QKeySequence(tr("Ctrl+F"))),
        &QAction::triggered, this, &BrowserMenuBar::forwardChosen);
    connect(menuItem(go, "mnuGoHome", tr("&Home     "), QKeySequence(tr("Ctrl+H"))),
        &QAction::triggered, this, &BrowserMenuBar::homeChosen);
    connect(menuItem(go, "mnuGoStop", tr("&Stop     "), QKeySequence(tr("Ctrl+S"))),
        &QAction::triggered, this, &BrowserMenuBar::stopChosen);
    connect(menuItem(go, "mnuRefresh", tr("&Refresh     "), QKeySequence(tr("Ctrl+R"))),
        &QAction::triggered, this, &BrowserMenuBar::refreshChosen);
    separator(go, "mnuGoLine");
    addWindowItem(go, "mnuGoEmail", tr("Send Email"), WindowNames::SendMail);
    addWindowItem(go, "mnuGoWebServer", tr("Run Web Server"), WindowNames::WebServer);
}

void BrowserMenuBar::createTranslateMenu()
{
    QMenu *menu = topMenu("mnuTranslate", tr("&Translate"));
    for (const TranslationItem &item : translationItems()) {
        if (*item.from == '\0') {
            separator(menu, item.objectName);
            continue;
        }
        const QString from = QLatin1String(item.from), to = QLatin1String(item.to);
        connect(menuItem(menu, item.objectName, tr(item.caption)), &QAction::triggered, this,
            [this, from, to] { Q_EMIT translateChosen(from, to); });
    }
}

void BrowserMenuBar::createFavouritesMenu()
{
    QMenu *favourites = topMenu("mnuFavorites", tr("F&avorites"));
    connect(menuItem(favourites, "mnuFavoritesAdd", tr("&Add To Favorites..."),
                QKeySequence(tr("Ctrl+D"))),
        &QAction::triggered, this, &BrowserMenuBar::addFavouriteChosen);
}

void BrowserMenuBar::createHelpMenu()
{
    QMenu *help = topMenu("mnuHelp", tr("&Help"));
    connect(menuItem(help, "mnuHelpWebpage", tr("Wavecrest Webpage")), &QAction::triggered, this,
        &BrowserMenuBar::webpageChosen);
    separator(help, "mnuHelpLine");
    addWindowItem(
        help, "mnuAbout", tr("&About Wavecrest..."), WindowNames::About, QKeySequence(Qt::Key_F1));
    separator(help, "mnuHelpLine2");
    addWindowItem(
        help, "mnuHelpComments", tr("Send Us Comments and Suggestions"), WindowNames::Comments);
}

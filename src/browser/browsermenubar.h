#pragma once

#include <QMenuBar>

class QAction;

// The menus of a browser window. Each item that acts on the window is
// reported by a signal; the window decides what it does.
class BrowserMenuBar : public QMenuBar
{
    Q_OBJECT

public:
    // Only the main window has the "Allow Pop Ups" switch.
    BrowserMenuBar(bool withPopUpSwitch, QWidget *parent);

    bool popUpsAllowed() const;

Q_SIGNALS:
    void openFileChosen();
    void exitChosen();
    void backChosen();
    void forwardChosen();
    void homeChosen();
    void stopChosen();
    void refreshChosen();
    void addFavouriteChosen();
    void webpageChosen();
    void findChosen();
    // One of the Translate items, with its languages' two-letter codes.
    void translateChosen(const QString &from, const QString &to);
    // An item that opens one of the program's other windows, by its name.
    void windowChosen(const QString &windowName);

private:
    void createFileMenu();
    void createEditMenu(bool withPopUpSwitch);
    void createGoMenu();
    void createTranslateMenu();
    void createFavouritesMenu();
    void createHelpMenu();
    QMenu *topMenu(const char *name, const QString &caption);
    void addWindowItem(QMenu *menu, const char *name, const QString &caption,
        const char *windowName, const QKeySequence &shortcut = QKeySequence());

    QAction *m_allowPopUps = nullptr;
};

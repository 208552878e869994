#pragma once

#include <QStringList>
#include <QWidget>

class QComboBox;
class QPushButton;
class FavouritesModel;

// The favourites beside the picture buttons: the list of titles (Combo2), the
// hidden list of addresses that goes with it (Combo3), "Go" (Command8) and
// "---" (Command7). Both lists show one model, so a title and its address
// cannot fall out of step.
class FavouritesStrip : public QWidget
{
    Q_OBJECT

public:
    // Where the strip stands in a browser window's client area, in twips.
    static constexpr int Left = 4320;
    static constexpr int Top = 240;

    explicit FavouritesStrip(QWidget *parent = nullptr);

    QStringList titles() const;
    QStringList addresses() const;
    // Adds lists read from the list files after those already held, pairing
    // them by position.
    void appendLists(const QStringList &titles, const QStringList &addresses);
    void clear();
    // Adds a favourite directly after the chosen title, or at the top.
    void addAfterChoice(const QString &title, const QString &address);

    // The strip's controls in the window's tab order.
    QList<QWidget *> tabChain() const;

Q_SIGNALS:
    // "Go" was pressed with a favourite chosen.
    void goRequested(const QString &address);

private:
    void choose(int row);
    void goToChoice();
    void removeChoice();
    void clearChoice();

    FavouritesModel *m_model;
    QComboBox *m_titles;
    QComboBox *m_addresses;
    QPushButton *m_go;
    QPushButton *m_remove;
};

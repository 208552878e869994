#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

// The favourites as (title, address) pairs: column 0 holds the titles, column
// 1 the addresses. The title list and the hidden address list of a browser
// window both show this one model, so they cannot fall out of step.
class FavouritesModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TitleColumn = 0, AddressColumn = 1 };

    struct Favourite {
        QString title;
        QString address;
        bool operator==(const Favourite &) const = default;
    };

    explicit FavouritesModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Inserts at row (clamped to the list), returns the row used.
    int insertFavourite(int row, const Favourite &favourite);
    bool removeFavourite(int row);
    void clear();

    QStringList titles() const { return columnTexts(&Favourite::title); }
    QStringList addresses() const { return columnTexts(&Favourite::address); }
    // Pairs two lists read from files by position; a title without an
    // address gets an empty one, and so does an address without a title.
    void setFromLists(const QStringList &titles, const QStringList &addresses);
    Favourite at(int row) const { return m_favourites.at(row); }

private:
    QStringList columnTexts(QString Favourite::*member) const;

    QList<Favourite> m_favourites;
};

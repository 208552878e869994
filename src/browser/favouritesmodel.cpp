#include "browser/favouritesmodel.h"

FavouritesModel::FavouritesModel(QObject *parent) : QAbstractTableModel(parent) { }

int FavouritesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_favourites.size());
}

int FavouritesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant FavouritesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_favourites.size()
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const Favourite &favourite = m_favourites.at(index.row());
    return index.column() == TitleColumn ? favourite.title : favourite.address;
}

int FavouritesModel::insertFavourite(int row, const Favourite &favourite)
{
    row = qBound(0, row, int(m_favourites.size()));
    beginInsertRows(QModelIndex(), row, row);
    m_favourites.insert(row, favourite);
    endInsertRows();
    return row;
}

bool FavouritesModel::removeFavourite(int row)
{
    if (row < 0 || row >= m_favourites.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_favourites.removeAt(row);
    endRemoveRows();
    return true;
}

void FavouritesModel::clear()
{
    beginResetModel();
    m_favourites.clear();
    endResetModel();
}

QStringList FavouritesModel::columnTexts(QString Favourite::*member) const
{
    QStringList texts;
    texts.reserve(m_favourites.size());
    for (const Favourite &favourite : m_favourites)
        texts.append(favourite.*member);
    return texts;
}

void FavouritesModel::setFromLists(const QStringList &titles, const QStringList &addresses)
{
    beginResetModel();
    m_favourites.clear();
    const qsizetype count = qMax(titles.size(), addresses.size());
    for (qsizetype i = 0; i < count; ++i)
        m_favourites.append(Favourite{titles.value(i), addresses.value(i)});
    endResetModel();
}

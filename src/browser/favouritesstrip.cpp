#include "browser/favouritesstrip.h"

#include "browser/favouritesmodel.h"
#include "ui/placement.h"

#include <QComboBox>
#include <QPushButton>

namespace {

// The controls' places are those of the window, in twips; the strip is their
// parent, so they move by its own place.
QRect inStrip(const QRect &inWindow)
{
    return inWindow.translated(-FavouritesStrip::Left, -FavouritesStrip::Top);
}

QComboBox *favouritesList(QWidget *parent, FavouritesModel *model, int column)
{
    auto *list = new QComboBox(parent);
    list->setModel(model);
    list->setModelColumn(column);
    return list;
}

} // namespace

FavouritesStrip::FavouritesStrip(QWidget *parent)
    : QWidget(parent), m_model(new FavouritesModel(this))
{
    // From the title list to the right edge of "---", and no lower than the
    // title list: the address bar lies just below.
    placeControl(this, "FavouritesStrip", {Left, Top, 9000 + 372 - Left, 345});

    m_titles = placeControl(favouritesList(this, m_model, FavouritesModel::TitleColumn), "Combo2",
        inStrip({4320, 240, 4212, 345}));
    m_titles->setToolTip(tr("Favorites"));
    m_titles->setAccessibleName(tr("Favorites"));
    m_titles->setPlaceholderText(tr("                          === Favorites ==="));
    connect(m_titles, &QComboBox::activated, this, &FavouritesStrip::choose);

    m_addresses = placeControl(favouritesList(this, m_model, FavouritesModel::AddressColumn),
        "Combo3", inStrip({5640, 600, 2412, 345}));
    m_addresses->setPlaceholderText(tr("=== Favorites ==="));
    m_addresses->setAccessibleName(tr("Favorite Addresses"));
    m_addresses->hide();

    m_go
        = placeControl(new QPushButton(tr("Go"), this), "Command8", inStrip({8640, 240, 372, 252}));
    m_go->setToolTip(tr("Go To This Favorite"));
    m_go->setAccessibleName(tr("Go To This Favorite"));
    connect(m_go, &QPushButton::clicked, this, &FavouritesStrip::goToChoice);

    m_remove = placeControl(
        new QPushButton(tr("---"), this), "Command7", inStrip({9000, 240, 372, 252}));
    m_remove->setToolTip(tr("Remove From Favorites"));
    m_remove->setAccessibleName(tr("Remove From Favorites"));
    connect(m_remove, &QPushButton::clicked, this, &FavouritesStrip::removeChoice);

    clearChoice();
}

QStringList FavouritesStrip::titles() const
{
    return m_model->titles();
}

QStringList FavouritesStrip::addresses() const
{
    return m_model->addresses();
}

void FavouritesStrip::appendLists(const QStringList &titles, const QStringList &addresses)
{
    m_model->setFromLists(m_model->titles() + titles, m_model->addresses() + addresses);
    clearChoice();
}

void FavouritesStrip::clear()
{
    m_model->clear();
    clearChoice();
}

void FavouritesStrip::addAfterChoice(const QString &title, const QString &address)
{
    m_model->insertFavourite(m_titles->currentIndex() + 1, {title, address});
}

QList<QWidget *> FavouritesStrip::tabChain() const
{
    return {m_remove, m_go, m_titles};
}

// A title whose address is missing (lists out of step in their files)
// chooses no address.
void FavouritesStrip::choose(int row)
{
    m_addresses->setCurrentIndex(row < m_model->rowCount() ? row : -1);
}

void FavouritesStrip::goToChoice()
{
    const int row = m_addresses->currentIndex();
    if (row >= 0)
        Q_EMIT goRequested(m_model->at(row).address);
}

void FavouritesStrip::removeChoice()
{
    if (m_model->removeFavourite(m_titles->currentIndex()))
        clearChoice();
}

// Nothing is chosen until the user picks a title; Qt would otherwise pick the
// first one whenever the list is refilled.
void FavouritesStrip::clearChoice()
{
    m_titles->setCurrentIndex(-1);
    m_addresses->setCurrentIndex(-1);
}

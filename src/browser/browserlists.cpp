#include "browser/browserlists.h"

#include "browser/addressbar.h"
#include "browser/favouritesstrip.h"
#include "core/appcontext.h"
#include "settings/datadir.h"
#include "settings/listfile.h"
#include "settings/textfile.h"
#include "ui/messagebox.h"

namespace {

QStringList loaded(const AppContext &context, const char16_t *fileName)
{
    QStringList entries;
    LoadList(&entries, context.dataFile(QString::fromUtf16(fileName)));
    return entries;
}

void save(const AppContext &context, const QStringList &entries, const char16_t *fileName,
    QWidget *parent)
{
    const QString path = context.dataFile(QString::fromUtf16(fileName));
    // Left as it is, as the user was told at start.
    if (isOversizedTextFile(path))
        return;
    QString error;
    if (!SaveList(entries, path, &error))
        showMessageBox(parent, error);
}

} // namespace

void loadBrowserLists(
    const AppContext &context, AddressBar *addressBar, FavouritesStrip *favourites)
{
    const QStringList titles = loaded(context, DataFiles::FavouriteTitles);
    addressBar->setEntries(addressBar->entries() + loaded(context, DataFiles::AddressHistory));
    favourites->appendLists(titles, loaded(context, DataFiles::FavouriteAddresses));
}

void saveBrowserLists(const AppContext &context, const AddressBar &addressBar,
    const FavouritesStrip &favourites, QWidget *parent)
{
    save(context, favourites.titles(), DataFiles::FavouriteTitles, parent);
    save(context, addressBar.entries(), DataFiles::AddressHistory, parent);
    save(context, favourites.addresses(), DataFiles::FavouriteAddresses, parent);
}

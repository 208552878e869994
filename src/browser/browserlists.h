#pragma once

class AddressBar;
class AppContext;
class FavouritesStrip;
class QWidget;

// The address history and the favourites in their three list files in the
// data directory: the titles and the addresses of the favourites are kept
// apart, and paired again by position.

// Adds the lists read after those already held; a file that cannot be read
// adds nothing.
void loadBrowserLists(
    const AppContext &context, AddressBar *addressBar, FavouritesStrip *favourites);

// A list that cannot be saved is reported over parent, and the save goes on
// with the next.
void saveBrowserLists(const AppContext &context, const AddressBar &addressBar,
    const FavouritesStrip &favourites, QWidget *parent);

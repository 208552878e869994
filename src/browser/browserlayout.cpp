#include "browser/browserlayout.h"

namespace {

void assignIfNotNegative(int &target, int value)
{
    if (value >= 0)
        target = value;
}

} // namespace

BrowserLayout resizedLayout(const BrowserLayout &current, int clientWidth, int statusBarTop)
{
    BrowserLayout layout = current;
    const int stretchedWidth = clientWidth - BrowserLayout::Margin - BrowserLayout::RightGap;
    layout.addressLeft = BrowserLayout::Margin;
    assignIfNotNegative(layout.addressWidth, stretchedWidth);
    assignIfNotNegative(layout.browserWidth, stretchedWidth);
    layout.browserLeft = BrowserLayout::Margin;
    assignIfNotNegative(layout.browserHeight, statusBarTop - BrowserLayout::BrowserTop);
    // A position, not a size: it follows the view even past the left edge.
    layout.logoLeft = layout.browserWidth - BrowserLayout::LogoOffset;
    return layout;
}

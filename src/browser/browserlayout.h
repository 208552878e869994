#pragma once

// Where the stretching controls of a browser window stand, in twips. The
// address bar and the page view start 50 twips from the left and end 30 short
// of the client area's right edge; the view runs from its top down to the
// status bar; the logo keeps 475 twips from the view's right end.
struct BrowserLayout {
    static constexpr int Margin = 50;
    static constexpr int RightGap = 30;
    static constexpr int BrowserTop = 1200;
    static constexpr int LogoOffset = 475;

    int addressLeft = 0;
    int addressWidth = 10215;
    int browserLeft = 0;
    int browserWidth = 10335;
    int browserHeight = 6615;
    int logoLeft = 9720;

    bool operator==(const BrowserLayout &) const = default;
};

// The layout for a client area of the given width and status bar top (both in
// twips). A width or height that would be negative is refused: that control
// keeps the value it has in current.
BrowserLayout resizedLayout(const BrowserLayout &current, int clientWidth, int statusBarTop);

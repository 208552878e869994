#pragma once

#include <QStringList>

#include <optional>

// Bringing back the pages of a run that ended without closing (a crash, a
// kill, a power cut). While the program runs, the session file holds the
// addresses the windows show, the main window's first; a clean end deletes
// it, so a file found at start tells of a run that did not end cleanly, and
// its addresses are offered. The offer is never taken up by itself: a page
// that brings the program down would otherwise do so at every start. Until
// the user answers, the file keeps the offer, so that a start after another
// crash offers the same pages again; from the answer on, it follows the
// windows.
class ReopenOffer
{
public:
    // Longer addresses (a large data: address, say) are not kept.
    static constexpr qsizetype MaxAddressLength = 64 * 1024;

    // What the session file held at start; none when there was no file.
    explicit ReopenOffer(const std::optional<QStringList> &leftByLastRun);

    // The addresses to offer, the main window's first ("" for a window that
    // showed none); empty when there is nothing to offer.
    QStringList offered() const { return m_awaitsAnswer ? m_offered : QStringList(); }

    // The windows show these addresses now (the main window's first, "" for
    // none). Returns what the file is to hold, or none when it stays as it is.
    std::optional<QStringList> windowsShow(const QStringList &addresses);
    // The user took up the offer (the windows are about to show its pages
    // again) or turned it down. Returns what the file is to hold, or none
    // when it stays as it is.
    std::optional<QStringList> answer(bool reopened);

private:
    QStringList m_offered;
    bool m_awaitsAnswer = false;
    QStringList m_shown;
    QStringList m_written;
};

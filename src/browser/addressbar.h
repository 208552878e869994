#pragma once

#include <QComboBox>

class QStringListModel;

// The address bar: an editable drop-down whose list is the address history.
// Qt's own conveniences are off (no insertion on Enter, no completer, no
// duplicate check); releasing a letter key completes the typed text from the
// history, and Enter is reported to the window, which records and navigates.
class AddressBar : public QComboBox
{
    Q_OBJECT

public:
    // The list holds at most this many entries; further ones are refused.
    static constexpr int MaxEntries = 32767;

    explicit AddressBar(QWidget *parent = nullptr);

    // Appends an entry unless the history is full; false when refused.
    bool appendEntry(const QString &text);
    QStringList entries() const;
    void setEntries(const QStringList &entries);

    // The completion of a released letter key (public for benchmarks).
    void completeFromHistory();

Q_SIGNALS:
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    QStringListModel *m_history;
    QStringList m_foldedHistory;
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

// What the server window's log tells, handed over from the thread that
// serves to the window's. Any thread may add entries; the window takes them
// in batches. However fast clients come, the window hears of new entries
// once per batch, and no more than the newest maxEntries wait. Entries are
// kept as the server reports them and made into lines only when shown.
class ServerLog : public QObject
{
    Q_OBJECT

public:
    struct Entry {
        enum class Kind : quint8 { Line, Connection, Request };
        Kind kind = Kind::Line;
        // A line as it is shown, or a client's address.
        QString text;
        // A request's target as it came, and its answer's outcome.
        QByteArray target;
        QByteArray outcome;
    };

    explicit ServerLog(qsizetype maxEntries, QObject *parent = nullptr)
        : QObject(parent), m_maxEntries(maxEntries)
    { }

    void append(const QString &line) { add({Entry::Kind::Line, line, {}, {}}); }
    void appendConnection(const QString &peerAddress)
    {
        add({Entry::Kind::Connection, peerAddress, {}, {}});
    }
    void appendRequest(const QByteArray &target, const QByteArray &outcome)
    {
        add({Entry::Kind::Request, {}, target, outcome});
    }
    // The entries added since the last call, oldest first.
    QList<Entry> takeAll();
    void clear();

Q_SIGNALS:
    // Entries wait where none did: the first of a batch.
    void linesWaiting();

private:
    void add(Entry entry);

    const qsizetype m_maxEntries;
    QMutex m_mutex;
    QList<Entry> m_entries;
};

#pragma once

#include <QMutex>
#include <QObject>
#include <QStringList>

// Lines for the server window's log, handed over from the thread that serves
// to the window's. Any thread may add lines; the window takes them in
// batches. However fast clients come, the window hears of new lines once per
// batch, and no more than the newest MaxLines wait.
class ServerLog : public QObject
{
    Q_OBJECT

public:
    explicit ServerLog(qsizetype maxLines, QObject *parent = nullptr)
        : QObject(parent), m_maxLines(maxLines)
    { }

    void append(const QString &line);
    // The lines added since the last call, oldest first.
    QStringList takeAll();
    void clear();

Q_SIGNALS:
    // Lines wait where none did: the first of a batch.
    void linesWaiting();

private:
    const qsizetype m_maxLines;
    QMutex m_mutex;
    QStringList m_lines;
};

#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QThreadPool>
#include <QUrl>

#include <memory>

class FilterEngine;

// One list as the loader reads it: its address and the file that holds it
// (the fetched copy of an https: list, the file itself for a file: one).
struct FilterListFile {
    QUrl address;
    QString path;
};

// What a load made: the engine (empty when no list could be read), one line
// on what it holds, and, for each list, when its copy goes stale (null for
// a missing copy).
struct FilterLoadResult {
    std::shared_ptr<const FilterEngine> engine;
    QString summary;
    QList<QPair<QUrl, QDateTime>> staleAt;
};

// Makes the matcher from the lists, away from the GUI thread: from the
// compiled form in the list folder when it was made from the very same
// files, otherwise from the lists' text, after which the compiled form is
// written for the next start. Fetched copies to keep are written first, each
// file replaced atomically. One load at a time; a load asked for while
// another runs follows it, and only the newest waiting one is done.
class FilterEngineLoader : public QObject
{
    Q_OBJECT

public:
    FilterEngineLoader(const QString &compiledPath, QObject *parent = nullptr);
    // Waits for a load under way: it only uses what it was given.
    ~FilterEngineLoader() override;

    void load(const QList<FilterListFile> &lists,
        const QList<QPair<QString, QByteArray>> &copiesToWrite = {});

    bool isLoading() const { return m_running; }

Q_SIGNALS:
    void loaded(const FilterLoadResult &result);

private:
    struct Job {
        QList<FilterListFile> lists;
        QList<QPair<QString, QByteArray>> writes;
    };
    void startNext();
    static FilterLoadResult run(const Job &job, const QString &compiledPath);

    QString m_compiledPath;
    QThreadPool m_pool;
    bool m_running = false;
    bool m_hasNext = false;
    Job m_next;
};

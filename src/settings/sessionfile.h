#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The file that holds the open windows' addresses while the program runs, so
// that a start after a crash or a power cut finds them; a clean end deletes
// it. It is a list file (see LoadList()), replaced atomically. Saves run on a
// worker thread, so that a slow disk never holds up a window; of several
// contents waiting there, only the newest is written.
class SessionFile
{
public:
    explicit SessionFile(const QString &path);
    // Waits for a save under way.
    ~SessionFile();
    SessionFile(const SessionFile &) = delete;
    SessionFile &operator=(const SessionFile &) = delete;

    // What the file holds; none when there is no file. A file too large to be
    // one of ours holds nothing.
    std::optional<QStringList> read() const;
    void save(const QStringList &addresses);
    // Waits for a save under way, then deletes the file; later saves are
    // dropped.
    void remove();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

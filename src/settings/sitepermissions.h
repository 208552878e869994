#pragma once

#include <QHash>
#include <QString>

#include <optional>

// What the user allowed or blocked each site to do, as answered in the
// prompts, kept in a list file of the data directory (one answer an entry:
// "allow geolocation https://example.org"). Read on first use; every change
// replaces the file atomically.
class SitePermissions
{
public:
    explicit SitePermissions(const QString &file);

    // The answer remembered for the origin (scheme://host[:port]) and the
    // kind of request ("geolocation", "notifications", ...), if any.
    std::optional<bool> decision(const QString &origin, const QString &kind) const;
    // Remembers the answer; false when the file could not be written, and
    // the answer then holds for this run only.
    bool remember(const QString &origin, const QString &kind, bool allowed);
    // Forgets every answer and deletes the file.
    void clear();
    bool isEmpty() const;

private:
    void load() const;

    QString m_file;
    mutable bool m_loaded = false;
    // "kind origin" -> allowed
    mutable QHash<QString, bool> m_decisions;
};

#include "settings/sitepermissions.h"

#include "settings/listfile.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

namespace {

constexpr QLatin1StringView Allow("allow");
constexpr QLatin1StringView Block("block");

QString keyOf(const QString &origin, const QString &kind)
{
    return kind + u' ' + origin;
}

} // namespace

SitePermissions::SitePermissions(const QString &file) : m_file(file) { }

void SitePermissions::load() const
{
    if (m_loaded)
        return;
    m_loaded = true;
    QStringList entries;
    LoadList(&entries, m_file);
    // Lines that are not "allow|block KIND ORIGIN" are someone else's, and
    // count for nothing.
    for (const QString &entry : std::as_const(entries)) {
        const QStringList parts = entry.split(u' ');
        if (parts.size() == 3 && (parts.at(0) == Allow || parts.at(0) == Block)
            && !parts.at(1).isEmpty() && !parts.at(2).isEmpty())
            m_decisions.insert(keyOf(parts.at(2), parts.at(1)), parts.at(0) == Allow);
    }
}

std::optional<bool> SitePermissions::decision(const QString &origin, const QString &kind) const
{
    load();
    const auto found = m_decisions.constFind(keyOf(origin, kind));
    if (found == m_decisions.constEnd())
        return std::nullopt;
    return *found;
}

bool SitePermissions::remember(const QString &origin, const QString &kind, bool allowed)
{
    load();
    m_decisions.insert(keyOf(origin, kind), allowed);
    QStringList keys = m_decisions.keys();
    std::sort(keys.begin(), keys.end());
    QStringList entries;
    for (const QString &key : std::as_const(keys))
        entries << QString(m_decisions.value(key) ? Allow : Block) + u' ' + key;
    return SaveList(entries, m_file);
}

void SitePermissions::clear()
{
    m_decisions.clear();
    m_loaded = true;
    QFile::remove(m_file);
}

bool SitePermissions::isEmpty() const
{
    load();
    return m_decisions.isEmpty();
}

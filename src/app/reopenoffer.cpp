#include "app/reopenoffer.h"

namespace {

// Windows without an address at the end of the list say nothing.
QStringList kept(QStringList addresses)
{
    for (QString &address : addresses) {
        if (address.size() > ReopenOffer::MaxAddressLength)
            address.clear();
    }
    while (!addresses.isEmpty() && addresses.constLast().isEmpty())
        addresses.removeLast();
    return addresses;
}

} // namespace

ReopenOffer::ReopenOffer(const std::optional<QStringList> &leftByLastRun)
    : m_offered(kept(leftByLastRun.value_or(QStringList()))), m_awaitsAnswer(!m_offered.isEmpty()),
      m_written(m_offered)
{ }

std::optional<QStringList> ReopenOffer::windowsShow(const QStringList &addresses)
{
    m_shown = kept(addresses);
    if (m_awaitsAnswer || m_shown == m_written)
        return std::nullopt;
    m_written = m_shown;
    return m_written;
}

std::optional<QStringList> ReopenOffer::answer(bool reopened)
{
    m_awaitsAnswer = false;
    return windowsShow(reopened ? m_offered : m_shown);
}

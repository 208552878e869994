#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

// Where the filter lists come from and how long a fetched copy stays good.
namespace FilterLists {

// EasyList and EasyPrivacy.
QList<QUrl> defaultAddresses();

// The addresses a FilterLists setting names (separated by blanks), https:
// and file: only; an empty setting names the defaults. What is refused is
// added to *refused.
QList<QUrl> addresses(const QString &setting, QStringList *refused = nullptr);

// The name of the file in the list folder that keeps the copy fetched from
// an https: address: the address's last part, made safe, and a hash of the
// whole address ("easylist-3f9a1c2b.txt").
QString cacheFileName(const QUrl &address);

// How long a copy of a list stays good, in seconds, as its header's
// "! Expires: 4 days" (or "12 hours") says; four days when it says nothing.
// Kept between an hour and two weeks, whatever a list asks.
qint64 lifetimeSeconds(QByteArrayView head);

// Whether fetched bytes can be a filter list at all: text, not a web page
// (a captive portal's, say) that would replace a good copy.
bool looksLikeFilterList(QByteArrayView bytes);

} // namespace FilterLists

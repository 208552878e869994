#include "blocking/filterlists.h"

#include <QCryptographicHash>
#include <QRegularExpression>

namespace {

constexpr qint64 Hour = 3600;
constexpr qint64 Day = 24 * Hour;

} // namespace

QList<QUrl> FilterLists::defaultAddresses()
{
    return {QUrl(QStringLiteral("https://easylist.to/easylist/easylist.txt")),
        QUrl(QStringLiteral("https://easylist.to/easylist/easyprivacy.txt"))};
}

QList<QUrl> FilterLists::addresses(const QString &setting, QStringList *refused)
{
    const QStringList words
        = setting.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return defaultAddresses();
    QList<QUrl> result;
    for (const QString &word : words) {
        const QUrl url(word, QUrl::StrictMode);
        const bool fine = url.isValid()
            && ((url.scheme() == QLatin1String("https") && !url.host().isEmpty())
                || (url.isLocalFile() && !url.toLocalFile().isEmpty()));
        if (fine && !result.contains(url))
            result << url;
        else if (!fine && refused)
            *refused << word;
    }
    return result;
}

QString FilterLists::cacheFileName(const QUrl &address)
{
    QString base = address.fileName().section(QLatin1Char('.'), 0, 0).left(40);
    base.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    if (base.isEmpty())
        base = QStringLiteral("list");
    const QByteArray hash
        = QCryptographicHash::hash(address.toEncoded(), QCryptographicHash::Sha256);
    return base + QLatin1Char('-') + QString::fromLatin1(hash.left(4).toHex())
        + QStringLiteral(".txt");
}

qint64 FilterLists::lifetimeSeconds(QByteArrayView head)
{
    static const QRegularExpression expires(
        QStringLiteral("^!\\s*Expires\\s*:\\s*(\\d+)\\s*(h|hour|hours|d|day|days)\\b"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    // The header is at the top; a look at the first lines is enough.
    const QString text = QString::fromUtf8(head.first(qMin<qsizetype>(head.size(), 4096)));
    const QRegularExpressionMatch match = expires.match(text);
    if (!match.hasMatch())
        return 4 * Day;
    const qint64 count = match.captured(1).left(6).toLongLong();
    const qint64 unit
        = match.captured(2).startsWith(QLatin1Char('h'), Qt::CaseInsensitive) ? Hour : Day;
    return qBound(Hour, count * unit, 14 * Day);
}

bool FilterLists::looksLikeFilterList(QByteArrayView bytes)
{
    const QByteArrayView start = bytes.first(qMin<qsizetype>(bytes.size(), 4096)).trimmed();
    if (start.isEmpty() || start.startsWith('<') || start.contains('\0'))
        return false;
    return true;
}

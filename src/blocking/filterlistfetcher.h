#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// Fetches filter lists over HTTPS in the background. A list is at most
// MaxBytes; a reply that grows past it, that takes too long, that is no
// success or that does not look like a list fails, and its address gets a
// fetched() with ok false: the copy kept from before stays in use.
class FilterListFetcher : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxBytes = 32 * 1024 * 1024;

    explicit FilterListFetcher(QObject *parent = nullptr);

    // One fetch per address at a time; asking again while it runs does
    // nothing.
    void fetch(const QUrl &address);
    bool isFetching() const { return !m_replies.isEmpty(); }

Q_SIGNALS:
    void fetched(const QUrl &address, bool ok, const QByteArray &bytes);

private:
    QNetworkAccessManager *network();
    void finish(QNetworkReply *reply);

    QNetworkAccessManager *m_network = nullptr;
    QHash<QNetworkReply *, QByteArray> m_replies;
};

#include "blocking/filterlistfetcher.h"

#include "blocking/filterlists.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// A list server that has not sent everything in this time has failed.
constexpr int TransferTimeoutMs = 60000;

} // namespace

FilterListFetcher::FilterListFetcher(QObject *parent) : QObject(parent) { }

// Made at the first fetch: most starts fetch nothing.
QNetworkAccessManager *FilterListFetcher::network()
{
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
        // Redirects are followed, but never from https: to anything less.
        m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return m_network;
}

void FilterListFetcher::fetch(const QUrl &address)
{
    if (address.scheme() != QLatin1String("https"))
        return;
    for (QNetworkReply *reply : m_replies.keys()) {
        if (reply->request().url() == address)
            return;
    }
    QNetworkRequest request(address);
    request.setTransferTimeout(TransferTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader,
        QStringLiteral("Wavecrest/%1").arg(QCoreApplication::applicationVersion()));
    QNetworkReply *reply = network()->get(request);
    m_replies.insert(reply, QByteArray());
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        QByteArray &bytes = m_replies[reply];
        if (bytes.size() + reply->bytesAvailable() > MaxBytes) {
            reply->abort();
            return;
        }
        bytes += reply->readAll();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
}

void FilterListFetcher::finish(QNetworkReply *reply)
{
    reply->deleteLater();
    QByteArray bytes = m_replies.take(reply);
    const QUrl address = reply->request().url();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError
        && bytes.size() + reply->bytesAvailable() <= MaxBytes)
        bytes += reply->readAll();
    const bool ok = reply->error() == QNetworkReply::NoError && status == 200
        && bytes.size() <= MaxBytes && FilterLists::looksLikeFilterList(bytes);
    Q_EMIT fetched(address, ok, ok ? bytes : QByteArray());
}

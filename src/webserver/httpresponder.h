#pragma once

#include <QByteArray>
#include <QHash>
#include <QMimeDatabase>
#include <QString>

struct HttpRequest;

// Turns a request into the bytes to send: a file of the data directory with
// the server's address put in for every "$ip", or the generated pages. What
// it needs is fixed when the server starts, so one responder serves every
// connection of a run.
class HttpResponder
{
public:
    static constexpr char IndexPage[] = "index.html";

    HttpResponder(const QString &dataDirectory, const QByteArray &localAddress);

    QByteArray answer(const HttpRequest &request) const;

    // A non-GET request that carried an HTTP/1.x version.
    static QByteArray notImplementedAnswer();

private:
    bool isServable(const QByteArray &path) const;
    QByteArray fileAnswer(const QString &fileName, QByteArray content, bool withHeaders) const;
    QByteArray contentType(const QString &fileName, const QByteArray &body) const;
    QByteArray notFoundAnswer(const QByteArray &path, bool withHeaders) const;

    QString m_dataDirectory;
    QByteArray m_localAddress;
    QByteArray m_notFoundPage;
    QMimeDatabase m_mimeTypes;
    mutable QHash<QString, QByteArray> m_contentTypes;
};

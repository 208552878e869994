#pragma once

#include <QByteArray>
#include <QHash>
#include <QMimeDatabase>
#include <QString>

#include <optional>

struct HttpRequest;

// Turns a request into the bytes to send: a file of the data directory with
// the server's address put in for every "$ip", or the generated pages. What
// it needs is fixed when the server starts, so one responder serves every
// connection of a run.
class HttpResponder
{
public:
    static constexpr char IndexPage[] = "index.html";
    // A file's pages are prepared again once it has changed, and only kept
    // when it has not changed for this long.
    static constexpr int SettleSeconds = 2;

    HttpResponder(const QString &dataDirectory, const QByteArray &localAddress);

    QByteArray answer(const HttpRequest &request) const;

    // A non-GET request that carried an HTTP/1.x version.
    static QByteArray notImplementedAnswer();

private:
    // Prepared pages kept at most; a single page may take a sixteenth.
    static constexpr qsizetype MaxPreparedBytes = 16 * 1024 * 1024;

    // What tells whether a file has changed since it was read.
    struct FileStamp {
        qint64 size = 0;
        // The file's inode where there is one.
        qint64 identity = 0;
        // Nanoseconds since the epoch.
        qint64 modified = 0;
        qint64 changed = 0;
        friend bool operator==(const FileStamp &, const FileStamp &) = default;
    };
    // A file with "$ip" replaced, alone and as a whole HTTP answer.
    struct PreparedFile {
        QString fileName;
        FileStamp stamp;
        QByteArray body;
        QByteArray answer;
    };

    static std::optional<FileStamp> stampOf(const QString &fileName);
    bool isServable(const QByteArray &path) const;
    QByteArray fileAnswer(const QByteArray &path, const QString &fileName, bool withHeaders) const;
    QByteArray contentType(const QString &fileName, const QByteArray &body) const;
    QByteArray notFoundAnswer(const QByteArray &path, bool withHeaders) const;

    QString m_dataDirectory;
    QByteArray m_localAddress;
    QByteArray m_notFoundPage;
    QMimeDatabase m_mimeTypes;
    mutable QHash<QString, QByteArray> m_contentTypes;
    // By the path as requested.
    mutable QHash<QByteArray, PreparedFile> m_preparedFiles;
    mutable qsizetype m_preparedBytes = 0;
};

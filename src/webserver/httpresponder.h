#pragma once

#include "webserver/fileanswer.h"
#include "webserver/preparedpages.h"
#include "webserver/servedfiles.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

struct HttpRequest;

// What a request is answered with, sent in this order: bytes ready to send
// (the head, or a whole answer the server made up); part of a page kept
// ready, shared with it; part of a file, which the system sends straight
// from its cache; or a file read and changed chunk by chunk.
struct HttpAnswer {
    QByteArray ready;
    QByteArray page;
    qsizetype pageFrom = 0;
    qsizetype pageLength = 0;
    std::shared_ptr<QFile> file;
    qint64 fileFrom = 0;
    qint64 fileLength = 0;
    std::unique_ptr<FileAnswer> stream;
    // The connection ends once the answer is out.
    bool close = true;
    // For the log: the status code and, for part of a file, which part.
    QByteArray outcome;
};

// Turns a request into its answer: a file of the data directory (whole, in
// part, or "not modified"), with the server's address put in for every
// "$ip" of a text, or the generated pages. What it needs is fixed when the
// server starts, so one responder serves every connection of a run.
class HttpResponder
{
public:
    static constexpr char IndexPage[] = "index.html";

    HttpResponder(const QString &dataDirectory, const QByteArray &localAddress,
        const QStringList &privateFolders = {});
    ~HttpResponder();

    // keepAlive: the connection may stay open after this answer, as far as
    // the request and the connection are concerned.
    HttpAnswer answer(const HttpRequest &request, bool keepAlive);

    // An answer with a status and no body, after which the connection ends.
    static QByteArray statusAnswer(QByteArrayView status);

    // How many small files are kept ready to send.
    int keptPages() const;

private:
    struct Reply;
    HttpAnswer preparedAnswer(PreparedPages::Page &page, const Reply &reply);
    HttpAnswer fileAnswer(const Reply &reply, const ServedFile &file);
    HttpAnswer streamedAnswer(const Reply &reply, const ServedFile &file,
        std::unique_ptr<QFile> opened, const QByteArray &type, bool text);
    HttpAnswer notFoundAnswer(const QByteArray &path, const Reply &reply) const;
    struct ContentType {
        QByteArray name;
        bool text = false;
    };
    ContentType contentTypeOf(const ServedFile &file, QFile &opened);

    ServedFiles m_files;
    QByteArray m_localAddress;
    QByteArrayList m_ownNames;
    QByteArray m_notFoundPage;
    // Shared with the file answers under way, which fill it as they read.
    std::shared_ptr<PreparedPages> m_prepared;
    // The types of files answered before, by canonical name, for as long as
    // their stamps stay: a type read from a file's first bytes takes longer
    // than sending a megabyte of it.
    struct KnownType {
        FileStamp stamp;
        ContentType type;
    };
    static constexpr qsizetype KnownTypes = 256;
    QHash<QString, KnownType> m_knownTypes;
};

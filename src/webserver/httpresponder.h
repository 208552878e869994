#pragma once

#include "webserver/fileanswer.h"
#include "webserver/servedfiles.h"

#include <QByteArray>
#include <QString>

#include <memory>

class PreparedPages;
struct HttpRequest;

// What a request is answered with: bytes ready to send and, for a file that
// is not kept ready, the file to send after them chunk by chunk.
struct HttpAnswer {
    QByteArray ready;
    std::unique_ptr<FileAnswer> file;
};

// Turns a request into its answer: a file of the data directory with the
// server's address put in for every "$ip", or the generated pages. What it
// needs is fixed when the server starts, so one responder serves every
// connection of a run.
class HttpResponder
{
public:
    static constexpr char IndexPage[] = "index.html";

    HttpResponder(const QString &dataDirectory, const QByteArray &localAddress);
    ~HttpResponder();

    HttpAnswer answer(const HttpRequest &request);

    // An answer with a status and no body, for requests that are not served.
    static QByteArray statusAnswer(QByteArrayView status);

    // How many small files are kept ready to send.
    int keptPages() const;

private:
    HttpAnswer notFoundAnswer(const QByteArray &path, const HttpRequest &request) const;

    ServedFiles m_files;
    QByteArray m_localAddress;
    QByteArray m_notFoundPage;
    // Shared with the file answers under way, which fill it as they read.
    std::shared_ptr<PreparedPages> m_prepared;
};

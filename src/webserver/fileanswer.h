#pragma once

#include "webserver/generatedpages.h"
#include "webserver/httpvalidators.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <optional>

class QFile;

// An answer whose body is a file with every "$ip" replaced by the server's
// address, produced one chunk at a time as the connection can take it:
// however large the file, no more than a chunk of it is in memory.
//
// The bare form (a request without an HTTP version) is the file, whatever
// its type, then CR LF. The HTTP forms, for text, carry a status line and
// headers. The length after replacing is known only at the end: a text
// larger than the first chunk goes chunked on a connection that stays open,
// and without a length on one that ends with the answer.
class FileAnswer
{
public:
    // A file up to this size is read at once, so that it can be kept ready
    // and a text's length is known after "$ip" is put in.
    static constexpr qint64 FirstChunkSize = 128 * 1024;
    // Larger files follow in chunks of this size.
    static constexpr qint64 ChunkSize = 32 * 1024;

    enum class Form { Bare, Http, HttpHeadOnly };

    // What the head of an HTTP form says besides the length.
    struct Head {
        QByteArray contentType;
        FileValidators validators;
        // The connection ends after the answer.
        bool close = true;
    };

    // Offered the file's whole content when it fitted into the first chunk.
    using Keep = std::function<void(const QByteArray &content)>;

    FileAnswer(std::unique_ptr<QFile> file, Form form, Head head, const QByteArray &localAddress,
        Keep keep);
    ~FileAnswer();

    // Reads the next chunk and returns what to send for it; false when the
    // file could not be read.
    bool next(QByteArray *piece);
    bool atEnd() const { return m_done; }

private:
    bool start(QByteArray *piece);
    bool readChunk(QByteArray *chunk, qint64 size, bool *ended);
    QByteArray body(const QByteArray &chunk, bool ended);

    std::unique_ptr<QFile> m_file;
    const Form m_form;
    const Head m_head;
    Keep m_keep;
    StreamingReplacer m_replacer;
    bool m_chunked = false;
    bool m_started = false;
    bool m_done = false;
};

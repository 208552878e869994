#pragma once

#include "webserver/generatedpages.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QFile;

// An answer whose body comes from a file, produced one chunk at a time as the
// connection can take it: however large the file, no more than a chunk of it
// is in memory.
//
// The bare form (a request without an HTTP version) is the file with every
// "$ip" replaced, then CR LF. The HTTP forms carry a status line and headers;
// their body is the file's bytes exactly, with "$ip" replaced in text only. A
// text larger than the first chunk is sent without a length, since the
// length after replacing is known only at its end.
class FileAnswer
{
public:
    // A file up to this size is read at once, so that it can be kept ready
    // and a text's length is known after "$ip" is put in.
    static constexpr qint64 FirstChunkSize = 128 * 1024;
    // Larger files follow in chunks of this size.
    static constexpr qint64 ChunkSize = 32 * 1024;

    enum class Form { Bare, Http, HttpHeadOnly };

    // Offered the file's whole content when it fitted into the first chunk,
    // with its content type and whether it is text.
    using Keep = std::function<void(
        const QByteArray &content, const QByteArray &contentType, bool isText)>;

    // The file's name tells its type.
    FileAnswer(std::unique_ptr<QFile> file, const QString &fileName, Form form,
        const QByteArray &localAddress, Keep keep);
    ~FileAnswer();

    // Reads the next chunk and returns what to send for it; false when the
    // file could not be read or ended before the length already announced.
    bool next(QByteArray *piece);
    bool atEnd() const { return m_done; }

private:
    bool start(QByteArray *piece);
    bool readChunk(QByteArray *chunk, qint64 size, bool *ended);
    QByteArray body(const QByteArray &chunk, bool ended);

    std::unique_ptr<QFile> m_file;
    const QString m_fileName;
    const Form m_form;
    const QByteArray m_localAddress;
    Keep m_keep;
    std::optional<StreamingReplacer> m_replacer;
    // Bytes of the file still to send when the answer announced a length;
    // -1 when the file is sent to its end.
    qint64 m_remaining = -1;
    bool m_started = false;
    bool m_done = false;
};

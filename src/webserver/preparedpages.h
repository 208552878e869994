#pragma once

#include "webserver/httpvalidators.h"
#include "webserver/servedfiles.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

class QFile;

// Small files kept ready to send: reading and preparing a page costs more
// than the rest of a request, and the same few pages are asked for again and
// again. Pages are known by the resolved file, however a request spells its
// name, and are used only while the file's stamp is unchanged.
class PreparedPages
{
public:
    // Bytes kept at most, bookkeeping included.
    static constexpr qsizetype MaxBytes = 16 * 1024 * 1024;
    // File times have coarse steps: a file written again within the step of
    // its last change keeps its times, so only a file that has been left
    // alone for this long is known by them.
    static constexpr int SettleSeconds = 2;
    // A page this large or larger that goes out as its file holds it is sent
    // from the file, kept open, rather than copied from memory; for so many
    // pages at most.
    static constexpr qsizetype SentFromFileFrom = 32 * 1024;
    static constexpr int MaxOpenFiles = 32;

    struct Page {
        FileStamp stamp;
        // The file's bytes, and the same with the server's address put in
        // for every "$ip".
        QByteArray content;
        QByteArray withAddress;
        QByteArray contentType;
        // Text gets the address in answers that carry headers too.
        bool isText = false;
        FileValidators validators;
        // The heads of a whole answer to GET, for a connection that stays
        // open and for one that ends, made again when their date is no
        // longer the current one: a busy page's head is made once a second,
        // not once a request.
        QByteArray heads[2];
        QByteArray headsDate;
        // The file, open, for a large page sent as the file holds it; shared
        // with the answers under way.
        std::shared_ptr<QFile> file;

        // What answers with headers carry.
        const QByteArray &body() const { return isText ? withAddress : content; }
    };

    explicit PreparedPages(const QByteArray &localAddress) : m_localAddress(localAddress) { }

    // The page of a file, unless there is none or the file has changed.
    Page *find(const ServedFile &file);

    // Keeps a file's whole content, read just now, when the file has settled
    // and still is what was resolved.
    void keep(const ServedFile &file, const QByteArray &content, const QByteArray &contentType,
        bool isText);

    int count() const { return int(m_pages.size()); }

private:
    void forget(QHash<QString, Page>::iterator page);

    QByteArray m_localAddress;
    QHash<QString, Page> m_pages;
    qsizetype m_bytes = 0;
    int m_openFiles = 0;
};

// The SMTP reply reader on arbitrary server bytes: fed whole or cut into
// pieces anywhere, it must find the same replies, each with a code of at most
// three characters, and never hold more than its limit. Each reply is read as
// an answer to EHLO too, which must never claim a login it cannot name.
#include "mail/smtpextensions.h"
#include "mail/smtpreplyparser.h"

#include <cstdint>
#include <cstdlib>

namespace {

void expect(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses where the input is cut into pieces.
    const std::size_t step = 1 + data[0] % 16;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    SmtpReplyParser whole;
    const QList<SmtpReply> expected = whole.feed(bytes);
    SmtpReplyParser pieces;
    QList<SmtpReply> found;
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(step))
        found += pieces.feed(bytes.sliced(at, qMin(qsizetype(step), bytes.size() - at)));

    expect(found.size() == expected.size());
    for (qsizetype i = 0; i < found.size(); ++i) {
        expect(found.at(i).code == expected.at(i).code);
        expect(found.at(i).text == expected.at(i).text);
        expect(found.at(i).code.size() <= 3);
        expect(found.at(i).text.size() <= SmtpReplyParser::MaxReplySize + 2);
        const SmtpExtensions offered = parseEhloReply(found.at(i).text);
        expect(offered.auth || (!offered.authPlain && !offered.authLogin));
    }
    return 0;
}

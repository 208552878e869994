// The list-file reader on arbitrary bytes, and the promise of the writer:
// every entry without a line break reads back exactly as it was saved, from
// the file's bytes.
#include "settings/listfile.h"
#include "settings/textfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void expectSame(const QStringList &saved, const QStringList &loaded)
{
    if (saved == loaded)
        return;
    std::fprintf(stderr, "saved %lld entries, loaded %lld differing ones\n",
        static_cast<long long>(saved.size()), static_cast<long long>(loaded.size()));
    std::abort();
}

QStringList savedAndLoaded(const QStringList &entries)
{
    return parseListText(decodeTextFile(encodeTextFile(formatListText(entries))));
}

QString withoutLineBreaks(QString entry)
{
    entry.replace(u'\r', u' ');
    entry.replace(u'\n', u' ');
    return entry;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = decodeTextFile(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));

    // The input's lines as entries: commas, quotes and blanks in every place.
    QString lines = text;
    lines.replace(u'\r', u'\n');
    const QStringList entries = lines.split(u'\n');
    expectSame(entries, savedAndLoaded(entries));

    // Whatever an old or damaged file held survives the next save and load,
    // but for line breaks, which are saved as blanks.
    QStringList loaded = parseListText(text);
    for (QString &entry : loaded)
        entry = withoutLineBreaks(entry);
    expectSame(loaded, savedAndLoaded(loaded));
    return 0;
}

// The settings reader and writer on arbitrary file bytes: neither may crash,
// a written value reads back as the reader returns any value, from the file
// as rewritten in its own encoding, and the write changes no line but the
// key's own.
#include "settings/profile.h"
#include "settings/textfile.h"
#include "settings/textlines.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\x1A';
}

QString trimmedBlanks(QString text)
{
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    while (!text.isEmpty() && isBlank(text.front()))
        text.remove(0, 1);
    return text;
}

// What the reader makes of a value: trimmed, one pair of like quotes off,
// at most 254 characters.
QString asRead(const QString &value)
{
    QString text = trimmedBlanks(singleLine(value));
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'')
        && text.back() == text.front())
        text = text.mid(1, text.size() - 2);
    // One by one: QString::fromUcs4() would drop a leading U+FEFF as a mark.
    const QList<uint> characters = text.toUcs4();
    QString cut;
    for (const uint c : characters.first(qMin<qsizetype>(characters.size(), 254)))
        cut += QChar::fromUcs4(c);
    return cut;
}

QStringList lines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    QStringList result = text.split(u'\n');
    if (result.back().isEmpty())
        result.removeLast();
    return result;
}

// The new text holds every old line, in order, but for one replaced line,
// one inserted key line or an appended section with its key.
bool onlyKeyLineChanged(const QStringList &before, QStringList after)
{
    if (after.size() == before.size() + 2)
        return after.mid(0, before.size()) == before;
    qsizetype i = 0;
    while (i < before.size() && i < after.size() && before.at(i) == after.at(i))
        ++i;
    if (after.size() == before.size() + 1)
        after.removeAt(i);
    else if (after.size() == before.size() && i < after.size())
        after[i] = before.at(i);
    return after == before;
}

void check(bool ok, const char *what)
{
    if (ok)
        return;
    std::fputs(what, stderr);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString section = QString::fromStdString(input.ConsumeRandomLengthString(40));
    const QString key = QString::fromStdString(input.ConsumeRandomLengthString(40));
    const QString value = QString::fromStdString(input.ConsumeRandomLengthString(400));
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    ByteOrderMark mark;
    const QString text = decodeTextFile(QByteArray(bytes.data(), qsizetype(bytes.size())), &mark);

    profileValue(text, section, key);

    // A key holding "=" or opening with "[" cannot be told from the text
    // around it, in this format or any reader of it.
    const QString cleanKey = trimmedBlanks(singleLine(key));
    if (cleanKey.contains(u'=') || cleanKey.startsWith(u'['))
        return 0;
    bool changed = true;
    const QString updated = profileWithValue(text, section, key, value, &changed);
    check(changed || updated == text, "an unchanged text was rewritten\n");
    ByteOrderMark markAfter;
    const QString reread = decodeTextFile(encodeTextFile(updated, mark), &markAfter);
    check(markAfter == mark, "the file's encoding changed\n");
    check(reread == updated, "the rewritten file reads otherwise\n");
    check(profileValue(reread, section, key) == asRead(value), "the value did not read back\n");
    check(onlyKeyLineChanged(lines(text), lines(updated)), "another line changed\n");
    return 0;
}

#include "webserver/generatedpages.h"

#include "app/addresses.h"

#include <QFile>
#include <QFileInfo>
#include <QLatin1StringView>

QByteArray BuildNotFoundPage()
{
    const QByteArray lines[] = {
        "<head>",
        "<title>Page Not Found</title>",
        "</head>",
        "<body text=\"#FF0000\">",
        "<p align=\"center\">&nbsp;</p>",
        "<p align=\"center\"><font face=\"Arial\" size=\"3\"><b>The page you have requested can",
        "not be found.</b></font></p>",
        "<p align=\"center\"><font face=\"Arial\" size=\"3\"><b>You may have mistyped the",
        "adress, or the site may be temporarily unavailable.</b></font></p>",
        "<p align=\"center\"><font face=\"Arial\" size=\"3\"><b>Please try again "
        "later.</b></font></p>",
        "<p align=\"center\">&nbsp;</p>",
        QByteArray("<p align=\"left\"><font face=\"Arial\" size=\"3\"><b><a href=\"")
            + Addresses::MakerHomePage + "\">Brimlow...",
        "The Future Is Now</a></b></font></p>",
        QByteArray("<p align=\"left\"><font face=\"Arial\" size=\"3\"><b><a href=\"")
            + Addresses::ProductPage + "\">Brimlow",
        "Wavecrest</a></b></font></p>",
    };
    QByteArray page;
    for (const QByteArray &line : lines)
        page += line + "\r\n";
    return page;
}

QByteArray missingIndexText()
{
    return QByteArrayLiteral(
        "<html><font face=\"Verdana, Arial, Helvetica, sans-serif\" size=\"1\"><b>Please create "
        "an index html page.  It was not found.</font></html>");
}

QByteArray ReplaceText(const QByteArray &text, QByteArrayView find, QByteArrayView replacement)
{
    if (find.isEmpty())
        return text;
    // Text is 8-bit, one character per byte, so Latin-1 is the right reading
    // for comparing letters without regard to case.
    const QLatin1StringView haystack(text.constData(), text.size());
    const QLatin1StringView needle(find.data(), find.size());
    qsizetype match = haystack.indexOf(needle, 0, Qt::CaseInsensitive);
    if (match < 0)
        return text;
    QByteArray result;
    result.reserve(text.size());
    qsizetype copied = 0;
    while (match >= 0) {
        result.append(text.constData() + copied, match - copied);
        result.append(replacement);
        copied = match + find.size();
        match = haystack.indexOf(needle, copied, Qt::CaseInsensitive);
    }
    result.append(text.constData() + copied, text.size() - copied);
    return result;
}

QByteArray ReadTextFile(const QString &path)
{
    if (path.isEmpty() || !FileExists(path))
        return QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool FileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

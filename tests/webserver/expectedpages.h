#pragma once

#include "app/addresses.h"

#include <QByteArray>

// The generated pages as a client must receive them, written out here so
// that a change to the server's texts shows up as a failure.
inline QByteArray expectedNotFoundPage()
{
    return QByteArray("<head>\r\n"
                      "<title>Page Not Found</title>\r\n"
                      "</head>\r\n"
                      "<body text=\"#FF0000\">\r\n"
                      "<p align=\"center\">&nbsp;</p>\r\n"
                      "<p align=\"center\"><font face=\"Arial\" size=\"3\"><b>The page you have "
                      "requested can\r\n"
                      "not be found.</b></font></p>\r\n"
                      "<p align=\"center\"><font face=\"Arial\" size=\"3\"><b>You may have "
                      "mistyped the\r\n"
                      "adress, or the site may be temporarily unavailable.</b></font></p>\r\n"
                      "<p align=\"center\"><font face=\"Arial\" size=\"3\"><b>Please try again "
                      "later.</b></font></p>\r\n"
                      "<p align=\"center\">&nbsp;</p>\r\n"
                      "<p align=\"left\"><font face=\"Arial\" size=\"3\"><b><a href=\"")
        + Addresses::MakerHomePage
        + "\">Brimlow...\r\n"
          "The Future Is Now</a></b></font></p>\r\n"
          "<p align=\"left\"><font face=\"Arial\" size=\"3\"><b><a href=\""
        + Addresses::ProductPage
        + "\">Brimlow\r\n"
          "Wavecrest</a></b></font></p>\r\n";
}

inline QByteArray expectedMissingIndexText()
{
    return "<html><font face=\"Verdana, Arial, Helvetica, sans-serif\" size=\"1\"><b>Please "
           "create an index html page.  It was not found.</font></html>";
}

// The bare answer for a missing file: the page and one more CR LF.
inline QByteArray expectedNotFoundAnswer()
{
    return expectedNotFoundPage() + "\r\n";
}

// Status line and headers as the server sends them; no Content-Type for an
// answer without a body.
inline QByteArray httpHead(
    const QByteArray &status, const QByteArray &contentType, qsizetype length)
{
    QByteArray head = "HTTP/1.0 " + status + "\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    return head + "Content-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n\r\n";
}

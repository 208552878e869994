#include "support/testregistry.h"
#include "webserver/httprequest.h"

#include <QTest>

Q_DECLARE_METATYPE(HttpRequest::Kind)

class RequestParsingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseRequestLine_data();
    void parseRequestLine();
};

void RequestParsingTest::parseRequestLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<HttpRequest::Kind>("kind");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("wantsHttpHeaders");

    using Kind = HttpRequest::Kind;
    const auto row
        = [](const char *name, const QByteArray &line, Kind kind, const QByteArray &path = {},
              bool headers = false) { QTest::newRow(name) << line << kind << path << headers; };
    row("HTTP/1.0", "GET / HTTP/1.0", Kind::Get, "/", true);
    row("HTTP/1.1, query and escapes kept", "GET /a%20b.html?x=1 HTTP/1.1", Kind::Get,
        "/a%20b.html?x=1", true);
    row("bare form: path to the line's end", "GET /a.html", Kind::Get, "/a.html");
    row("other versions are bare", "GET /a.html HTTP/0.9", Kind::Get, "/a.html");
    row("version must be the last word", "GET /a HTTP/1.1 x", Kind::Get, "/a");
    row("words between path and version", "GET /a b HTTP/1.1", Kind::Get, "/a", true);
    row("space is looked for from the path's second character", "GET  /x HTTP/1.0", Kind::Get,
        " /x", true);
    row("version-looking path", "GET HTTP/1.1", Kind::Get, "HTTP/1.1");
    row("no space after GET: path from the fourth character", "GETX /a HTTP/1.0", Kind::Get, "X",
        true);
    row("GET without a path", "GET ", Kind::Ignored);
    row("lower-case get", "get /index.html", Kind::Ignored);
    row("lower-case get with a version", "get / HTTP/1.0", Kind::NotImplemented);
    row("POST with a version", "POST /form HTTP/1.1", Kind::NotImplemented);
    row("POST without one", "POST /form", Kind::Ignored);
    row("header line", "Host: example", Kind::Ignored);
    row("empty line", "", Kind::Ignored);
}

void RequestParsingTest::parseRequestLine()
{
    QFETCH(QByteArray, line);
    QFETCH(HttpRequest::Kind, kind);
    QFETCH(QByteArray, path);
    QFETCH(bool, wantsHttpHeaders);

    const HttpRequest request = ::parseRequestLine(line);
    QCOMPARE(request.kind, kind);
    QCOMPARE(request.path, path);
    QCOMPARE(request.wantsHttpHeaders, wantsHttpHeaders);
}

WAVECREST_TEST(RequestParsingTest)
#include "tst_requestparsing.moc"

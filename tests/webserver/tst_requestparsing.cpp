#include "support/testregistry.h"
#include "webserver/httprequest.h"
#include "webserver/requestlinereader.h"

#include <QTest>

Q_DECLARE_METATYPE(HttpRequest::Kind)
Q_DECLARE_METATYPE(RequestLineReader::Status)

class RequestParsingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseRequestLine_data();
    void parseRequestLine();
    void readerJoinsPieces_data();
    void readerJoinsPieces();
    void readerRefusesLongLines_data();
    void readerRefusesLongLines();
};

void RequestParsingTest::parseRequestLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<HttpRequest::Kind>("kind");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("wantsHttpHeaders");

    using Kind = HttpRequest::Kind;
    QTest::newRow("root, HTTP/1.0")
        << QByteArray("GET / HTTP/1.0") << Kind::Get << QByteArray("/") << true;
    QTest::newRow("page, HTTP/1.1")
        << QByteArray("GET /docs/a.htm HTTP/1.1") << Kind::Get << QByteArray("/docs/a.htm") << true;
    QTest::newRow("query and escapes kept")
        << QByteArray("GET /a%20b.html?x=1&y=%41 HTTP/1.1") << Kind::Get
        << QByteArray("/a%20b.html?x=1&y=%41") << true;
    QTest::newRow("bare form, path to line end")
        << QByteArray("GET /a.html") << Kind::Get << QByteArray("/a.html") << false;
    QTest::newRow("other version is bare")
        << QByteArray("GET /a.html HTTP/0.9") << Kind::Get << QByteArray("/a.html") << false;
    QTest::newRow("HTTP/2 is bare")
        << QByteArray("GET /a.html HTTP/2.0") << Kind::Get << QByteArray("/a.html") << false;
    QTest::newRow("lower-case version is bare")
        << QByteArray("GET /a.html http/1.1") << Kind::Get << QByteArray("/a.html") << false;
    QTest::newRow("words between path and version")
        << QByteArray("GET /a b HTTP/1.1") << Kind::Get << QByteArray("/a") << true;
    QTest::newRow("path's first character may be a space")
        << QByteArray("GET  /x HTTP/1.0") << Kind::Get << QByteArray(" /x") << true;
    QTest::newRow("version-looking path")
        << QByteArray("GET HTTP/1.1") << Kind::Get << QByteArray("HTTP/1.1") << false;
    QTest::newRow("no space after GET counts from the fourth character")
        << QByteArray("GETX /a HTTP/1.0") << Kind::Get << QByteArray("X") << true;
    QTest::newRow("later GET decides")
        << QByteArray("GETGET /x") << Kind::Get << QByteArray("/x") << false;
    QTest::newRow("tab is part of the path")
        << QByteArray("GET /a\tb HTTP/1.0") << Kind::Get << QByteArray("/a\tb") << true;
    QTest::newRow("GET alone") << QByteArray("GET") << Kind::Ignored << QByteArray() << false;
    QTest::newRow("GET and space") << QByteArray("GET ") << Kind::Ignored << QByteArray() << false;
    QTest::newRow("lower-case get, bare")
        << QByteArray("get /index.html") << Kind::Ignored << QByteArray() << false;
    QTest::newRow("lower-case get, versioned")
        << QByteArray("get /index.html HTTP/1.0") << Kind::NotImplemented << QByteArray() << false;
    QTest::newRow("POST, versioned")
        << QByteArray("POST /form HTTP/1.1") << Kind::NotImplemented << QByteArray() << false;
    QTest::newRow("HEAD, versioned")
        << QByteArray("HEAD / HTTP/1.0") << Kind::NotImplemented << QByteArray() << false;
    QTest::newRow("POST, bare") << QByteArray("POST /form") << Kind::Ignored << QByteArray()
                                << false;
    QTest::newRow("header line") << QByteArray("Host: example") << Kind::Ignored << QByteArray()
                                 << false;
    QTest::newRow("empty line") << QByteArray() << Kind::Ignored << QByteArray() << false;
    QTest::newRow("version alone")
        << QByteArray("HTTP/1.1") << Kind::Ignored << QByteArray() << false;
}

void RequestParsingTest::parseRequestLine()
{
    QFETCH(QByteArray, line);
    QFETCH(HttpRequest::Kind, kind);
    QFETCH(QByteArray, path);
    QFETCH(bool, wantsHttpHeaders);

    const HttpRequest request = ::parseRequestLine(line);
    QCOMPARE(request.kind, kind);
    if (kind == HttpRequest::Kind::Get) {
        QCOMPARE(request.path, path);
        QCOMPARE(request.wantsHttpHeaders, wantsHttpHeaders);
    }
}

void RequestParsingTest::readerJoinsPieces_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("rest");

    QTest::newRow("one piece") << QByteArrayList{"GET / HTTP/1.0\r\nHost: a\r\n\r\n"}
                               << QByteArrayList{"GET / HTTP/1.0", "Host: a", ""} << QByteArray();
    QTest::newRow("split inside the method")
        << QByteArrayList{"GE", "T /a.html HTTP/1.1\r\n"} << QByteArrayList{"GET /a.html HTTP/1.1"}
        << QByteArray();
    QTest::newRow("split between CR and LF")
        << QByteArrayList{"GET /a\r", "\nX"} << QByteArrayList{"GET /a"} << QByteArray("X");
    QTest::newRow("LF alone ends a line")
        << QByteArrayList{"GET /a\nGET /b\n"} << QByteArrayList{"GET /a", "GET /b"} << QByteArray();
    QTest::newRow("byte by byte") << QByteArrayList{"G", "E", "T", " ", "/", "\r", "\n"}
                                  << QByteArrayList{"GET /"} << QByteArray();
    QTest::newRow("lone CR stays in the line")
        << QByteArrayList{"GET /a\rb\r\n"} << QByteArrayList{"GET /a\rb"} << QByteArray();
    QTest::newRow("incomplete line waits")
        << QByteArrayList{"GET /a HTTP/1.1"} << QByteArrayList{} << QByteArray("GET /a HTTP/1.1");
}

void RequestParsingTest::readerJoinsPieces()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, rest);

    RequestLineReader reader;
    QByteArrayList taken;
    QByteArray line;
    for (const QByteArray &piece : pieces) {
        reader.append(piece);
        while (reader.takeLine(&line) == RequestLineReader::Status::Line)
            taken.append(line);
    }
    QCOMPARE(taken, lines);
    // What is left shows once its line is ended.
    reader.append("\n");
    QCOMPARE(reader.takeLine(&line), RequestLineReader::Status::Line);
    QCOMPARE(line, rest);
}

void RequestParsingTest::readerRefusesLongLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<RequestLineReader::Status>("status");

    const qsizetype limit = RequestLineReader::MaxLineLength;
    const QByteArray longest = "GET /" + QByteArray(limit - 5, 'a');
    QTest::newRow("longest line, CR LF") << longest + "\r\n" << RequestLineReader::Status::Line;
    QTest::newRow("longest line, LF") << longest + "\n" << RequestLineReader::Status::Line;
    QTest::newRow("longest line, waiting for its LF")
        << longest + "\r" << RequestLineReader::Status::NeedMore;
    QTest::newRow("longest line, unfinished") << longest << RequestLineReader::Status::NeedMore;
    QTest::newRow("one byte more, ended") << longest + "b\r\n"
                                          << RequestLineReader::Status::TooLong;
    QTest::newRow("one byte more, unfinished")
        << longest + "b" << RequestLineReader::Status::TooLong;
    QTest::newRow("one byte more than a CR can explain")
        << longest + "\rb" << RequestLineReader::Status::TooLong;
    QTest::newRow("megabyte without a line break")
        << QByteArray(1 << 20, 'x') << RequestLineReader::Status::TooLong;
}

void RequestParsingTest::readerRefusesLongLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(RequestLineReader::Status, status);

    RequestLineReader reader;
    reader.append(bytes);
    QByteArray line;
    QCOMPARE(reader.takeLine(&line), status);
}

WAVECREST_TEST(RequestParsingTest)
#include "tst_requestparsing.moc"

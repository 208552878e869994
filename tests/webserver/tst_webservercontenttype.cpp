#include "support/testregistry.h"
#include "webserver/httpserver.h"

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// A file's type is read from its first bytes once while the file stays as it
// is; another file put in its place under the same name gets its own type.
class WebServerContentTypeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replacedFileGetsItsOwnType_data()
    {
        QTest::addColumn<QByteArrayList>("contents");
        QTest::addColumn<QByteArrayList>("types");
        const QByteArray pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n",
                         page = "<html><body>x</body></html>";
        const QByteArray pdfType = "application/pdf", html = "text/html";
        QTest::newRow("a document, then a page")
            << QByteArrayList{pdf, page} << QByteArrayList{pdfType, html};
        QTest::newRow("a page, then a document")
            << QByteArrayList{page, pdf} << QByteArrayList{html, pdfType};
    }
    void replacedFileGetsItsOwnType()
    {
        QFETCH(QByteArrayList, contents);
        QFETCH(QByteArrayList, types);
        QTemporaryDir dir;
        HttpServer server(dir.path(), 0, QHostAddress::LocalHost);
        QVERIFY(server.start());
        for (qsizetype i = 0; i < contents.size(); ++i) {
            QFile::remove(dir.filePath("clip"));
            QFile file(dir.filePath("clip"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents[i]) > 0);
            file.close();
            QTcpSocket client;
            client.connectToHost(QHostAddress::LocalHost, server.serverPort());
            client.write("GET /clip HTTP/1.0\r\n\r\n");
            QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
            const QByteArray answer = client.readAll();
            QVERIFY2(answer.contains("\r\nContent-Type: " + types[i] + "\r\n"), answer.constData());
        }
    }
};

WAVECREST_TEST(WebServerContentTypeTest)
#include "tst_webservercontenttype.moc"

#pragma once

#include <QByteArrayList>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

// A scripted SMTP peer on a loopback port chosen by the system, for what a
// real server will not do: stay silent, answer the wrong code, dribble its
// replies byte by byte, drop the connection.
class FakeSmtpServer : public QObject
{
    Q_OBJECT

public:
    // Closes the connection instead of answering.
    static inline const QByteArray Drop = QByteArrayLiteral("<drop>");

    explicit FakeSmtpServer(const QHostAddress &address = QHostAddress::LocalHost);

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // "127.0.0.1:port", as a user would type it in the mail server field.
    QString serverField() const;

    // The answers, keyed by "greeting", by a command's first word in lower
    // case ("helo", "mail", "rcpt", "data", "quit") or by "." for the end of
    // the message data. An empty answer is silence.
    QHash<QByteArray, QByteArray> replies;
    // Sends every reply one byte at a time, each in a segment of its own.
    bool byteByByte = false;

    QByteArrayList commands;
    // The message data as it came over the wire, still dot-stuffed.
    QByteArray data;
    int connections = 0;
    bool connectionEnded = false;
    // A command came in before the reply to the previous one was complete.
    bool commandWhileReplying = false;

private:
    void acceptConnection();
    void readLines();
    void handleLine(const QByteArray &line);
    void answer(const QByteArray &reply);
    void sendNextByte();

    QTcpServer m_server;
    QPointer<QTcpSocket> m_peer;
    QByteArray m_received;
    bool m_inData = false;
    bool m_closeWhenSent = false;
    QByteArray m_outgoing;
    QTimer m_dribble;
};

#pragma once

#include <QByteArrayList>
#include <QTcpServer>

class QTcpSocket;

// A mail server on a loopback port that answers the greeting, and each line
// outside the message data, with the next reply of its script. One entry may
// hold several replies, which then go out in one piece; "|" splits an entry
// into two pieces sent a moment apart, and "<drop>" closes the connection.
// An entry that starts with 354 is followed by message data. With no reply
// left it stays silent until more() gives it more.
class FakeSmtpServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit FakeSmtpServer(const QByteArrayList &script);

    // What the mail server field says to reach it.
    QString field() const;
    void more(const QByteArrayList &replies);

    // The lines received outside the message data.
    QByteArrayList commands;
    // The lines of message data, the final "." excluded.
    QByteArrayList dataLines;
    bool ended = false;
    // The client hung up while the rest of a split reply was still to come.
    bool closedBeforeGoodbye = false;

private:
    void readLines();
    void answer();

    QByteArrayList m_script;
    qsizetype m_next = 0;
    qsizetype m_owed = 0;
    QTcpSocket *m_peer = nullptr;
    bool m_inData = false;
    QByteArray m_rest;
};

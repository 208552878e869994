#include "mail/mailserveraddress.h"
#include "support/testregistry.h"

#include <QTest>

class MailServerAddressTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

void MailServerAddressTest::parse_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("name") << "mail.test" << true << "mail.test" << 25;
    QTest::newRow("name and port") << "mail.test:2525" << true << "mail.test" << 2525;
    QTest::newRow("IPv4 and port") << "127.0.0.1:587" << true << "127.0.0.1" << 587;
    QTest::newRow("blanks around") << "  mail.test:26 " << true << "mail.test" << 26;
    QTest::newRow("bracketed IPv6") << "[::1]" << true << "::1" << 25;
    QTest::newRow("bracketed IPv6 and port")
        << "[2001:db8::5]:2525" << true << "2001:db8::5" << 2525;
    QTest::newRow("bare IPv6") << "2001:db8::5" << true << "2001:db8::5" << 25;
    QTest::newRow("empty") << "" << true << "" << 25;
    QTest::newRow("highest port") << "mail.test:65535" << true << "mail.test" << 65535;
    QTest::newRow("port zero") << "mail.test:0" << false << "" << 0;
    QTest::newRow("port too high") << "mail.test:65536" << false << "" << 0;
    QTest::newRow("port missing") << "mail.test:" << false << "" << 0;
    QTest::newRow("port not a number") << "mail.test:smtp" << false << "" << 0;
    QTest::newRow("port with sign") << "mail.test:+25" << false << "" << 0;
    QTest::newRow("unclosed bracket") << "[::1:25" << false << "" << 0;
    QTest::newRow("text after bracket") << "[::1]25" << false << "" << 0;
}

void MailServerAddressTest::parse()
{
    QFETCH(QString, field);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    QFETCH(int, port);

    const std::optional<MailServerAddress> address = parseMailServer(field, 25);
    QCOMPARE(address.has_value(), valid);
    if (address) {
        QCOMPARE(address->host, host);
        QCOMPARE(int(address->port), port);
    }
}

WAVECREST_TEST(MailServerAddressTest)
#include "tst_mailserveraddress.moc"

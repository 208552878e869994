#include "platform/colorvalue.h"
#include "support/testregistry.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>

class ColorValueTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void buttonFace();
};

void ColorValueTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("color"); // invalid: the text is rejected
    QTest::newRow("red in the lowest byte") << "255" << QColor(255, 0, 0);
    QTest::newRow("green") << "65280" << QColor(0, 255, 0);
    QTest::newRow("blue in the third byte") << "16711680" << QColor(0, 0, 255);
    QTest::newRow("mixed") << "3351057" << QColor(0x11, 0x22, 0x33);
    QTest::newRow("black") << "0" << QColor(0, 0, 0);
    for (const char *text : {"", "blue", "12abc", "1.5", "&HFF", "2147483648", "-2147483649"})
        QTest::addRow("rejects '%s'", text) << text << QColor();
}

void ColorValueTest::parse()
{
    QFETCH(QString, text);
    QFETCH(QColor, color);
    qint32 value = 42;
    QCOMPARE(ColorValue::parse(text, &value), color.isValid());
    if (!color.isValid()) {
        QCOMPARE(value, 42);
        return;
    }
    QVERIFY(!ColorValue::isSystemColor(value));
    QCOMPARE(ColorValue::toColor(value), color);
    QCOMPARE(ColorValue::format(ColorValue::fromColor(color)), text);
}

// A window whose colour was never changed stores the system colour, whatever
// the palette makes of it.
void ColorValueTest::buttonFace()
{
    qint32 value = 0;
    QVERIFY(ColorValue::parse(QStringLiteral("-2147483633"), &value));
    QCOMPARE(value, ColorValue::ButtonFace);
    QVERIFY(ColorValue::isSystemColor(value));
    QCOMPARE(ColorValue::toColor(value), QGuiApplication::palette().color(QPalette::Button));
    QCOMPARE(ColorValue::format(ColorValue::ButtonFace), QStringLiteral("-2147483633"));
}

WAVECREST_TEST(ColorValueTest)
#include "tst_colorvalue.moc"

#include "common/colour.h"
#include "common/numbers.h"

#include <QLocale>
#include <QTest>
#include <clocale>
#include <cmath>

using namespace corvantile;

class tst_Numbers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The user's locale is in force, as in the program: Qt's, and on Linux also the C
        // library's (the application hands it over; Windows keeps the C library's own). Under a
        // decimal-comma locale every reading and writing below must still use ".".
        const QByteArray wanted = qgetenv("LC_ALL");
        if (wanted.startsWith("de_DE")) {
            QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
#ifndef Q_OS_WIN
            QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray(","));
#endif
        }
    }

    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("leading number") << "12abc" << 12.0;
        QTest::newRow("blanks around") << " 7 " << 7.0;
        QTest::newRow("blank inside") << "1 2" << 12.0;
        QTest::newRow("tab and line feed inside") << "1\t2\n3" << 123.0;
        QTest::newRow("carriage return stops the number") << "1\r2" << 1.0;
        QTest::newRow("negative") << "-5" << -5.0;
        QTest::newRow("plus sign") << "+8" << 8.0;
        QTest::newRow("fraction") << "2.5" << 2.5;
        QTest::newRow("only a fraction") << ".5" << 0.5;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("exponent") << "1e2" << 100.0;
        QTest::newRow("fraction and exponent") << "1.5e1" << 15.0;
        QTest::newRow("exponent D") << "1D2" << 100.0;
        QTest::newRow("negative exponent") << "25E-1" << 2.5;
        QTest::newRow("exponent without digits") << "3e" << 3.0;
        QTest::newRow("decimal comma is not a point") << "2,5" << 2.0;
        QTest::newRow("hexadecimal") << "&H1F" << 31.0;
        QTest::newRow("hexadecimal lower case") << "&hff" << 255.0;
        QTest::newRow("hexadecimal does not wrap at 32 bits") << "&HFFFFFFFF" << 4294967295.0;
        QTest::newRow("octal does not wrap at 32 bits") << "&O40000000000" << 4294967296.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O78" << 7.0;
        QTest::newRow("ampersand alone") << "&" << 0.0;
        QTest::newRow("nan is not a number") << "nan" << 0.0;
        QTest::newRow("inf is not a number") << "inf" << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("huge") << "1e308" << 1e308;
        QTest::newRow("too large") << "-1e999" << -HUGE_VAL;
        QTest::newRow("too small") << "0.0001e-999" << 0.0;
    }

    void numericValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(corvantile::numericValue(text), value);
    }

    void strictNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "12" << true << 12.0;
        QTest::newRow("blanks around") << "  12 " << true << 12.0;
        QTest::newRow("negative") << "-3" << true << -3.0;
        QTest::newRow("fraction") << "2.5" << true << 2.5;
        QTest::newRow("exponent") << "1e2" << true << 100.0;
        QTest::newRow("fraction and exponent") << "+2.6D-1" << true << 0.26;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank only") << "   " << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("number then letters") << "12abc" << false << 0.0;
        QTest::newRow("blank inside") << "1 2" << false << 0.0;
        QTest::newRow("hexadecimal") << "&H1F" << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("form feed is not a blank") << "\f9" << false << 0.0;
        QTest::newRow("line feeds and tabs around") << "\n9\t" << true << 9.0;
        QTest::newRow("carriage return is not a blank") << "9\r\n" << false << 0.0;
    }

    void strictNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const auto result = corvantile::strictNumber(text);
        QCOMPARE(result.has_value(), valid);
        if (valid)
            QCOMPARE(*result, value);
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("whole") << 120.0 << "120";
        QTest::newRow("negative") << -35.0 << "-35";
        QTest::newRow("large whole, no grouping") << 1234567.0 << "1234567";
        QTest::newRow("fraction") << 2.5 << "2.5";
        QTest::newRow("negative fraction") << -1234.75 << "-1234.75";
        QTest::newRow("small fraction, no exponent") << 0.00025 << "0.00025";
        QTest::newRow("huge, no exponent") << 1e20 << "100000000000000000000";
    }

    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(corvantile::numberText(value), text);
    }

    void roundingAndRanges()
    {
        QCOMPARE(roundHalfEven(2.5), 2.0);
        QCOMPARE(roundHalfEven(3.5), 4.0);
        QCOMPARE(roundHalfEven(-0.5), 0.0);
        QCOMPARE(roundHalfEven(-1.5), -2.0);
        QCOMPARE(roundHalfEven(2.4), 2.0);
        QCOMPARE(int16Clamped(40000), std::int16_t(32767));
        QCOMPARE(int16Clamped(-1e9), std::int16_t(-32768));
        QCOMPARE(int16Clamped(HUGE_VAL), std::int16_t(32767));
        QCOMPARE(int16Clamped(32767.4), std::int16_t(32767));
        QCOMPARE(pixelFromDouble(1e308), 1 << 30);
        QCOMPARE(pixelFromDouble(-HUGE_VAL), -(1 << 30));
        QCOMPARE(pixelFromDouble(NAN), 0);
        QCOMPARE(pixelFromDouble(10.5), 10);
        QVERIFY(!singleFromDouble(1e308));
        QVERIFY(!singleFromDouble(HUGE_VAL));
        QCOMPARE(*singleFromDouble(25.0), 25.0f);
    }

    void colourChannels_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("outside") << -1 << 255 << 0 << 0;
        QTest::newRow("red") << 255 << 255 << 0 << 0;
        QTest::newRow("1EC80A") << 0x1EC80A << 10 << 200 << 30;
        QTest::newRow("white") << 0xFFFFFF << 255 << 255 << 255;
        QTest::newRow("black") << 0 << 0 << 0 << 0;
    }

    void colourChannels()
    {
        QFETCH(int, value);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        const Channels c = channelsOf(value);
        QCOMPARE(c.red, red);
        QCOMPARE(c.green, green);
        QCOMPARE(c.blue, blue);
        if (value >= 0)
            QCOMPARE(colourValueFromRgb(qRgb(red, green, blue)), value);
    }
};

QTEST_MAIN(tst_Numbers)
#include "tst_numbers.moc"

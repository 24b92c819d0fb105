// SPDX-License-Identifier: GPL-3.0-or-later
// The rules for numbers in text: the leading number, rounding halves to even, scores,
// and numbers written as text.

#include "shared/Numbers.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

// However busy the machine, localedef has built the locale by then.
constexpr int LocaledefWaitMs = 120000;

class TestNumbers : public QObject {
    Q_OBJECT

private slots:
    void theLeadingNumberIsTakenAfterBlanks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("digits then letters") << QStringLiteral("12ab") << 12.0;
        QTest::newRow("leading blank") << QStringLiteral(" 7") << 7.0;
        QTest::newRow("leading tab and blanks") << QStringLiteral("\t  42 ") << 42.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("blanks only") << QStringLiteral("   ") << 0.0;
        QTest::newRow("letters first") << QStringLiteral("abc12") << 0.0;
        QTest::newRow("sign, fraction and exponent") << QStringLiteral("-3.5e1x") << -35.0;
        QTest::newRow("plus sign") << QStringLiteral("+8") << 8.0;
        QTest::newRow("fraction only") << QStringLiteral(".5") << 0.5;
        QTest::newRow("trailing point") << QStringLiteral("5.") << 5.0;
        QTest::newRow("exponent without digits before") << QStringLiteral("e5") << 0.0;
        QTest::newRow("exponent without digits after") << QStringLiteral("3e") << 3.0;
        QTest::newRow("exponent sign without digits") << QStringLiteral("3e+x") << 3.0;
        QTest::newRow("point alone") << QStringLiteral(".") << 0.0;
        QTest::newRow("sign alone") << QStringLiteral("-") << 0.0;
        QTest::newRow("sign then blank") << QStringLiteral("- 5") << 0.0;
        QTest::newRow("no hexadecimal") << QStringLiteral("0x1A") << 0.0;
        QTest::newRow("no infinity") << QStringLiteral("inf") << 0.0;
        QTest::newRow("no infinity, long") << QStringLiteral("Infinity") << 0.0;
        QTest::newRow("no nan") << QStringLiteral("nan") << 0.0;
        QTest::newRow("comma ends the number") << QStringLiteral("1,5") << 1.0;
        QTest::newRow("tiny underflows to zero") << QStringLiteral("1e-400") << 0.0;
    }
    void theLeadingNumberIsTakenAfterBlanks()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Numbers::leadingNumber(text), value);
    }

    void aNumberTooLargeForADoubleStaysHugeAndFinite()
    {
        const double huge = Numbers::leadingNumber(QStringLiteral("-1e400"));
        QVERIFY(std::isfinite(huge));
        QCOMPARE(huge, -std::numeric_limits<double>::max());
        bool ok = true;
        QCOMPARE(Numbers::leadingInt32(QStringLiteral("1e400"), &ok), 0);
        QVERIFY(!ok);
    }

    void thePointIsTheDecimalSeparatorInEveryLocale()
    {
        // Build a German locale of our own: the machine may have none installed.
        QTemporaryDir dir;
        QProcess localedef;
        localedef.start(QStringLiteral("localedef"),
                        {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                         QStringLiteral("UTF-8"), dir.filePath(QStringLiteral("de_DE.UTF-8"))});
        if (!localedef.waitForFinished(LocaledefWaitMs) || localedef.exitCode() != 0)
            QSKIP("localedef cannot build a German locale here");
        qputenv("LOCPATH", QFile::encodeName(dir.path()));
        const QByteArray previous = std::setlocale(LC_ALL, nullptr);
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
            qunsetenv("LOCPATH");
            QSKIP("the German locale cannot be loaded");
        }
        const double libraryView = std::strtod("3.5", nullptr);
        const double ours = Numbers::leadingNumber(QStringLiteral("3.5"));
        const double ourRounding = Numbers::leadingInt32(QStringLiteral("2.5e0"));
        std::setlocale(LC_ALL, previous.constData());
        qunsetenv("LOCPATH");
        QCOMPARE(libraryView, 3.0); // the locale really takes a comma
        QCOMPARE(ours, 3.5);
        QCOMPARE(ourRounding, 2.0);
    }

    void roundingTakesHalvesToTheEvenNeighbour_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("3.5") << 3.5 << 4;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("2.4999") << 2.4999 << 2;
        QTest::newRow("2.5001") << 2.5001 << 3;
        QTest::newRow("-2.6") << -2.6 << -3;
        QTest::newRow("largest") << 2147483647.0 << 2147483647;
        QTest::newRow("half below largest") << 2147483646.5 << 2147483646;
        QTest::newRow("half below smallest") << -2147483648.5 << int(std::numeric_limits<int32_t>::min());
    }
    void roundingTakesHalvesToTheEvenNeighbour()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        bool ok = false;
        QCOMPARE(Numbers::roundToInt32(value, &ok), rounded);
        QVERIFY(ok);
    }

    void roundingBeyond32BitsIsFlagged_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("half above largest") << 2147483647.5;
        QTest::newRow("one above largest") << 2147483648.0;
        QTest::newRow("below smallest") << -2147483649.0;
        QTest::newRow("half below smallest, odd side") << -2147483649.5;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN();
    }
    void roundingBeyond32BitsIsFlagged()
    {
        QFETCH(double, value);
        bool ok = true;
        Numbers::roundToInt32(value, &ok);
        QVERIFY(!ok);
    }

    void leadingWholeNumbersRoundTheLeadingNumber()
    {
        QCOMPARE(Numbers::leadingInt32(QStringLiteral(" 2.5 bombs")), 2);
        QCOMPARE(Numbers::leadingInt32(QStringLiteral("3.5")), 4);
        QCOMPARE(Numbers::leadingInt32(QStringLiteral("500")), 500);
        QCOMPARE(Numbers::leadingInt32(QString()), 0);
        bool ok = true;
        QCOMPARE(Numbers::leadingInt32(QStringLiteral("99999999999"), &ok), 0);
        QVERIFY(!ok);
    }

    void aScoreThatIsNotANumberCountsAsZero_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("digits") << QStringLiteral("120") << 120.0;
        QTest::newRow("blanks around") << QStringLiteral(" 120 ") << 120.0;
        QTest::newRow("negative") << QStringLiteral("-5") << -5.0;
        QTest::newRow("fraction") << QStringLiteral("2.5") << 2.5;
        QTest::newRow("letters") << QStringLiteral("abc") << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("digits then letters") << QStringLiteral("12ab") << 0.0;
        QTest::newRow("two numbers") << QStringLiteral("1 2") << 0.0;
    }
    void aScoreThatIsNotANumberCountsAsZero()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Numbers::scoreValue(text), value);
    }

    void wholeNumbersAreWrittenAsPlainDigits()
    {
        QCOMPARE(Numbers::toText(int64_t(0)), QStringLiteral("0"));
        QCOMPARE(Numbers::toText(int64_t(1234)), QStringLiteral("1234"));
        QCOMPARE(Numbers::toText(int64_t(-32768)), QStringLiteral("-32768"));
        QCOMPARE(Numbers::toText(int64_t(std::numeric_limits<int32_t>::min())), QStringLiteral("-2147483648"));
    }

    void doublesAreWrittenWithAtMostFifteenDigits_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 250.0 << QStringLiteral("250");
        QTest::newRow("negative whole") << -7.0 << QStringLiteral("-7");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
        QTest::newRow("half") << 2.5 << QStringLiteral("2.5");
        QTest::newRow("no trailing zeros") << 0.25 << QStringLiteral("0.25");
        QTest::newRow("sum carried to 15 digits") << 0.1 + 0.2 << QStringLiteral("0.3");
        QTest::newRow("third") << 1.0 / 3.0 << QStringLiteral("0.333333333333333");
        QTest::newRow("largest plain whole") << 999999999999999.0 << QStringLiteral("999999999999999");
        QTest::newRow("too long for plain digits") << 1e15 << QStringLiteral("1E+15");
        QTest::newRow("small") << 0.00001 << QStringLiteral("1E-05");
    }
    void doublesAreWrittenWithAtMostFifteenDigits()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(Numbers::toText(value), text);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "test_numbers.moc"

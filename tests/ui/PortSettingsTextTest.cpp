// The readings of the line-setting texts the window relies on: what is a number, how it rounds,
// and how stop bits are kept.

#include <QTest>

#include "diag/RaisedError.h"
#include "ui/PortSettingsText.h"

using namespace qm;

namespace {

std::int32_t ErrorNumber(const std::function<void()>& action) {
    try {
        action();
    } catch (const RaisedError& error) {
        return error.Number();
    }
    return 0;
}

}  // namespace

class PortSettingsTextTest : public QObject {
    Q_OBJECT

private slots:
    void numbersAndNotNumbers();
    void wholeNumbersRoundHalfToEven();
    void stopBitsCodes();
};

void PortSettingsTextTest::numbersAndNotNumbers() {
    for (const char* text : {"2400", " 9600 ", "+12", "-3", "1.5", ".5", "5.", "1e3", "2E+2"}) {
        QVERIFY2(IsNumeric(text), text);
    }
    for (const char* text :
         {"", " ", "-", ".", "e3", "1e", "12a", "0x10", "inf", "nan", "1,200", "1 2", "1..2"}) {
        QVERIFY2(!IsNumeric(text), text);
    }
    QCOMPARE(ToDouble(" 1.5 "), 1.5);
    QCOMPARE(ErrorNumber([] { ToDouble("fast"); }), err::TypeMismatch);
}

void PortSettingsTextTest::wholeNumbersRoundHalfToEven() {
    QCOMPARE(ToWholeNumber("2.5"), 2);
    QCOMPARE(ToWholeNumber("3.5"), 4);
    QCOMPARE(ToWholeNumber("-2.5"), -2);
    QCOMPARE(ToWholeNumber("115200"), 115200);
    QCOMPARE(ToWholeNumber("2147483647"), 2147483647);
    QCOMPARE(ErrorNumber([] { ToWholeNumber("2147483648"); }), err::Overflow);
    QCOMPARE(ErrorNumber([] { ToWholeNumber("1e300"); }), err::Overflow);
    QCOMPARE(ErrorNumber([] { ToWholeNumber(""); }), err::TypeMismatch);
}

void PortSettingsTextTest::stopBitsCodes() {
    QCOMPARE(StopBitsStored("1"), 1);
    QCOMPARE(StopBitsStored("2"), 2);
    QCOMPARE(StopBitsStored("1.5"), kStopBitsOneAndHalf);
    QCOMPARE(StopBitsText(1), std::string("1"));
    QCOMPARE(StopBitsText(2), std::string("2"));
    QCOMPARE(StopBitsText(15), std::string("1.5"));
    QCOMPARE(StopBitsText(3), std::string("3"));
    QCOMPARE(StopBitsValue(15), 1.5);
    QCOMPARE(StopBitsValue(2), 2.0);
    QCOMPARE(ParityLetter("Space"), std::string("s"));
    QCOMPARE(ParityLetter("Mark"), std::string("m"));
    QCOMPARE(ParityLetter(""), std::string());
}

QTEST_MAIN(PortSettingsTextTest)
#include "PortSettingsTextTest.moc"

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
    void numbersAndNotNumbers() {
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

    void wholeNumbersRoundHalfToEven() {
        for (const auto& [text, whole] :
             {std::pair{"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"2147483647", 2147483647}}) {
            QCOMPARE(ToWholeNumber(text), whole);
        }
        for (const auto& [text, error] :
             {std::pair{"2147483648", err::Overflow}, {"1e300", err::Overflow}, {"", err::TypeMismatch}}) {
            QCOMPARE(ErrorNumber([text = text] { ToWholeNumber(text); }), error);
        }
    }

    void stopBitsCodes() {
        for (const auto& [text, stored, value] : {std::tuple{"1", 1, 1.0}, {"2", 2, 2.0}, {"1.5", 15, 1.5}}) {
            QCOMPARE(StopBitsStored(text), stored);
            QCOMPARE(StopBitsText(stored), std::string(text));
            QCOMPARE(StopBitsValue(stored), value);
        }
        QCOMPARE(StopBitsText(3), std::string("3"));
        QCOMPARE(ParityLetter("Space"), std::string("s"));
        QCOMPARE(ParityLetter(""), std::string());
    }
};

QTEST_MAIN(PortSettingsTextTest)
#include "PortSettingsTextTest.moc"

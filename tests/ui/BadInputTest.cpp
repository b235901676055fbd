// Bad input in every box a user can type into: empty, overlong, negative and non-numeric text,
// typed key by key and pasted through the clipboard. Each box either keeps the text out (key
// filter, length limit) or refuses it with its own message when its rule is applied (OK, Test
// Speed, the box's own change check), the dialog stays open on refusal, and nothing but a clean
// value is handed back to the caller.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>
#include <optional>
#include <vector>

#include "ports/LineSettings.h"
#include "ui/CharacterTranslationTool.h"
#include "ui/Child.h"
#include "ui/WindowFixture.h"
#include "ui/frmASCIIValue.h"
#include "ui/frmMouseClickASCIIValue.h"
#include "ui/frmMouseMovementAdvanced.h"

using qm::MsgIcon;
using qm::MsgResult;
using qm::test::ScriptedMessageBoxes;

using qm::test::Child;

namespace {

enum class Way { Typed, Pasted };

const QString kFifty(50, QLatin1Char('9'));

const QString kCodeMessage = QStringLiteral("ASCII Code must be a whole number between 0 and 255)");
const QString kSingleMessage =
    QStringLiteral("Single Click ASCII Code must be a whole number between 0 and 255)");
const QString kDoubleMessage =
    QStringLiteral("Double Click ASCII Code must be a whole number between 0 and 255");
const QString kDecimalMessage = QStringLiteral("Please enter only numbers for a decimal value");
const QString kTooLarge = QStringLiteral("Please enter a number less than 256");
const QString kHexMessage = QStringLiteral("Please enter valid Hex Characters : 1-9, a-f");
const QString kBaudMessage = QStringLiteral("Baud Rate must be a numeric value.  Please re-enter");

const char* WayName(Way way) {
    return way == Way::Typed ? "typed" : "pasted";
}

QByteArray Label(const char* box, Way way, const QString& input) {
    return QByteArray(box) + " " + WayName(way) + " \"" + input.left(12).toLatin1() + "\"";
}

// Puts text into the box the way a user does, over the whole of what it holds: key by key (each
// with its own character, so '-' and ' ' arrive as typed), or by pasting the clipboard. Empty
// typed text is the Delete key.
void Enter(QLineEdit* box, const QString& text, Way way) {
    box->setFocus();
    box->selectAll();
    if (way == Way::Pasted) {
        QApplication::clipboard()->setText(text);
        box->paste();
        return;
    }
    if (text.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Delete);
        return;
    }
    for (QChar c : text) {
        const auto key =
            c.isLetterOrNumber() && c.unicode() < 128 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, box, key, QString(c), Qt::NoModifier);
    }
}

// A code box: what the box holds after the input (nothing: the given text stays), and whether OK
// refuses it. A value OK takes is the number the box shows.
struct CodeRow {
    Way way;
    QString input;
    std::optional<QString> after;
    bool refused;
};

const std::vector<CodeRow> kCodeRows = {
    {Way::Typed, "", "", true},
    {Way::Typed, kFifty, kFifty, true},  // no length limit: the range check refuses it
    {Way::Typed, "-5", "5", false},
    {Way::Typed, "abc", std::nullopt, false},
    {Way::Typed, "1e3", "13", false},
    {Way::Typed, " 7 ", "7", false},
    {Way::Pasted, "", "", true},
    {Way::Pasted, kFifty, kFifty, true},
    {Way::Pasted, "-5", "-5", true},
    {Way::Pasted, "abc", "abc", true},
    {Way::Pasted, "1e3", "1e3", true},
    {Way::Pasted, " 7 ", " 7 ", false},  // blanks around a whole number are not part of it
};

// A movement box: the same, plus the length limit of three and no text the keys could not type.
struct MovementRow {
    Way way;
    QString input;
    std::optional<QString> after;
    bool refused;
};

const std::vector<MovementRow> kMovementRows = {
    {Way::Typed, "", "", true},
    {Way::Typed, kFifty, "999", false},
    {Way::Typed, "-5", "5", false},
    {Way::Typed, "abc", std::nullopt, false},
    {Way::Typed, "1e3", "13", false},
    {Way::Typed, " 7 ", "7", false},
    {Way::Pasted, "", "", true},
    {Way::Pasted, kFifty, std::nullopt, false},
    {Way::Pasted, "-5", std::nullopt, false},
    {Way::Pasted, "abc", std::nullopt, false},
    {Way::Pasted, "1e3", std::nullopt, false},
    {Way::Pasted, " 7 ", std::nullopt, false},
};

// A translation box: the three boxes' texts afterwards and the messages on the way.
struct TranslationRow {
    Way way;
    QString input;
    QString decimal;
    QString hex;
    QString display;
    QStringList messages;
};

QStringList Times(int count, const QString& text) {
    QStringList list;
    for (int i = 0; i < count; ++i) {
        list << text;
    }
    return list;
}

// From "65", "41", "A".
const std::vector<TranslationRow> kDecimalRows = {
    {Way::Typed, "", "", "41", "A", {}},
    // Every third digit fills the box with a code over 255, which is refused and cleared.
    {Way::Typed, kFifty, "99", "41", "A", Times(16, kTooLarge)},
    {Way::Typed, "-5", "5", "41", "A", {kDecimalMessage}},
    {Way::Typed, "abc", "65", "41", "A", Times(3, kDecimalMessage)},
    {Way::Typed, "1e3", "13", "41", "A", {kDecimalMessage}},
    {Way::Typed, " 7 ", "7", "41", "A", Times(2, kDecimalMessage)},
    {Way::Pasted, "", "", "41", "A", {}},
    // Cut to the length limit; like any paste it converts at the next key release.
    {Way::Pasted, kFifty, "999", "41", "A", {}},
    {Way::Pasted, "-5", "65", "41", "A", {kDecimalMessage}},
    {Way::Pasted, "abc", "65", "41", "A", {kDecimalMessage}},
    {Way::Pasted, "1e3", "65", "41", "A", {kDecimalMessage}},
    {Way::Pasted, " 7 ", "65", "41", "A", {kDecimalMessage}},
};

const std::vector<TranslationRow> kHexRows = {
    {Way::Typed, "", "65", "", "A", {}},
    {Way::Typed, kFifty, "153", "99", QString(QChar(0x2122)), {}},
    {Way::Typed, "-5", "65", "5", "A", {kHexMessage}},
    {Way::Typed, "abc", "171", "c", QString(QChar(0xAB)), {}},
    {Way::Typed, "1e3", "30", "3", QString(QChar(0x1E)), {}},
    {Way::Typed, " 7 ", "65", "7", "A", Times(2, kHexMessage)},
    {Way::Pasted, "", "65", "", "A", {}},
    {Way::Pasted, kFifty, "65", "99", "A", {}},
    {Way::Pasted, "-5", "65", "41", "A", {kHexMessage}},
    {Way::Pasted, "abc", "65", "ab", "A", {}},
    {Way::Pasted, "1e3", "65", "1e", "A", {}},
    {Way::Pasted, " 7 ", "65", "41", "A", {kHexMessage}},
};

// Any character goes in the display box; a typed one shows its code in the other two at once.
const std::vector<TranslationRow> kDisplayRows = {
    {Way::Typed, "", "65", "41", "", {}},      {Way::Typed, kFifty, "57", "39", "9", {}},
    {Way::Typed, "-5", "53", "35", "5", {}},   {Way::Typed, "abc", "99", "63", "c", {}},
    {Way::Typed, "1e3", "51", "33", "3", {}},  {Way::Typed, " 7 ", "32", "20", " ", {}},
    {Way::Pasted, "", "65", "41", "", {}},     {Way::Pasted, kFifty, "65", "41", "9", {}},
    {Way::Pasted, "-5", "65", "41", "-", {}},  {Way::Pasted, "abc", "65", "41", "a", {}},
    {Way::Pasted, "1e3", "65", "41", "1", {}}, {Way::Pasted, " 7 ", "65", "41", " ", {}},
};

// The baud rate box checks every change by the serial control's rule (whole decimal digits, 1 to
// the 32-bit limit): text it refuses goes back to the saved rate (the user's further keys then
// add to it), so Apply saves only a rate that Connect opens with.
struct BaudRow {
    Way way;
    QString input;
    QString after;
    int messages;
};

const std::vector<BaudRow> kBaudRows = {
    {Way::Typed, "", "2400", 1},        {Way::Typed, kFifty, "24009999", 7},
    {Way::Typed, "-5", "24005", 1},     {Way::Typed, "abc", "2400", 3},
    {Way::Typed, "1e3", "24003", 1},    {Way::Typed, " 7 ", "2400", 2},
    {Way::Pasted, "", "2400", 1},       {Way::Pasted, kFifty, "2400", 1},
    {Way::Pasted, "-5", "2400", 1},     {Way::Pasted, "abc", "2400", 1},
    {Way::Pasted, "1e3", "2400", 1},    {Way::Pasted, " 9600", "2400", 1},
    {Way::Pasted, "9600.5", "2400", 1}, {Way::Pasted, "0", "2400", 1},
};

}  // namespace

class BadInputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void CompassCodeBoxRefusesOrKeepsOutBadText() {
        for (const CodeRow& row : kCodeRows) {
            const QByteArray label = Label("txtASCIICode", row.way, row.input);
            ScriptedMessageBoxes boxes;
            qm::frmASCIIValue dialog;
            dialog.ASCIIValue(65);
            dialog.show();
            auto* box = Child<QLineEdit>(&dialog, "txtASCIICode");
            Enter(box, row.input, row.way);
            const QString after = row.after.value_or(QStringLiteral("65"));
            QVERIFY2(box->text() == after, label.constData());
            QVERIFY2(boxes.All().empty(), label.constData());

            Child<QPushButton>(&dialog, "OKButton")->click();
            if (row.refused) {
                QVERIFY2(dialog.isVisible(), label.constData());
                QVERIFY2(boxes.Texts() == QStringList{kCodeMessage}, label.constData());
                QCOMPARE(boxes.All().front().icon, MsgIcon::Exclamation);
                QVERIFY2(box->text() == after, label.constData());
                QVERIFY2(dialog.ASCIIValue() == 65, label.constData());
            } else {
                QVERIFY2(!dialog.isVisible(), label.constData());
                QVERIFY2(boxes.All().empty(), label.constData());
                QVERIFY2(dialog.ASCIIValue() == after.trimmed().toInt(), label.constData());
            }
        }
    }

    void ButtonCodeBoxesRefuseOrKeepOutBadText() {
        const struct {
            const char* name;
            QString message;
        } boxesUnderTest[] = {{"txtSClickASCIICode", kSingleMessage}, {"txtDClickASCIICode", kDoubleMessage}};
        for (const auto& under : boxesUnderTest) {
            for (const CodeRow& row : kCodeRows) {
                const QByteArray label = Label(under.name, row.way, row.input);
                ScriptedMessageBoxes boxes;
                qm::frmMouseClickASCIIValue dialog;
                dialog.SClickASCIIValue(65);
                dialog.DClickASCIIValue(65);
                dialog.show();
                auto* box = Child<QLineEdit>(&dialog, under.name);
                Enter(box, row.input, row.way);
                const QString after = row.after.value_or(QStringLiteral("65"));
                QVERIFY2(box->text() == after, label.constData());
                QVERIFY2(boxes.All().empty(), label.constData());

                Child<QPushButton>(&dialog, "OKButton")->click();
                const bool single = QByteArray(under.name) == "txtSClickASCIICode";
                if (row.refused) {
                    QVERIFY2(dialog.isVisible(), label.constData());
                    QVERIFY2(boxes.Texts() == QStringList{under.message}, label.constData());
                    QVERIFY2(dialog.SClickASCIIValue() == 65 && dialog.DClickASCIIValue() == 65,
                             label.constData());
                } else {
                    QVERIFY2(!dialog.isVisible(), label.constData());
                    QVERIFY2(boxes.All().empty(), label.constData());
                    const int value = after.trimmed().toInt();
                    QVERIFY2(dialog.SClickASCIIValue() == (single ? value : 65), label.constData());
                    QVERIFY2(dialog.DClickASCIIValue() == (single ? 65 : value), label.constData());
                }
            }
        }
    }

    void MovementBoxesRefuseOrKeepOutBadText() {
        const struct {
            const char* name;
            QString message;
            bool readByTest;  // Test Speed checks this box as well as OK
        } boxesUnderTest[] = {
            {"txtMovementDelay", QStringLiteral("Please enter a number for Movement Delay"), true},
            {"txtXIncrement", QStringLiteral("Please enter a number for X Increment"), true},
            {"txtYIncrement", QStringLiteral("Please enter a number for Y Increment"), false},
        };
        for (const auto& under : boxesUnderTest) {
            const QString given =
                QByteArray(under.name) == "txtMovementDelay" ? QStringLiteral("20") : QStringLiteral("3");
            for (const MovementRow& row : kMovementRows) {
                const QByteArray label = Label(under.name, row.way, row.input);
                ScriptedMessageBoxes boxes;
                qm::frmMouseMovementAdvanced dialog;
                dialog.MovementDelay(20);
                dialog.MovementIncrementX(3);
                dialog.MovementIncrementY(3);
                dialog.show();
                auto* box = Child<QLineEdit>(&dialog, under.name);
                Enter(box, row.input, row.way);
                const QString after = row.after.value_or(given);
                QVERIFY2(box->text() == after, label.constData());
                QVERIFY2(boxes.All().empty(), label.constData());

                if (row.refused) {
                    if (under.readByTest) {
                        Child<QPushButton>(&dialog, "cmdTest")->click();
                        QVERIFY2(boxes.Texts() == QStringList{under.message}, label.constData());
                        QVERIFY2(!dialog.SpeedTestEnabled(), label.constData());
                        boxes.Clear();
                    }
                    Child<QPushButton>(&dialog, "OKButton")->click();
                    QVERIFY2(dialog.isVisible(), label.constData());
                    QVERIFY2(boxes.Texts() == QStringList{under.message}, label.constData());
                    QCOMPARE(boxes.All().front().icon, MsgIcon::Exclamation);
                    QVERIFY2(dialog.MovementDelay() == 20.0f && dialog.MovementIncrementX() == 3.0f &&
                                 dialog.MovementIncrementY() == 3.0f,
                             label.constData());
                    continue;
                }
                const bool delay = QByteArray(under.name) == "txtMovementDelay";
                if (!delay && after != QStringLiteral("3")) {
                    boxes.Answer(MsgResult::Yes);  // X and Y now differ: the user goes on
                }
                Child<QPushButton>(&dialog, "OKButton")->click();
                QVERIFY2(!dialog.isVisible(), label.constData());
                QVERIFY2(boxes.PendingAnswers() == 0 && boxes.Unanswered() == 0, label.constData());
                for (const auto& shown : boxes.All()) {
                    QVERIFY2(shown.icon == MsgIcon::Question, label.constData());
                }
                const float value = after.toFloat();
                const QByteArray name(under.name);
                QVERIFY2(dialog.MovementDelay() == (name == "txtMovementDelay" ? value : 20.0f),
                         label.constData());
                QVERIFY2(dialog.MovementIncrementX() == (name == "txtXIncrement" ? value : 3.0f),
                         label.constData());
                QVERIFY2(dialog.MovementIncrementY() == (name == "txtYIncrement" ? value : 3.0f),
                         label.constData());
            }
        }
    }

    void TranslationBoxesRefuseOrKeepOutBadText() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* tool = new qm::CharacterTranslationTool(&window);
        layout->addWidget(tool);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QLineEdit* decimal = tool->txtASCIIDecimalCharacter();
        QLineEdit* hex = tool->txtASCIIHexCharacter();
        QLineEdit* display = tool->txtDisplayCharacter();

        const struct {
            const char* name;
            QLineEdit* box;
            const std::vector<TranslationRow>* rows;
        } boxesUnderTest[] = {{"txtASCIIDecimalCharacter", decimal, &kDecimalRows},
                              {"txtASCIIHexCharacter", hex, &kHexRows},
                              {"txtDisplayCharacter", display, &kDisplayRows}};
        for (const auto& under : boxesUnderTest) {
            QCOMPARE(under.box->objectName(), QString::fromLatin1(under.name));
            for (const TranslationRow& row : *under.rows) {
                const QByteArray label = Label(under.name, row.way, row.input);
                decimal->setText(QStringLiteral("65"));
                hex->setText(QStringLiteral("41"));
                display->setText(QStringLiteral("A"));
                ScriptedMessageBoxes boxes;
                Enter(under.box, row.input, row.way);
                QVERIFY2(decimal->text() == row.decimal, qPrintable(label + " decimal " + decimal->text()));
                QVERIFY2(hex->text() == row.hex, qPrintable(label + " hex " + hex->text()));
                QVERIFY2(display->text() == row.display, label.constData());
                QVERIFY2(boxes.Texts() == row.messages,
                         qPrintable(label + " messages " + boxes.Texts().join(QLatin1Char('|'))));
                for (const auto& shown : boxes.All()) {
                    QVERIFY2(shown.icon == MsgIcon::Exclamation, label.constData());
                }
                QVERIFY2(window.isVisible(), label.constData());
            }
        }
    }

    void BaudRateBoxRefusesTextThatIsNoRate() {
        for (const BaudRow& row : kBaudRows) {
            const QByteArray label = Label("cboBaudRate", row.way, row.input);
            qm::test::WindowFixture f;
            f.Show();
            QLineEdit* edit = f.Combo("cboBaudRate")->lineEdit();
            Enter(edit, row.input, row.way);
            QVERIFY2(f.Combo("cboBaudRate")->currentText() == row.after,
                     qPrintable(label + " -> " + f.Combo("cboBaudRate")->currentText()));
            QVERIFY2(f.boxes.Texts() == Times(row.messages, kBaudMessage), label.constData());
            QVERIFY2(f.Combo("cboBaudRate")->count() == 17, label.constData());  // nothing joins the list

            f.boxes.Clear();
            f.Find<QPushButton>("cmdApply")->click();
            QVERIFY2(f.boxes.All().empty(), label.constData());
            QVERIFY2(f.settings.BaudRate() == row.after.toInt(), label.constData());
            // The settings text Connect builds from the box is one the serial control takes.
            QVERIFY2(f.window->OpenPort(), label.constData());
            QVERIFY_THROWS_NO_EXCEPTION(qm::LineSettings::Parse(f.serial.Settings()));
            QVERIFY2(f.terminates == 0 && f.window->isVisible(), label.constData());
        }
    }
};

QTEST_MAIN(BadInputTest)
#include "BadInputTest.moc"

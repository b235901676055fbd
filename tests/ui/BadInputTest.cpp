// Bad input in every box a user can type into: empty, overlong, negative and non-numeric text,
// typed key by key and pasted through the clipboard. Each box either keeps the text out (key
// filter, length limit) or refuses it with its own message when its rule is applied (OK, Test
// Speed, the box's own change check), the dialog stays open on refusal, and nothing but a clean
// value is handed back to the caller. The translation tool's virtual key lookup, which takes no
// typing, is tried here beside the tool's boxes.
#include <optional>
#include <tuple>

#include "ports/LineSettings.h"
#include "ui/CharacterTranslationTool.h"
#include "ui/WindowFixture.h"
#include "ui/frmASCIIValue.h"
#include "ui/frmMouseClickASCIIValue.h"
#include "ui/frmMouseMovementAdvanced.h"

using qm::MsgIcon;
using qm::MsgResult;
using namespace qm::test;

namespace {

const QString kFifty(50, QLatin1Char('9'));

// The code dialogs' boxes, the movement dialog's, and the message OK gives for each when it refuses.
const QStringList kBoxes = {"txtASCIICode",     "txtSClickASCIICode", "txtDClickASCIICode",
                            "txtMovementDelay", "txtXIncrement",      "txtYIncrement"};
const QStringList kRefusals = {"ASCII Code must be a whole number between 0 and 255)",
                               "Single Click ASCII Code must be a whole number between 0 and 255)",
                               "Double Click ASCII Code must be a whole number between 0 and 255",
                               "Please enter a number for Movement Delay",
                               "Please enter a number for X Increment",
                               "Please enter a number for Y Increment"};
const QString kDecimalMessage = QStringLiteral("Please enter only numbers for a decimal value");
const QString kTooLarge = QStringLiteral("Please enter a number less than 256");
const QString kHexMessage = QStringLiteral("Please enter valid Hex Characters : 1-9, a-f");
const QString kBaudMessage = QStringLiteral("Baud Rate must be a numeric value.  Please re-enter");

// A code or movement box: the input, what the box holds after it (nothing: the given text stays),
// and whether OK refuses it. A value OK takes is the number the box shows.
using BoxRow = std::tuple<Way, QString, std::optional<QString>, bool>;

// A code box has no length limit: the range check refuses a long number. Blanks around a whole
// number are not part of it.
const std::vector<BoxRow> kCodeRows = {
    {Typed, "", "", true},          {Typed, kFifty, kFifty, true}, {Typed, "-5", "5", false},
    {Typed, "abc", {}, false},      {Typed, " 7 ", "7", false},    {Pasted, "", "", true},
    {Pasted, kFifty, kFifty, true}, {Pasted, "-5", "-5", true},    {Pasted, " 7 ", " 7 ", false},
    {Pasted, "256", "256", true},   {Pasted, "1.5", "1.5", true},  {Pasted, "255", "255", false},
    {Pasted, "0", "0", false},
};

// The movement boxes have a length limit of three and take no text the keys could not type.
const std::vector<BoxRow> kMovementRows = {
    {Typed, "", "", true},       {Typed, kFifty, "999", false}, {Typed, "-5", "5", false},
    {Typed, "abc", {}, false},   {Typed, " 7 ", "7", false},    {Pasted, "", "", true},
    {Pasted, kFifty, {}, false}, {Pasted, "-5", {}, false},
};

// A translation box: the input, the three boxes' texts afterwards (decimal|hex|display) and the
// messages on the way.
using TranslationRow = std::tuple<Way, QString, QString, QStringList>;

// From "65", "41", "A". The decimal box converts once it is full, in Windows-1252.
// Every third digit of a long number fills the box with a code over 255, which is refused and
// cleared. A paste is cut to the length limit; like any paste it converts at the next key release.
const std::vector<TranslationRow> kDecimalRows = {
    {Typed, "66", "66|41|A", {}},
    {Typed, "128", "128|80|€", {}},
    {Typed, "255", "255|FF|ÿ", {}},
    {Typed, "256", "|41|A", {kTooLarge}},
    {Typed, "", "|41|A", {}},
    {Typed, kFifty, "99|41|A", QStringList(16, kTooLarge)},
    {Typed, "-5", "5|41|A", {kDecimalMessage}},
    {Typed, "abc", "65|41|A", QStringList(3, kDecimalMessage)},
    {Typed, " 7 ", "7|41|A", QStringList(2, kDecimalMessage)},
    {Pasted, "", "|41|A", {}},
    {Pasted, kFifty, "999|41|A", {}},
    {Pasted, "-5", "65|41|A", {kDecimalMessage}},
    {Pasted, " 7 ", "65|41|A", {kDecimalMessage}},
};

const std::vector<TranslationRow> kHexRows = {
    {Typed, "20", "32|20| ", {}},
    {Typed, "ff", "255|ff|ÿ", {}},
    {Typed, "F", "65|41|A", {kHexMessage}},
    {Typed, "", "65||A", {}},
    {Typed, kFifty, "153|99|™", {}},
    {Typed, "abc", "171|c|«", {}},
    {Typed, "1e3", "30|3|\x1e", {}},
    {Typed, " 7 ", "65|7|A", QStringList(2, kHexMessage)},
    {Pasted, "", "65||A", {}},
    {Pasted, kFifty, "65|99|A", {}},
    {Pasted, "-5", "65|41|A", {kHexMessage}},
    {Pasted, "abc", "65|ab|A", {}},
};

// Any character goes in the display box; a typed one shows its code in the other two at once.
const std::vector<TranslationRow> kDisplayRows = {
    {Typed, "€", "128|80|€", {}},  {Typed, "", "65|41|", {}},  {Typed, kFifty, "57|39|9", {}},
    {Typed, " 7 ", "32|20| ", {}}, {Pasted, "", "65|41|", {}}, {Pasted, kFifty, "65|41|9", {}},
    {Pasted, "-5", "65|41|-", {}},
};

// The baud rate box checks every change by the serial control's rule (whole decimal digits, 1 to
// the 32-bit limit): text it refuses goes back to the saved rate (the user's further keys then
// add to it), so Apply saves only a rate that Connect opens with; a good rate need not be listed.
// The input, the text afterwards and the messages on the way.
using BaudRow = std::tuple<Way, QString, QString, int>;
const std::vector<BaudRow> kBaudRows = {
    {Typed, "", "2400", 1},        {Typed, kFifty, "24009999", 7}, {Typed, "-5", "24005", 1},
    {Typed, "abc", "2400", 3},     {Typed, " 7 ", "2400", 2},      {Pasted, "", "2400", 1},
    {Pasted, kFifty, "2400", 1},   {Pasted, "-5", "2400", 1},      {Pasted, " 9600", "2400", 1},
    {Pasted, "9600.5", "2400", 1}, {Pasted, "0", "2400", 1},       {Typed, "31250", "31250", 0},
};

// One row per box and input, so that each fails on its own.
template <typename Row>
void AddRows(const QStringList& boxes, const std::vector<Row>& rows, bool columns = true) {
    if (columns) {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("row");
    }
    for (const QString& box : boxes) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QTest::addRow("%s %s \"%s\"", qPrintable(box), std::get<0>(rows[i]) == Typed ? "typed" : "pasted",
                          qPrintable(std::get<1>(rows[i]).left(12)))
                << box << static_cast<int>(i);
        }
    }
}

}  // namespace

class BadInputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The code dialogs' boxes and the movement dialog's, each dialog opened with 65, or 20 and 3.
    void DialogBoxes_data() {
        AddRows(kBoxes.mid(0, 3), kCodeRows);
        AddRows(kBoxes.mid(3), kMovementRows, false);
    }
    void DialogBoxes() {
        QFETCH(QString, box);
        QFETCH(int, row);
        const qsizetype index = kBoxes.indexOf(box);
        const bool code = index < 3;
        const auto& [way, input, holds, refused] =
            (code ? kCodeRows : kMovementRows)[static_cast<std::size_t>(row)];
        ScriptedMessageBoxes boxes;
        qm::frmASCIIValue compass;
        qm::frmMouseClickASCIIValue buttons;
        qm::frmMouseMovementAdvanced movement;
        compass.ASCIIValue(65);
        buttons.SClickASCIIValue(65);
        buttons.DClickASCIIValue(65);
        movement.MovementDelay(20);
        movement.MovementIncrementX(3);
        movement.MovementIncrementY(3);
        QDialog* dialog = index == 0 ? static_cast<QDialog*>(&compass)
                          : code     ? static_cast<QDialog*>(&buttons)
                                     : &movement;
        dialog->show();
        auto* edit = Child<QLineEdit>(dialog, qPrintable(box));
        const QString given = edit->text();
        Enter(edit, input, way);
        const QString after = holds.value_or(given);
        QCOMPARE(edit->text(), after);
        QVERIFY(boxes.All().empty());

        const QString message = kRefusals[index];
        // Test Speed checks the delay and X boxes as well as OK.
        if (refused && !code && index != 5) {
            Child<QPushButton>(dialog, "cmdTest")->click();
            QCOMPARE(boxes.Texts(), QStringList{message});
            QVERIFY(!movement.SpeedTestEnabled());
            boxes.Clear();
        }
        const bool asked = !refused && index > 3 && after != given;
        if (asked) {
            boxes.Answer(MsgResult::Yes);  // X and Y now differ: the user goes on
        }
        Child<QPushButton>(dialog, "OKButton")->click();
        QCOMPARE(dialog->isVisible(), refused);
        QCOMPARE(boxes.Texts().size(), refused || asked ? 1 : 0);
        if (refused) {
            QCOMPARE(boxes.Texts(), QStringList{message});
            QCOMPARE(boxes.All().front().icon, MsgIcon::Exclamation);
            QCOMPARE(edit->text(), after);
        }
        QStringList handed{"65", "65", "65", "20", "3", "3"};
        handed[index] = refused ? given : after.trimmed();
        QCOMPARE(
            Numbers(compass.ASCIIValue(), buttons.SClickASCIIValue(), buttons.DClickASCIIValue(),
                    movement.MovementDelay(), movement.MovementIncrementX(), movement.MovementIncrementY()),
            handed.join(' '));
    }

    void TranslationBoxes_data() {
        AddRows({"txtASCIIDecimalCharacter"}, kDecimalRows);
        AddRows({"txtASCIIHexCharacter"}, kHexRows, false);
        AddRows({"txtDisplayCharacter"}, kDisplayRows, false);
    }
    void TranslationBoxes() {
        QFETCH(QString, box);
        QFETCH(int, row);
        const auto& rows = box.contains("Decimal") ? kDecimalRows
                           : box.contains("Hex")   ? kHexRows
                                                   : kDisplayRows;
        const auto& [way, input, after, messages] = rows[static_cast<std::size_t>(row)];
        qm::CharacterTranslationTool window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* decimal = Child<QLineEdit>(&window, "txtASCIIDecimalCharacter");
        auto* hex = Child<QLineEdit>(&window, "txtASCIIHexCharacter");
        auto* display = Child<QLineEdit>(&window, "txtDisplayCharacter");
        decimal->setText(QStringLiteral("65"));
        hex->setText(QStringLiteral("41"));
        display->setText(QStringLiteral("A"));
        ScriptedMessageBoxes boxes;
        Enter(Child<QLineEdit>(&window, qPrintable(box)), input, way);
        QCOMPARE(decimal->text() + "|" + hex->text() + "|" + display->text(), after);
        QCOMPARE(boxes.Texts(), messages);
        for (const auto& shown : boxes.All()) {
            QCOMPARE(shown.icon, MsgIcon::Exclamation);
        }

        // A key held in the display box shows its own code while it is down, the box's once it
        // is released; Backspace over the character shows its own code and converts nothing.
        if (box == QStringLiteral("txtDisplayCharacter") && row == 0) {
            display->deselect();
            display->end(false);
            QTest::keyPress(display, Qt::Key_B, Qt::NoModifier);  // 'b'
            QCOMPARE(decimal->text(), QStringLiteral("98"));
            QTest::keyRelease(display, Qt::Key_B, Qt::NoModifier);
            QCOMPARE(decimal->text(), QStringLiteral("128"));
            display->selectAll();
            QTest::keyClick(display, Qt::Key_Backspace);
            QCOMPARE(decimal->text() + hex->text() + display->text(), QStringLiteral("88"));
            QTest::keyClick(display, Qt::Key_Shift);  // a key with no character converts nothing
            QCOMPARE(decimal->text() + hex->text() + display->text(), QStringLiteral("88"));
        }
    }

    // A virtual key looked up by name shows the value a device sends for it, and how (the keys'
    // codes themselves are the end-to-end run's).
    void VirtualKeyLookup() {
        qm::CharacterTranslationTool tool;
        auto* keys = Child<QComboBox>(&tool, "cboVirtualKey");
        keys->setCurrentIndex(keys->findText(QString::fromUtf8("F1 — 368")));
        QCOMPARE(Child<QLineEdit>(&tool, "txtVirtualKeyValue")->text(), QStringLiteral("368 (Esc A 368)"));
    }

    void BaudRateBox_data() { AddRows({"cboBaudRate"}, kBaudRows); }
    void BaudRateBox() {
        QFETCH(int, row);
        const auto& [way, input, after, messages] = kBaudRows[static_cast<std::size_t>(row)];
        qm::test::WindowFixture f;
        Enter(f.Combo("cboBaudRate")->lineEdit(), input, way);
        QCOMPARE(f.Combo("cboBaudRate")->currentText(), after);
        QCOMPARE(f.boxes.Texts(), QStringList(messages, kBaudMessage));
        QCOMPARE(f.Combo("cboBaudRate")->count(), 17);  // nothing joins the list

        f.boxes.Clear();
        f.Find<QPushButton>("cmdApply")->click();
        QVERIFY(f.boxes.All().empty());
        QCOMPARE(f.settings.BaudRate(), after.toInt());
        // The settings text Connect builds from the box is one the serial control takes.
        f.Click("cmdOpenPort");
        QVERIFY_THROWS_NO_EXCEPTION(qm::LineSettings::Parse(f.serial.Settings()));
        QVERIFY(f.serial.PortOpen() && f.terminates == 0 && f.window->isVisible());
    }
};

QTEST_MAIN(BadInputTest)
#include "BadInputTest.moc"

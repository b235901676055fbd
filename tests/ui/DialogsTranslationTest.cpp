// The character translation tool: conversions in Windows-1252 from whichever box is full, the key
// filters and their messages, the display box's key handling, and refused pasted text.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

#include "DialogScreenshots.h"
#include "ScriptedMessageBoxes.h"
#include "ui/CharacterTranslationTool.h"

using qm::MsgIcon;
using qm::test::ScriptedMessageBoxes;

namespace {

const QString kDecimalMessage = QStringLiteral("Please enter only numbers for a decimal value");
const QString kTooLarge = QStringLiteral("Please enter a number less than 256");
const QString kHexMessage = QStringLiteral("Please enter valid Hex Characters : 1-9, a-f");

}  // namespace

class DialogsTranslationTest : public QObject {
    Q_OBJECT

private:
    QWidget* window_ = nullptr;
    qm::CharacterTranslationTool* tool_ = nullptr;
    QLineEdit* decimal_ = nullptr;
    QLineEdit* hex_ = nullptr;
    QLineEdit* display_ = nullptr;

    void Type(QLineEdit* box, const QString& keys) {
        box->setFocus();
        box->selectAll();
        // Character by character with its own text, so that characters beyond Latin-1 type too.
        for (QChar c : keys) {
            const auto key =
                c.isLetterOrNumber() && c.unicode() < 128 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
            QTest::sendKeyEvent(QTest::Click, box, key, QString(c), Qt::NoModifier);
        }
    }
    void Texts(const QString& decimal, const QString& hex, const QString& display) {
        QCOMPARE(decimal_->text(), decimal);
        QCOMPARE(hex_->text(), hex);
        QCOMPARE(display_->text(), display);
    }

private slots:
    void initTestCase() { qm::test::ApplyScreenshotFont(); }

    void init() {
        window_ = new QWidget;
        auto* layout = new QVBoxLayout(window_);
        tool_ = new qm::CharacterTranslationTool(window_);
        layout->addWidget(tool_);
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
        decimal_ = window_->findChild<QLineEdit*>(QStringLiteral("txtASCIIDecimalCharacter"));
        hex_ = window_->findChild<QLineEdit*>(QStringLiteral("txtASCIIHexCharacter"));
        display_ = window_->findChild<QLineEdit*>(QStringLiteral("txtDisplayCharacter"));
        QVERIFY(decimal_ && hex_ && display_);
        QCOMPARE(decimal_->maxLength(), 3);
        QCOMPARE(hex_->maxLength(), 2);
        QCOMPARE(display_->maxLength(), 1);
    }

    void cleanup() { delete window_; }

    void DecimalConvertsOnlyWhenFull() {
        ScriptedMessageBoxes boxes;
        Type(decimal_, QStringLiteral("65"));
        Texts(QStringLiteral("65"), QString(), QString());
        QTest::keyClick(decimal_, Qt::Key_Backspace);
        QTest::keyClick(decimal_, Qt::Key_Backspace);
        QTest::keyClicks(decimal_, QStringLiteral("065"));
        Texts(QStringLiteral("065"), QStringLiteral("41"), QStringLiteral("A"));
        QCOMPARE(decimal_->selectedText(), QStringLiteral("065"));  // the next key replaces it
        qm::test::SaveScreenshot(window_, QStringLiteral("CharacterTranslationTool"));

        // Windows-1252, not Latin-1: 128 is the euro sign.
        Type(decimal_, QStringLiteral("128"));
        Texts(QStringLiteral("128"), QStringLiteral("80"), QStringLiteral("\u20AC"));
        Type(decimal_, QStringLiteral("255"));
        Texts(QStringLiteral("255"), QStringLiteral("FF"), QStringLiteral("\u00FF"));
        Type(decimal_, QStringLiteral("010"));
        QCOMPARE(hex_->text(), QStringLiteral("A"));
        QVERIFY(boxes.All().empty());
    }

    void DecimalAbove255IsRefusedAndEmptied() {
        ScriptedMessageBoxes boxes;
        Type(decimal_, QStringLiteral("065"));
        Type(decimal_, QStringLiteral("256"));
        QCOMPARE(boxes.Texts(), QStringList{kTooLarge});
        QCOMPARE(boxes.All().front().icon, MsgIcon::Exclamation);
        Texts(QString(), QStringLiteral("41"), QStringLiteral("A"));
    }

    void DecimalKeyFilterRefusesAllButDigitsAndBackspace() {
        ScriptedMessageBoxes boxes;
        Type(decimal_, QStringLiteral("1"));
        QTest::keyClick(decimal_, Qt::Key_X);
        QCOMPARE(boxes.Texts(), QStringList{kDecimalMessage});
        QCOMPARE(decimal_->text(), QStringLiteral("1"));
        QTest::keyClick(decimal_, Qt::Key_Return);
        QCOMPARE(boxes.Texts().size(), 2);
        boxes.Clear();
        QTest::keyClick(decimal_, Qt::Key_Backspace);
        QCOMPARE(decimal_->text(), QString());
        QVERIFY(boxes.All().empty());
    }

    void HexConvertsAndTakesOnlyLowerCaseDigits() {
        ScriptedMessageBoxes boxes;
        Type(hex_, QStringLiteral("41"));
        Texts(QStringLiteral("65"), QStringLiteral("41"), QStringLiteral("A"));
        QCOMPARE(hex_->selectedText(), QStringLiteral("41"));
        Type(hex_, QStringLiteral("20"));
        Texts(QStringLiteral("32"), QStringLiteral("20"), QStringLiteral(" "));
        QVERIFY(boxes.All().empty());

        Type(hex_, QStringLiteral("F"));
        QCOMPARE(boxes.Texts(), QStringList{kHexMessage});
        QCOMPARE(boxes.All().front().icon, MsgIcon::Exclamation);
        QCOMPARE(hex_->text(), QStringLiteral("20"));
        Type(hex_, QStringLiteral("ff"));
        Texts(QStringLiteral("255"), QStringLiteral("ff"), QStringLiteral("\u00FF"));
        QCOMPARE(boxes.All().size(), std::size_t{1});
    }

    void DisplayShowsTheCodeOfTheKeyAndOfItsCharacter() {
        ScriptedMessageBoxes boxes;
        Type(display_, QStringLiteral("A"));
        Texts(QStringLiteral("65"), QStringLiteral("41"), QStringLiteral("A"));
        QCOMPARE(display_->selectedText(), QStringLiteral("A"));
        Type(display_, QStringLiteral("\u20AC"));
        Texts(QStringLiteral("128"), QStringLiteral("80"), QStringLiteral("\u20AC"));

        // A key into the full box, character not selected: the key's code while it is down, the
        // box's own again once it is released.
        Type(display_, QStringLiteral("A"));
        display_->deselect();
        display_->end(false);
        QTest::keyPress(display_, Qt::Key_B, Qt::NoModifier);  // 'b'
        Texts(QStringLiteral("98"), QStringLiteral("62"), QStringLiteral("A"));
        QTest::keyRelease(display_, Qt::Key_B, Qt::NoModifier);
        Texts(QStringLiteral("65"), QStringLiteral("41"), QStringLiteral("A"));

        // Backspace over the selected character: its own code, and an empty box converts nothing.
        display_->selectAll();
        QTest::keyClick(display_, Qt::Key_Backspace);
        Texts(QStringLiteral("8"), QStringLiteral("8"), QString());
        QVERIFY(boxes.All().empty());
    }

    void PastedTextIsRefusedWithTheBoxMessage() {
        ScriptedMessageBoxes boxes;
        Type(decimal_, QStringLiteral("12"));
        QApplication::clipboard()->setText(QStringLiteral("a"));
        decimal_->end(false);
        decimal_->paste();
        QCOMPARE(boxes.Texts(), QStringList{kDecimalMessage});
        QCOMPARE(decimal_->text(), QStringLiteral("12"));
        // A key released afterwards converts nothing odd and ends nothing.
        QTest::keyClick(decimal_, Qt::Key_Shift);
        QCOMPARE(decimal_->text(), QStringLiteral("12"));

        boxes.Clear();
        hex_->clear();
        QApplication::clipboard()->setText(QStringLiteral("zz"));
        hex_->paste();
        QCOMPARE(boxes.Texts(), QStringList{kHexMessage});
        QCOMPARE(hex_->text(), QString());

        // Digits pasted into the decimal box are kept, and the next key release converts them.
        boxes.Clear();
        decimal_->clear();
        QApplication::clipboard()->setText(QStringLiteral("066"));
        decimal_->paste();
        QTest::keyClick(decimal_, Qt::Key_Right);
        Texts(QStringLiteral("066"), QStringLiteral("42"), QStringLiteral("B"));
        QVERIFY(boxes.All().empty());
    }
};

QTEST_MAIN(DialogsTranslationTest)
#include "DialogsTranslationTest.moc"

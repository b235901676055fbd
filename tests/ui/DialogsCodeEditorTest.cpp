// The Mouse tab's code editors: hover texts from the working copy, the hotspots' dialogs, and the
// two code dialogs' checks, key filters and Esc handling.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>
#include <functional>

#include "DialogScreenshots.h"
#include "ScriptedMessageBoxes.h"
#include "ports/SerialControl.h"
#include "ui/Child.h"
#include "ui/MouseCodesPanel.h"
#include "ui/PendingState.h"
#include "ui/common/UpDownControl.h"
#include "ui/frmASCIIValue.h"
#include "ui/frmMouseClickASCIIValue.h"

using qm::MsgIcon;
using qm::test::ScriptedMessageBoxes;

using qm::test::Child;

namespace {

const QString kRangeMessage = QStringLiteral("ASCII Code must be a whole number between 0 and 255)");
const QString kSingleMessage =
    QStringLiteral("Single Click ASCII Code must be a whole number between 0 and 255)");

// Runs body against the modal dialog once it is up, and makes sure it goes away again, so a
// failing check never leaves the test waiting on a dialog.
template <typename Dialog>
void WhenModal(std::function<void(Dialog*)> body) {
    QTimer::singleShot(0, [body] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        body(dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

// The mouse moving to a point of the widget, hit-tested by Qt as a real move would be.
void HoverAt(QWidget* widget, QPointF fraction) {
    QTest::mouseMove(widget, QPoint(static_cast<int>(fraction.x() * widget->width()),
                                    static_cast<int>(fraction.y() * widget->height())));
}

void TypeInto(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
}

}  // namespace

class DialogsCodeEditorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qm::test::ApplyScreenshotFont(); }

    void HoverShowsTheWorkingCopyAndEmptiesOffTheHotspots() {
        qm::WorkingCopy working;
        working.N_ASCII = 56;
        working.STOP_ASCII = 53;
        working.LEFT_SCLICK_ASCII = 7;
        working.LEFT_DCLICK_ASCII = 9;
        working.RIGHT_SCLICK_ASCII = 17;
        working.RIGHT_DCLICK_ASCII = 19;
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* compass = new qm::CompassCodesPanel(&window);
        auto* buttons = new qm::ButtonCodesPanel(&window);
        layout->addWidget(compass);
        layout->addWidget(buttons);
        compass->SetWorkingCopy(&working);
        buttons->SetWorkingCopy(&working);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        qm::test::SaveScreenshot(&window, QStringLiteral("MouseCodesPanels"));

        auto* imgCompass = Child<QWidget>(compass, "imgCompass");
        auto* lblDirection = Child<QLabel>(compass, "lblDirection");
        auto* lblASCIICode = Child<QLabel>(compass, "lblASCIICode");
        QVERIFY(imgCompass && lblDirection && lblASCIICode);
        QCOMPARE(lblDirection->text(), QString());

        // The north point of the drawn compass, and its centre, are where their hotspots are.
        HoverAt(imgCompass, {0.5, 0.13});
        QCOMPARE(lblDirection->text(), QStringLiteral("North"));
        QCOMPARE(lblASCIICode->text(), QStringLiteral("56"));
        HoverAt(imgCompass, {0.5, 0.5});
        QCOMPARE(lblDirection->text(), QStringLiteral("Stop"));
        QCOMPARE(lblASCIICode->text(), QStringLiteral("53"));
        HoverAt(imgCompass, {0.03, 0.03});
        QCOMPARE(lblDirection->text(), QString());
        QCOMPARE(lblASCIICode->text(), QString());

        // The texts are the working copy's at the time of the hover, not at start.
        working.SW_ASCII = 200;
        HoverAt(imgCompass, {0.5 - 0.37 * 0.7071, 0.5 + 0.37 * 0.7071});
        QCOMPARE(lblDirection->text(), QStringLiteral("South West"));
        QCOMPARE(lblASCIICode->text(), QStringLiteral("200"));

        // The mouse picture says it can be clicked, as the compass does.
        QVERIFY(Child<QLabel>(buttons, "lblMouseHint") &&
                Child<QLabel>(buttons, "lblMouseHint")->isVisible());
        auto* imgMouse = Child<QWidget>(buttons, "imgMouse");
        auto* lblButtonName = Child<QLabel>(buttons, "lblButtonName");
        auto* lblSClickASCII = Child<QLabel>(buttons, "lblSClickASCII");
        auto* lblDClickASCII = Child<QLabel>(buttons, "lblDClickASCII");
        QVERIFY(imgMouse && lblButtonName && lblSClickASCII && lblDClickASCII);
        HoverAt(imgMouse, {0.3, 0.3});
        QCOMPARE(lblButtonName->text(), QStringLiteral("Left"));
        QCOMPARE(lblSClickASCII->text(), QStringLiteral("7"));
        QCOMPARE(lblDClickASCII->text(), QStringLiteral("9"));
        HoverAt(imgMouse, {0.7, 0.3});
        QCOMPARE(lblButtonName->text(), QStringLiteral("Right"));
        QCOMPARE(lblSClickASCII->text(), QStringLiteral("17"));
        QCOMPARE(lblDClickASCII->text(), QStringLiteral("19"));
        HoverAt(imgMouse, {0.5, 0.8});
        QCOMPARE(lblButtonName->text(), QString());
        QCOMPARE(lblSClickASCII->text(), QString());
        QCOMPARE(lblDClickASCII->text(), QString());
        // Moving over the compass leaves the button texts alone, and the other way round.
        HoverAt(imgMouse, {0.3, 0.3});
        HoverAt(imgCompass, {0.03, 0.03});
        QCOMPARE(lblButtonName->text(), QStringLiteral("Left"));
    }

    void HotspotsEditTheWorkingCopyThroughTheirDialogs() {
        ScriptedMessageBoxes boxes;
        qm::WorkingCopy working;
        working.NE_ASCII = 57;
        working.STOP_ASCII = 53;
        working.RIGHT_SCLICK_ASCII = 17;
        working.RIGHT_DCLICK_ASCII = 19;
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* compass = new qm::CompassCodesPanel(&window);
        auto* buttons = new qm::ButtonCodesPanel(&window);
        layout->addWidget(compass);
        layout->addWidget(buttons);
        compass->SetWorkingCopy(&working);
        buttons->SetWorkingCopy(&working);
        compass->SetHandshaking([] { return qm::comXOnXoff; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy compassEdits(compass, &qm::CompassCodesPanel::CodesEdited);
        QSignalSpy buttonEdits(buttons, &qm::ButtonCodesPanel::CodesEdited);

        QString caption;
        QString shown;
        WhenModal<qm::frmASCIIValue>([&](qm::frmASCIIValue* dialog) {
            caption = dialog->windowTitle();
            shown = Child<QLineEdit>(dialog, "txtASCIICode")->text();
            QVERIFY(dialog->parentWidget() == &window);
            qm::test::SaveScreenshot(dialog, QStringLiteral("frmASCIIValue"));
            TypeInto(Child<QLineEdit>(dialog, "txtASCIICode"), QStringLiteral("17"));
            Child<QPushButton>(dialog, "OKButton")->click();
        });
        QTest::mouseClick(Child<QWidget>(compass, "lblNE"), Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("Ascii Value : NE Mouse Movement"));
        QCOMPARE(shown, QStringLiteral("57"));
        // The panel's handshaking reaches the dialog, which warns and still takes the code.
        QCOMPARE(working.NE_ASCII, qint16(17));
        QCOMPARE(boxes.Texts().size(), 1);
        boxes.Clear();
        QCOMPARE(compassEdits.count(), 1);

        // Stop sets no title; Cancel hands back the code unchanged, and the window still re-checks.
        WhenModal<qm::frmASCIIValue>([&](qm::frmASCIIValue* dialog) {
            caption = dialog->windowTitle();
            TypeInto(Child<QLineEdit>(dialog, "txtASCIICode"), QStringLiteral("99"));
            Child<QPushButton>(dialog, "CancelButton")->click();
        });
        QTest::mouseClick(Child<QWidget>(compass, "lblStop"), Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("Ascii Value : "));
        QCOMPARE(working.STOP_ASCII, qint16(53));
        QCOMPARE(compassEdits.count(), 2);

        QString sShown;
        QString dShown;
        WhenModal<qm::frmMouseClickASCIIValue>([&](qm::frmMouseClickASCIIValue* dialog) {
            caption = dialog->windowTitle();
            sShown = Child<QLineEdit>(dialog, "txtSClickASCIICode")->text();
            dShown = Child<QLineEdit>(dialog, "txtDClickASCIICode")->text();
            qm::test::SaveScreenshot(dialog, QStringLiteral("frmMouseClickASCIIValue"));
            TypeInto(Child<QLineEdit>(dialog, "txtSClickASCIICode"), QStringLiteral("0"));
            TypeInto(Child<QLineEdit>(dialog, "txtDClickASCIICode"), QStringLiteral("255"));
            Child<QPushButton>(dialog, "OKButton")->click();
        });
        QTest::mouseClick(Child<QWidget>(buttons, "lblRightButton"), Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("ASCII Values: Right Button"));
        QCOMPARE(sShown, QStringLiteral("17"));
        QCOMPARE(dShown, QStringLiteral("19"));
        QCOMPARE(working.RIGHT_SCLICK_ASCII, qint16(0));
        QCOMPARE(working.RIGHT_DCLICK_ASCII, qint16(255));
        QCOMPARE(buttonEdits.count(), 1);
        QVERIFY(boxes.All().empty());
    }

    void CodeDialogsFitTheirCaptionAndOpenReadyToType_data() {
        QTest::addColumn<bool>("pair");
        QTest::addColumn<QString>("title");
        QTest::newRow("N") << false << "N Mouse Movement";
        QTest::newRow("NW") << false << "NW Mouse Movement";
        QTest::newRow("Stop") << false << QString();
        QTest::newRow("Left") << true << "Left Button";
        QTest::newRow("Right") << true << "Right Button";
    }

    // The title bar has its own font, here twice the dialog's; the caption must fit beside the
    // buttons, no maximise button is offered, and the code shown is selected so typing replaces it.
    void CodeDialogsFitTheirCaptionAndOpenReadyToType() {
        QFETCH(bool, pair);
        QFETCH(QString, title);
        const QFont normal = QApplication::font("QMdiSubWindowTitleBar");
        QFont big = QApplication::font();
        big.setPointSizeF(big.pointSizeF() * 2);
        QApplication::setFont(big, "QMdiSubWindowTitleBar");
        qm::frmASCIIValue single;
        qm::frmMouseClickASCIIValue twin;
        QDialog* dialog = pair ? static_cast<QDialog*>(&twin) : &single;
        single.ASCIIValue(65);
        twin.SClickASCIIValue(65);
        twin.DClickASCIIValue(66);
        if (!title.isEmpty()) {
            pair ? twin.TitleText(title) : single.TitleText(title);
        }
        dialog->show();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QApplication::setFont(normal, "QMdiSubWindowTitleBar");

        big.setBold(true);
        const QFontMetrics bar(big);
        QVERIFY2(dialog->width() >= bar.horizontalAdvance(dialog->windowTitle()) + 3 * bar.height(),
                 qPrintable(QStringLiteral("%1 px").arg(dialog->width())));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dialog->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
        QVERIFY(dialog->windowFlags() & Qt::WindowCloseButtonHint);

        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("7"));
        Child<QPushButton>(dialog, "OKButton")->click();
        QCOMPARE(pair ? twin.SClickASCIIValue() : single.ASCIIValue(), qint16(7));
        QCOMPARE(twin.DClickASCIIValue(), qint16(66));
    }

    void CodeDialogsWarnOfCodesXonXoffKeepsAndTakeThem_data() {
        QTest::addColumn<bool>("pair");
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("named");  // empty: no warning
        QTest::newRow("XON") << false << qm::comXOnXoff << "17"
                             << ""
                             << "17 (XON) will";
        QTest::newRow("XOFF") << false << qm::comXOnXoff << "19"
                              << ""
                              << "19 (XOFF) will";
        QTest::newRow("other code") << false << qm::comXOnXoff << "18"
                                    << ""
                                    << "";
        QTest::newRow("no handshaking") << false << qm::comNone << "17"
                                        << ""
                                        << "";
        QTest::newRow("both clicks") << true << qm::comXOnXoff << "19"
                                     << "17"
                                     << "19 (XOFF) and 17 (XON)";
        QTest::newRow("hardware") << true << qm::comRTS << "19"
                                  << "17"
                                  << "";
    }

    void CodeDialogsWarnOfCodesXonXoffKeepsAndTakeThem() {
        QFETCH(bool, pair);
        QFETCH(int, handshaking);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, named);
        ScriptedMessageBoxes boxes;
        qm::frmASCIIValue single;
        qm::frmMouseClickASCIIValue twin;
        QDialog* dialog = pair ? static_cast<QDialog*>(&twin) : &single;
        single.Handshaking(handshaking);
        twin.Handshaking(handshaking);
        dialog->show();
        Child<QLineEdit>(dialog, pair ? "txtSClickASCIICode" : "txtASCIICode")->setText(first);
        if (pair) {
            Child<QLineEdit>(dialog, "txtDClickASCIICode")->setText(second);
        }
        Child<QPushButton>(dialog, "OKButton")->click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(QString::number(pair ? twin.SClickASCIIValue() : single.ASCIIValue()), first);
        QCOMPARE(boxes.Texts().size(), named.isEmpty() ? 0 : 1);
        if (!named.isEmpty()) {
            QVERIFY2(boxes.Texts().front().contains(named) && boxes.Texts().front().contains("Xon/Xoff"),
                     qPrintable(boxes.Texts().front()));
            QCOMPARE(boxes.All().front().icon, MsgIcon::Exclamation);
        }
    }

    void SingleCodeDialogChecksTheRangeAndKeepsTheTextOnRefusal() {
        ScriptedMessageBoxes boxes;
        qm::frmASCIIValue dialog;
        dialog.ASCIIValue(65);
        dialog.show();
        auto* text = Child<QLineEdit>(&dialog, "txtASCIICode");
        auto* ok = Child<QPushButton>(&dialog, "OKButton");

        for (const QString& bad : {QStringLiteral("256"), QString(), QStringLiteral("1.5"),
                                   QStringLiteral("-1"), QStringLiteral("abc")}) {
            boxes.Clear();
            text->setText(bad);
            ok->click();
            QVERIFY2(dialog.isVisible(), qPrintable(bad));
            QCOMPARE(text->text(), bad);
            QCOMPARE(dialog.ASCIIValue(), qint16(65));
            QCOMPARE(boxes.Texts(), QStringList{kRangeMessage});
            QCOMPARE(boxes.All().front().icon, MsgIcon::Exclamation);
            QCOMPARE(boxes.All().front().title, QStringLiteral("Quillmotion"));
        }
        for (const auto& [good, value] :
             {std::pair{QStringLiteral("0"), qint16(0)}, {QStringLiteral("255"), qint16(255)}}) {
            boxes.Clear();
            dialog.show();
            text->setText(good);
            ok->click();
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.ASCIIValue(), value);
            QVERIFY(boxes.All().empty());
        }
    }

    void CodeBoxesTakeOnlyDigitsAndStepWithinTheRange() {
        qm::frmASCIIValue dialog;
        dialog.ASCIIValue(254);
        dialog.show();
        auto* text = Child<QLineEdit>(&dialog, "txtASCIICode");
        text->setFocus();
        text->setCursorPosition(3);
        for (Qt::Key refused : {Qt::Key_A, Qt::Key_Minus, Qt::Key_Period, Qt::Key_Space, Qt::Key_Backspace}) {
            QTest::keyClick(text, refused);
        }
        QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(text->text(), QStringLiteral("254"));
        QVERIFY(dialog.isVisible());  // Enter is discarded too, so it does not press a button
        QTest::keyClick(text, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(text->text(), QStringLiteral("254"));
        // Delete still edits, and digits go in.
        text->setCursorPosition(0);
        QTest::keyClick(text, Qt::Key_Delete);
        QCOMPARE(text->text(), QStringLiteral("54"));
        QTest::keyClick(text, Qt::Key_1);
        QCOMPARE(text->text(), QStringLiteral("154"));

        auto* updASCII = Child<qm::UpDownControl>(&dialog, "updASCII");
        QVERIFY(updASCII != nullptr);
        QCOMPARE(updASCII->Buddy(), text);
        text->setText(QStringLiteral("254"));
        auto* up = updASCII->findChild<QToolButton*>(QStringLiteral("up"));
        auto* down = updASCII->findChild<QToolButton*>(QStringLiteral("down"));
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(text->text(), QStringLiteral("255"));
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(text->text(), QStringLiteral("255"));
        text->setText(QStringLiteral("0"));
        QTest::mouseClick(down, Qt::LeftButton);
        QCOMPARE(text->text(), QStringLiteral("0"));
        QTest::keyClick(text, Qt::Key_Up);
        QCOMPARE(text->text(), QStringLiteral("1"));
    }

    void EscCancelsTheCompassDialogButNotTheButtonDialog() {
        ScriptedMessageBoxes boxes;
        qm::frmASCIIValue single;
        single.ASCIIValue(40);
        single.show();
        auto* code = Child<QLineEdit>(&single, "txtASCIICode");
        code->setText(QStringLiteral("41"));
        QTest::keyClick(code, Qt::Key_Escape);
        QVERIFY(!single.isVisible());
        QCOMPARE(single.result(), int(QDialog::Rejected));
        QCOMPARE(single.ASCIIValue(), qint16(40));

        qm::frmMouseClickASCIIValue pair;
        pair.SClickASCIIValue(1);
        pair.DClickASCIIValue(2);
        pair.show();
        auto* sText = Child<QLineEdit>(&pair, "txtSClickASCIICode");
        auto* dText = Child<QLineEdit>(&pair, "txtDClickASCIICode");
        QTest::keyClick(sText, Qt::Key_Escape);
        QTest::keyClick(&pair, Qt::Key_Escape);
        QVERIFY(pair.isVisible());

        // Its checks: the single-click code first, then the double-click code.
        sText->setText(QStringLiteral("300"));
        dText->setText(QString());
        Child<QPushButton>(&pair, "OKButton")->click();
        QVERIFY(pair.isVisible());
        QCOMPARE(boxes.Texts(), QStringList{kSingleMessage});
        boxes.Clear();
        sText->setText(QStringLiteral("3"));
        Child<QPushButton>(&pair, "OKButton")->click();
        QVERIFY(pair.isVisible());
        QCOMPARE(boxes.Texts().size(), 1);
        QVERIFY(boxes.Texts().front().contains(QStringLiteral("between 0 and 255")));
        QVERIFY(boxes.Texts().front().startsWith(QStringLiteral("Double Click")));
        QCOMPARE(pair.SClickASCIIValue(), qint16(1));
        QCOMPARE(pair.DClickASCIIValue(), qint16(2));

        // Cancel hands back what was given.
        dText->setText(QStringLiteral("4"));
        Child<QPushButton>(&pair, "CancelButton")->click();
        QVERIFY(!pair.isVisible());
        QCOMPARE(pair.SClickASCIIValue(), qint16(1));
        QCOMPARE(pair.DClickASCIIValue(), qint16(2));
    }
};

QTEST_MAIN(DialogsCodeEditorTest)
#include "DialogsCodeEditorTest.moc"

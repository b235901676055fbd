#include "ui/CharacterTranslationTool.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include "diag/Cp1252.h"
#include "input/VirtualKeys.h"
#include "ui/AccessibleInterfaces.h"
#include "ui/common/MessageBoxService.h"
#include "ui/common/TypedKeys.h"

namespace qm {

namespace {

const char* const kDecimalMessage = "Please enter only numbers for a decimal value";
const char* const kTooLargeMessage = "Please enter a number less than 256";
const char* const kHexMessage = "Please enter valid Hex Characters : 1-9, a-f";

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}
bool IsLowerHexDigit(int c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f');
}

bool AllDigits(const QString& text) {
    for (QChar c : text) {
        if (!IsDigit(c.unicode())) {
            return false;
        }
    }
    return true;
}

bool AllLowerHexDigits(const QString& text) {
    for (QChar c : text) {
        if (!IsLowerHexDigit(c.unicode())) {
            return false;
        }
    }
    return true;
}

QString CharacterOf(int code) {
    return QString(QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(code)))));
}

int CodeOf(const QString& text) {
    if (text.isEmpty()) {
        return 0;
    }
    const char32_t codePoint = text.at(0).isHighSurrogate() && text.size() > 1
                                   ? QChar::surrogateToUcs4(text.at(0), text.at(1))
                                   : text.at(0).unicode();
    const int ansi = UnicodeToCp1252(codePoint);
    return ansi < 0 ? int{'?'} : ansi;
}

QString Hex(int code) {
    return QString::number(code, 16).toUpper();
}

template <typename Field>
Field* AddField(QWidget* parent, QGridLayout* grid, int row, const QString& caption, const char* name) {
    auto* label = new QLabel(caption, parent);
    auto* field = new Field(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setAccessibleName(caption.chopped(1));
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1, 1, 2, Qt::AlignLeft);
    return field;
}

QLineEdit* AddBox(QWidget* parent, QGridLayout* grid, int row, const QString& caption, const char* name,
                  int maxLength, const QString& widest = QStringLiteral("0000")) {
    auto* box = AddField<QLineEdit>(parent, grid, row, caption, name);
    box->setMaxLength(maxLength);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(widest) + 16);
    return box;
}

// The escape value and how a device sends it: Esc, "A" and its three digits, written as a person
// programming the device types it.
QString EscapeValueText(int value) {
    return QStringLiteral("%1 (Esc A %1)").arg(value);
}

}  // namespace

CharacterTranslationTool::CharacterTranslationTool(QWidget* parent)
    : QGroupBox(tr("Character Translation:"), parent) {
    setObjectName(QStringLiteral("fraCharacterTranslation"));
    auto* grid = new QGridLayout(this);
    decimal_ = AddBox(this, grid, 0, tr("ASCII Decimal:"), "txtASCIIDecimalCharacter", 3);
    hex_ = AddBox(this, grid, 1, tr("ASCII HEX:"), "txtASCIIHexCharacter", 2);
    display_ = AddBox(this, grid, 2, tr("Display:"), "txtDisplayCharacter", 1);
    auto* virtualKey = AddField<LabelledList>(this, grid, 3, tr("Virtual Key:"), "cboVirtualKey");
    auto* escapeValue = AddBox(this, grid, 4, tr("Escape Value:"), "txtVirtualKeyValue", 15,
                               EscapeValueText(kVirtualKeyLast));
    escapeValue->setReadOnly(true);
    for (const VirtualKey& key : VirtualKeys()) {
        const int value = kVirtualKeyBase + key.vk;
        virtualKey->addItem(QStringLiteral("%1 \u2014 %2").arg(QLatin1String(KeyName(key.key))).arg(value),
                            value);
    }
    const auto showEscapeValue = [virtualKey, escapeValue] {
        escapeValue->setText(EscapeValueText(virtualKey->currentData().toInt()));
    };
    connect(virtualKey, &QComboBox::currentIndexChanged, this, showEscapeValue);
    showEscapeValue();
    grid->setColumnStretch(2, 1);
    for (QLineEdit* box : {decimal_, hex_, display_}) {
        box->installEventFilter(this);
    }
    connect(decimal_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (AllDigits(text)) {
            decimalBefore_ = text;
        }
    });
    connect(hex_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (AllLowerHexDigits(text)) {
            hexBefore_ = text;
        }
    });
    connect(decimal_, &QLineEdit::textEdited, this,
            [this] { RefuseUnfiltered(decimal_, decimalBefore_, AllDigits, kDecimalMessage); });
    connect(hex_, &QLineEdit::textEdited, this,
            [this] { RefuseUnfiltered(hex_, hexBefore_, AllLowerHexDigits, kHexMessage); });
}

bool CharacterTranslationTool::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box == nullptr || (box != decimal_ && box != hex_ && box != display_)) {
        return QGroupBox::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::FocusIn: {
            box->selectAll();
            // A click places the caret after the focus arrives; select again once it has.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) {
                QPointer<QLineEdit> target(box);
                QTimer::singleShot(0, box, [target] {
                    if (target && target->hasFocus()) {
                        target->selectAll();
                    }
                });
            }
            break;
        }
        case QEvent::KeyPress: {
            const auto& key = *static_cast<QKeyEvent*>(event);
            if (box == decimal_) {
                return DecimalKeyPress(key);
            }
            if (box == hex_) {
                return HexKeyPress(key);
            }
            DisplayKeyPress(key);
            break;
        }
        case QEvent::KeyRelease:
            if (box == decimal_) {
                DecimalKeyUp();
            } else if (box == hex_) {
                HexKeyUp();
            } else {
                DisplayKeyUp();
            }
            break;
        default:
            break;
    }
    return QGroupBox::eventFilter(watched, event);
}

bool CharacterTranslationTool::DecimalKeyPress(const QKeyEvent& event) {
    const auto typed = TypedCharacter(event);
    if (!typed || *typed == 8 || IsDigit(*typed)) {
        return false;
    }
    Warn(kDecimalMessage);
    return true;
}

bool CharacterTranslationTool::HexKeyPress(const QKeyEvent& event) {
    const auto typed = TypedCharacter(event);
    if (!typed || *typed == 8 || IsLowerHexDigit(*typed)) {
        return false;
    }
    Warn(kHexMessage);
    return true;
}

void CharacterTranslationTool::DisplayKeyPress(const QKeyEvent& event) {
    // Every key passes; the other boxes show its code before it reaches this one.
    const auto typed = TypedCharacter(event);
    if (!typed) {
        return;
    }
    decimal_->setText(QString::number(*typed));
    hex_->setText(Hex(*typed));
}

void CharacterTranslationTool::DecimalKeyUp() {
    const QString text = decimal_->text();
    if (text.size() != decimal_->maxLength()) {
        return;
    }
    if (!AllDigits(text)) {
        // Only text that bypassed the key filter gets here; it is never read as a number.
        decimal_->clear();
        Warn(kDecimalMessage);
        return;
    }
    const int code = text.toInt();
    if (code > 255) {
        Warn(kTooLargeMessage);
        decimal_->clear();
    } else {
        display_->setText(CharacterOf(code));
        hex_->setText(Hex(code));
    }
    SelectActiveText();
}

void CharacterTranslationTool::HexKeyUp() {
    const QString text = hex_->text();
    if (text.size() != hex_->maxLength()) {
        return;
    }
    bool ok = false;
    const int code = text.toInt(&ok, 16);
    if (!ok || !AllLowerHexDigits(text)) {
        hex_->clear();
        Warn(kHexMessage);
        return;
    }
    decimal_->setText(QString::number(code));
    display_->setText(CharacterOf(code));
    SelectActiveText();
}

void CharacterTranslationTool::DisplayKeyUp() {
    const QString text = display_->text();
    if (text.size() != display_->maxLength()) {
        return;
    }
    const int code = CodeOf(text);
    hex_->setText(Hex(code));
    decimal_->setText(QString::number(code));
    SelectActiveText();
}

void CharacterTranslationTool::RefuseUnfiltered(QLineEdit* box, QString& previous,
                                                bool (*valid)(const QString&), const char* message) {
    if (valid(box->text())) {
        return;
    }
    box->setText(previous);
    Warn(message);
}

void CharacterTranslationTool::SelectActiveText() {
    QWidget* active = window()->focusWidget();
    if (auto* box = qobject_cast<QLineEdit*>(active)) {
        box->setSelection(0, static_cast<int>(box->text().size()));
    }
}

void CharacterTranslationTool::Warn(const char* message) {
    MsgBox(window(), QString::fromLatin1(message), MsgIcon::Exclamation);
}

}  // namespace qm

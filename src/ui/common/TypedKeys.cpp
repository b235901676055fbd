#include "ui/common/TypedKeys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include "diag/Cp1252.h"

namespace qm {
namespace {

class TypedLengthValidator final : public QValidator {
public:
    TypedLengthValidator(int maxLength, QObject* parent) : QValidator(parent), maxLength_(maxLength) {}

    // A user edit that makes the text too long is undone whole; texts set by the program are
    // not checked against this, which is what keeps a long stored value intact.
    State validate(QString& input, int& /*pos*/) const override {
        return input.size() <= maxLength_ ? Acceptable : Invalid;
    }

private:
    int maxLength_;
};

class DigitsOnlyFilter final : public QObject {
public:
    explicit DigitsOnlyFilter(QLineEdit* box) : QObject(box), box_(box) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_ || event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto typed = TypedCharacter(*static_cast<QKeyEvent*>(event));
        if (!typed) {
            return false;
        }
        if (*typed == '\r') {
            return false;  // not typed: the box passes it on to the dialog's default button
        }
        if (*typed < '0' || *typed > '9') {
            return true;
        }
        // A digit that would overrun the length limit goes nowhere, as in a full Windows edit box.
        const auto* validator = dynamic_cast<const TypedLengthValidator*>(box_->validator());
        if (validator != nullptr) {
            QString after = box_->text();
            after.remove(box_->selectionStart() < 0 ? 0 : box_->selectionStart(),
                         box_->selectedText().size());
            after += QChar(*typed);
            int pos = 0;
            if (validator->validate(after, pos) == QValidator::Invalid) {
                return true;
            }
        }
        return false;
    }

private:
    QLineEdit* box_;
};

}  // namespace

std::optional<int> TypedCharacter(const QKeyEvent& event) {
    const auto modifiers = event.modifiers();
    const int key = event.key();
    if (modifiers & Qt::AltModifier) {
        return std::nullopt;  // mnemonics and menu keys
    }
    switch (key) {
        case Qt::Key_Backspace:
            return (modifiers & Qt::ControlModifier) ? 127 : 8;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return (modifiers & Qt::ControlModifier) ? 10 : 13;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Delete:
            return std::nullopt;
        default:
            break;
    }
    if (modifiers & Qt::ControlModifier) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z) {
            return key - Qt::Key_A + 1;
        }
        return std::nullopt;
    }
    const QString text = event.text();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const char32_t codePoint = text.at(0).isHighSurrogate() && text.size() > 1
                                   ? QChar::surrogateToUcs4(text.at(0), text.at(1))
                                   : text.at(0).unicode();
    if (codePoint < 0x20 || codePoint == 0x7F) {
        return std::nullopt;  // a control key this platform spells as text, already handled above
    }
    const int ansi = UnicodeToCp1252(codePoint);
    return ansi < 0 ? int{'?'} : ansi;
}

bool PressesControl(const QKeyEvent& event, bool withSpace) {
    const int key = event.key();
    return (key == Qt::Key_Return || key == Qt::Key_Enter || (withSpace && key == Qt::Key_Space)) &&
           !event.isAutoRepeat();
}

void LimitTypedLength(QLineEdit* box, int maxLength) {
    box->setValidator(new TypedLengthValidator(maxLength, box));
}

void AcceptDigitsOnly(QLineEdit* box) {
    box->installEventFilter(new DigitsOnlyFilter(box));
}

}  // namespace qm

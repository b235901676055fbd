#include "ui/common/MessageBoxService.h"

#include <QMessageBox>

namespace qm {
namespace {

class WidgetMessageBoxes final : public MessageBoxService {
public:
    MsgResult Show(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons,
                   const QString& title) override {
        QMessageBox box(ToQtIcon(icon), title, text, QMessageBox::NoButton, parent);
        switch (buttons) {
            case MsgButtons::OK:
                box.setStandardButtons(QMessageBox::Ok);
                break;
            case MsgButtons::YesNo:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                break;
            case MsgButtons::OKCancel:
                box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
                break;
        }
        switch (box.exec()) {
            case QMessageBox::Yes:
                return MsgResult::Yes;
            case QMessageBox::No:
                return MsgResult::No;
            case QMessageBox::Cancel:
                return MsgResult::Cancel;
            default:
                return MsgResult::OK;
        }
    }

private:
    static QMessageBox::Icon ToQtIcon(MsgIcon icon) {
        switch (icon) {
            case MsgIcon::Critical:
                return QMessageBox::Critical;
            case MsgIcon::Exclamation:
                return QMessageBox::Warning;
            case MsgIcon::Question:
                return QMessageBox::Question;
            case MsgIcon::Information:
                return QMessageBox::Information;
            case MsgIcon::None:
                break;
        }
        return QMessageBox::NoIcon;
    }
};

MessageBoxService*& Current() {
    static MessageBoxService* current = nullptr;
    return current;
}

}  // namespace

MsgResult MsgBox(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons,
                 const QString& title) {
    static WidgetMessageBoxes widgets;
    MessageBoxService* service = Current() != nullptr ? Current() : &widgets;
    return service->Show(parent, text, icon, buttons, title);
}

void SetMessageBoxService(MessageBoxService* service) {
    Current() = service;
}

}  // namespace qm

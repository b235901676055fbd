#include "ui/common/FixedDialog.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QSpacerItem>

namespace qm {

namespace {

// Keeps a spacer in the dialog's layout as wide as the title bar needs for the current caption.
class CaptionRoom : public QObject {
public:
    CaptionRoom(QDialog* dialog, QBoxLayout* layout) : QObject(dialog), layout_(layout) {
        room_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
        layout_->addSpacerItem(room_);
        dialog->installEventFilter(this);
        Fit(dialog);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::WindowTitleChange:
            case QEvent::FontChange:
            case QEvent::ApplicationFontChange:
                Fit(static_cast<QWidget*>(watched));
                break;
            default:
                break;
        }
        return false;
    }

private:
    void Fit(QWidget* dialog) {
        room_->changeSize(TitleBarWidth(dialog->windowTitle()), 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
        layout_->invalidate();
    }

    QBoxLayout* layout_;
    QSpacerItem* room_ = nullptr;
};

}  // namespace

int TitleBarWidth(const QString& caption) {
    // Qt knows no window manager's title font; the theme's title font for sub-windows is the
    // nearest it offers, and the application font where the theme names none.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const QFontMetrics metrics(font);
    // The icon and up to three buttons, each about as wide as the bar is high, and the margins.
    return metrics.horizontalAdvance(caption) + 6 * metrics.height();
}

void MakeFixedDialog(QDialog* dialog, QBoxLayout* layout) {
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    new CaptionRoom(dialog, layout);
}

}  // namespace qm

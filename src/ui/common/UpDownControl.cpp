#include "ui/common/UpDownControl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace qm {

UpDownControl::UpDownControl(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setObjectName(QStringLiteral("up"));
    down_ = new QToolButton(this);
    down_->setObjectName(QStringLiteral("down"));
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        layout->addWidget(button);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setAccessibleName(tr("Up"));
    down_->setAccessibleName(tr("Down"));
    connect(up_, &QToolButton::clicked, this, &UpDownControl::StepUp);
    connect(down_, &QToolButton::clicked, this, &UpDownControl::StepDown);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void UpDownControl::SetBuddy(QLineEdit* buddy) {
    if (buddy_ != nullptr) {
        buddy_->removeEventFilter(this);
    }
    buddy_ = buddy;
    if (buddy_ != nullptr) {
        buddy_->installEventFilter(this);
        const int width = std::max(buddy_->sizeHint().height() * 2 / 3, 12);
        up_->setFixedWidth(width);
        down_->setFixedWidth(width);
        setFixedHeight(buddy_->sizeHint().height());
        setEnabled(buddy_->isEnabled());
    }
}

void UpDownControl::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, max_);
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::EnabledChange) {
        // A greyed box is not to be changed: its arrows grey with it and step nothing.
        setEnabled(buddy_->isEnabled());
    }
    if (watched == buddy_ && event->type() == QEvent::KeyPress && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up) {
                StepUp();
                return true;
            }
            if (key->key() == Qt::Key_Down) {
                StepDown();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDownControl::Step(int direction) {
    if (buddy_ == nullptr) {
        return;
    }
    bool ok = false;
    const double shown = QLocale().toDouble(buddy_->text().trimmed(), &ok);
    if (ok && std::isfinite(shown)) {
        position_ = static_cast<int>(
            std::clamp(std::nearbyint(shown), static_cast<double>(min_), static_cast<double>(max_)));
    }
    position_ = std::clamp(position_ + direction * increment_, min_, max_);
    buddy_->setText(QString::number(position_));
}

}  // namespace qm

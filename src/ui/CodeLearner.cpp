#include "ui/CodeLearner.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "ui/CodeListening.h"
#include "ui/common/Widgets.h"

namespace qm {

CodeLearner::CodeLearner(QDialog* dialog) : QObject(dialog) {
    status_ = new QLabel(dialog);
    status_->setObjectName(QStringLiteral("lblLearn"));
    // Room for every line it shows, so the dialog keeps its size and its buttons their places
    // while the lines change.
    status_->setWordWrap(true);
    status_->setFixedWidth(status_->fontMetrics().averageCharWidth() * 40);
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 3);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(kWaitMs);
    connect(timer_, &QTimer::timeout, this, &CodeLearner::TimedOut);
    // However the dialog ends, the device's codes act again.
    connect(dialog, &QDialog::finished, this, &CodeLearner::Stop);
}

CodeLearner::~CodeLearner() {
    // The dialog's boxes and line may be gone already; the listening must not outlive it.
    if (waiting_) {
        EndWait();
    }
}

void CodeLearner::WaitLimit(int ms) {
    timer_->setInterval(ms);
}

QPushButton* CodeLearner::AddButton(QLineEdit* box) {
    auto* button = MakeButton(box->parentWidget(), "cmdLearn", "Press the switch");
    button->setProperty("Index", buttons_++);
    button->setAccessibleName(tr("Press the switch for %1").arg(box->accessibleName()));
    connect(button, &QPushButton::clicked, this, [this, box] { Start(box); });
    return button;
}

void CodeLearner::Start(QLineEdit* box) {
    Stop();
    QPointer<CodeLearner> self(this);
    const auto taken = [self](std::int16_t code) {
        if (self) {
            self->Take(code);
        }
    };
    if (listening_ == nullptr || !listening_->Listen(taken)) {
        status_->setText(tr("No device is connected: connect its port on the General tab first."));
        return;
    }
    waiting_ = true;
    waitingFor_ = box;
    timer_->start();
    status_->setText(
        tr("Waiting for the switch for %1... (Escape or Cancel stops)").arg(box->accessibleName()));
}

void CodeLearner::Take(std::int16_t code) {
    // The listening has ended with this code.
    timer_->stop();
    waiting_ = false;
    QLineEdit* box = waitingFor_;
    waitingFor_.clear();
    if (box == nullptr || status_ == nullptr) {
        return;
    }
    if (code < 0 || code > kHighest) {
        status_->setText(tr("Code %1 is not from 0 to %2, so it was not taken.").arg(code).arg(kHighest));
        return;
    }
    box->setText(QString::number(code));
    box->setFocus();
    box->selectAll();
    status_->setText(tr("Code %1 taken. OK keeps it.").arg(code));
}

void CodeLearner::TimedOut() {
    if (!waiting_) {
        return;
    }
    EndWait();
    status_->setText(tr("Nothing came from the switch in %1 seconds.").arg(timer_->interval() / 1000.0));
}

void CodeLearner::Stop() {
    if (!waiting_) {
        return;
    }
    EndWait();
    if (status_ != nullptr) {
        status_->clear();
    }
}

void CodeLearner::EndWait() {
    waiting_ = false;
    waitingFor_.clear();
    timer_->stop();
    listening_->StopListening();
}

}  // namespace qm

#include "ui/StatusDisplay.h"

#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "diag/Traced.h"
#include "ui/SessionControl.h"
#include "ui/TrayIcon.h"
#include "ui/common/Ansi.h"

namespace qm {
namespace {

// How long after a change the boxes and the tip show it (see ShowLater).
constexpr int kShowDelayMs = 10;

constexpr const char* kInitialiseSysTray = "frmSerial.InitialiseSysTray";
constexpr const char* kUpdateTrayIconInfo = "frmSerial.UpdateTrayIconInfo";
constexpr const char* kShellTrayModify = "modSysTray.ShellTrayModify";

// "Ctrl: once, Alt: locked"; empty when every modifier is off.
std::string ModifiersText(const RoadStatus& road) {
    std::string text;
    for (std::size_t i = 0; i < kModifierCount; ++i) {
        if (road.modifiers[i] != StickyModifiers::State::Off) {
            text += (text.empty() ? "" : ", ") + std::string(ModifierName(static_cast<Modifier>(i))) +
                    (road.modifiers[i] == StickyModifiers::State::Latched ? ": once" : ": locked");
        }
    }
    return text;
}

}  // namespace

std::string TrayTipText(const SessionStatus& session, const RoadStatus& road) {
    std::string tip = "Quillmotion Enabled\r\n";
    const std::string port = std::to_string(session.commPort);
    switch (session.connection) {
        case SessionStatus::Connection::Connected:
            tip += "Connected to COM" + port + ": at " + std::to_string(session.baudRate) + "\r\n" +
                   std::to_string(road.bytesReceived) + " bytes received";
            break;
        case SessionStatus::Connection::Waiting:
            tip += "Waiting for COM" + port + ": to come back";
            break;
        case SessionStatus::Connection::NotConnected:
            tip += "Not Connected";
            break;
    }
    if (road.leftButtonLocked) {
        tip += "\r\nLeft button held down";
    }
    if (road.speedFactor != 1.0F) {
        tip += road.speedFactor < 1.0F
                   ? "\r\nSpeed: half"
                   : "\r\nSpeed: " + std::to_string(static_cast<int>(road.speedFactor)) + " times";
    }
    const std::string modifiers = ModifiersText(road);
    if (!modifiers.empty()) {
        tip += "\r\n" + modifiers;
    }
    return tip;
}

StatusDisplay::StatusDisplay(Road& road, const SessionControl& session, TrayIcon* tray, QObject* parent)
    : QObject(parent), road_(road), session_(session), tray_(tray) {
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(kShowDelayMs);
    connect(timer_, &QTimer::timeout, this, [this] { Show(); });
    road_.SetOnChanged([this] { ShowLater(); });
}

StatusDisplay::~StatusDisplay() {
    road_.SetOnChanged(nullptr);
}

void StatusDisplay::ShowIn(QPlainTextEdit* list, QLineEdit* count) {
    list_ = list;
    count_ = count;
    for (QWidget* box : {static_cast<QWidget*>(list_), static_cast<QWidget*>(count_)}) {
        box->installEventFilter(this);
    }
}

void StatusDisplay::ShowLater() {
    // Every character changes the list and the count: shown per character they would cost more
    // than the character's own work, and nobody reads them faster than the window is drawn.
    // Not at the next turn of the event loop either: that is while the desktop is still taking
    // in the event the character has just caused, and the boxes' and the tip's window traffic
    // would compete with it for the display server and the processor.
    if (!stopped_ && !timer_->isActive()) {
        timer_->start();
    }
}

void StatusDisplay::Stop() {
    stopped_ = true;
    timer_->stop();
}

void StatusDisplay::Show() {
    const RoadStatus now = road_.Status();
    if (list_ != nullptr && list_->isVisible() && !(now.received == listShown_)) {
        QStringList entries;
        for (std::size_t i = 0; i < now.received.Size(); ++i) {
            entries << FromAnsi(now.received.Line(i));
        }
        list_->setPlainText(entries.join(QLatin1Char('\n')));
        listShown_ = now.received;
    }
    if (count_ != nullptr && count_->isVisible() && now.bytesReceived != countShown_) {
        count_->setText(QString::number(now.bytesReceived));
        countShown_ = now.bytesReceived;
    }
    const RoadStatus& tip = tipBuiltFrom_;
    if (now.counted != tip.counted || now.leftButtonLocked != tip.leftButtonLocked ||
        now.speedFactor != tip.speedFactor || now.modifiers != tip.modifiers) {
        UpdateTrayIconInfo();
    }
}

bool StatusDisplay::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !stopped_ && (watched == list_ || watched == count_)) {
        Show();
    }
    return QObject::eventFilter(watched, event);
}

bool StatusDisplay::ShellTrayAdd() {
    return tray_ != nullptr && tray_->Add("Quillmotion Enabled");
}

bool StatusDisplay::InitialiseSysTray() {
    return Traced(kInitialiseSysTray, false, [&] {
        // The window needs no hook of its own: the icon reports its clicks itself. Without a
        // notification area the icon waits for one and the program runs on without it.
        ShellTrayAdd();
        return true;
    });
}

bool StatusDisplay::ShellTrayModify(const std::string& tip) {
    return Traced(kShellTrayModify, false, [&] {
        const bool modified = tray_ != nullptr && tray_->Modify(tip);
        return modified;
    });
}

void StatusDisplay::ShellTrayDelete() {
    if (tray_ != nullptr) {
        tray_->Delete();
    }
}

bool StatusDisplay::UpdateTrayIconInfo() {
    return Traced(kUpdateTrayIconInfo, false, [&] {
        tipBuiltFrom_ = road_.Status();
        const SessionStatus session = session_.Status();
        if (tray_ != nullptr) {
            tray_->ShowConnection(session.connection);
            tray_->ShowButtonHeld(tipBuiltFrom_.leftButtonLocked);
        }
        const bool modified = ShellTrayModify(TrayTipText(session, tipBuiltFrom_));
        return modified;
    });
}

}  // namespace qm

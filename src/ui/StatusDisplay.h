#pragma once

#include <QObject>
#include <string>

#include "road/Road.h"

class QLineEdit;
class QPlainTextEdit;
class QTimer;

namespace qm {

class SessionControl;
struct SessionStatus;
class TrayIcon;

// The tray tip for a state: "Quillmotion Enabled", CR LF, the connection, then what the device
// holds (the left button, the speed level, the sticky modifiers), one line each.
std::string TrayTipText(const SessionStatus& session, const RoadStatus& road);

// Shows the program's state: the received-characters list and the count in the window's boxes,
// and the tray icon with its tip (modSysTray's record and calls).
//
// The road says that something changed, inside a character's own work: the state is shown a
// moment later, once, with whatever changed meanwhile, and only in the boxes on screen (a
// hidden box takes it when it is shown). The tip is rebuilt then too, except after a Reset of
// the count alone, which it shows with the next character or the next rebuild from elsewhere.
class StatusDisplay : public QObject {
    Q_OBJECT
public:
    // The road, the session and the tray (which may be null) must outlive the object.
    StatusDisplay(Road& road, const SessionControl& session, TrayIcon* tray, QObject* parent = nullptr);
    ~StatusDisplay() override;
    StatusDisplay(const StatusDisplay&) = delete;
    StatusDisplay& operator=(const StatusDisplay&) = delete;

    // The boxes that show the list (one "065 A" entry per line, newest first) and the count.
    void ShowIn(QPlainTextEdit* list, QLineEdit* count);

    bool InitialiseSysTray();
    bool ShellTrayAdd();
    bool ShellTrayModify(const std::string& tip);
    void ShellTrayDelete();
    // Rebuilds the tip from the state now.
    bool UpdateTrayIconInfo();
    // The program ends: nothing more is shown. A tip rebuilt later would touch an icon that is
    // gone and follow the unload in the log, which must end with it.
    void Stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowLater();
    void Show();

    Road& road_;
    const SessionControl& session_;
    TrayIcon* tray_;
    QPlainTextEdit* list_ = nullptr;
    QLineEdit* count_ = nullptr;
    QTimer* timer_ = nullptr;
    // What the boxes show, and the state the tip was last built from.
    ReceivedCodes listShown_;
    std::int32_t countShown_ = 0;
    RoadStatus tipBuiltFrom_;
    bool stopped_ = false;
};

}  // namespace qm

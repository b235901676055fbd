#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "desktop/MovementEngine.h"
#include "input/CharacterDispatcher.h"

namespace qm {

class AsciiSequenceDecoder;
class ClickEmulation;
class clsOSInfo;
class EventPump;
class Desktop;
class KeystrokeInjection;
class OsVersionSource;
class SerialControl;
class SettingsRecord;
class Timer;

// The road of a character from the serial line to the desktop: the sequence decoder, the
// dispatcher, the movement engine, the clicks and the keystrokes over the serial control and the
// desktop's input. The program builds it once and keeps it until its event loop has returned, so
// nothing on the road is ever destroyed while one of its calls is still on the stack, whatever a
// nested pending-events call ran (a dialog, an exit).
//
// The Properties window only looks at it: it shows what the road reports (through the view), and
// lends it the working copy's delay and bounce angle, which act before Apply.
class Road {
public:
    struct Parts {
        const SettingsRecord* settings = nullptr;  // the applied settings
        SerialControl* mscSerial = nullptr;
        Desktop* injector = nullptr;
        Timer* tmrMouseMovement = nullptr;
        EventPump* pump = nullptr;
        OsVersionSource* osVersion = nullptr;  // nullptr: the running system
        // Paces the attempts to open a vanished device's port again; nullptr: no attempts.
        Timer* tmrReconnect = nullptr;
    };

    // Every part must outlive the road.
    explicit Road(Parts parts);
    ~Road();
    Road(const Road&) = delete;
    Road& operator=(const Road&) = delete;

    // Start-up's step that creates the OS information, and with it the parts of the road that
    // ask it which input path to take. Later calls keep what is there: the road is never rebuilt
    // under a call that may still be running.
    void CreateOSInfo();

    // Where the results show; an empty view shows nothing.
    void SetView(DispatcherView view) { view_ = std::move(view); }
    // The working delay and bounce angle; without a source the movement reads zeros.
    void SetWorkingValues(MovementEngine::WorkingValuesSource source) { working_ = std::move(source); }

    const std::string& ReceivedBuffer() const;
    std::int32_t BytesReceived() const;
    void ClearReceivedBuffer();
    bool ResetBytesReceived();

    // The port has closed (Disconnect, the device gone, or the program ending): the movement
    // stops, and input read but not yet worked through is dropped rather than typed later.
    void PortClosed();
    // The program ends (after PortClosed when a port was open): nothing more is worked through,
    // and every button and key the program holds is let go.
    void Shutdown();

    // The serial control closed the port itself because its device went away: as PortClosed,
    // and then, while ReconnectAutomatically is 1, the same port is opened again about once a
    // second, silently, until it opens, the user disconnects (PortClosed) or reconnecting is
    // turned off.
    void DeviceVanished();
    bool Reconnecting() const { return reconnecting_; }
    // Told when the waiting ends by itself: an attempt has opened the port again, or
    // reconnecting was turned off meanwhile.
    void SetOnWaitEnded(std::function<void()> onWaitEnded) { onWaitEnded_ = std::move(onWaitEnded); }

    // What the tray shows: the left button held by its lock, and the speed level's factor.
    bool LeftButtonLocked() const;
    float SpeedFactor() const;
    // The latched and locked modifiers, "Ctrl: once, Alt: locked"; empty when none is.
    std::string HeldModifiers() const;

    // The parts, for start-up, tests and benchmarks; null before CreateOSInfo.
    CharacterDispatcher* Dispatcher() const { return dispatcher_.get(); }
    MovementEngine* Movement() const { return movement_.get(); }

private:
    void StopReconnecting();
    void TryReconnect();

    Parts parts_;
    bool reconnecting_ = false;
    std::function<void()> onWaitEnded_;
    DispatcherView view_;
    MovementEngine::WorkingValuesSource working_;

    std::unique_ptr<clsOSInfo> osInfo_;
    std::unique_ptr<AsciiSequenceDecoder> decoder_;
    std::unique_ptr<MovementEngine> movement_;
    std::unique_ptr<ClickEmulation> clicks_;
    std::unique_ptr<KeystrokeInjection> keys_;
    std::unique_ptr<CharacterDispatcher> dispatcher_;
};

}  // namespace qm

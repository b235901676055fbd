#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <utility>

#include "desktop/ClickEmulation.h"
#include "desktop/MovementEngine.h"
#include "input/AsciiSequenceDecoder.h"
#include "input/CharacterDispatcher.h"
#include "input/KeystrokeInjection.h"
#include "input/StickyModifiers.h"

namespace qm {

class EventPump;
class Desktop;
class SerialControl;
class SettingsRecord;
class Timer;

// What the road holds that the user is shown: the received-characters list and the count, the
// left button held by its lock, the speed level's factor and the sticky modifiers.
struct RoadStatus {
    ReceivedCodes received;
    std::int32_t bytesReceived = 0;
    // Characters counted since the start: Reset leaves it, so that a change of the count alone
    // can be told from a character.
    std::uint64_t counted = 0;
    bool leftButtonLocked = false;
    float speedFactor = 1.0F;
    std::array<StickyModifiers::State, kModifierCount> modifiers{};
};

// The road of a character from the serial line to the desktop: the sequence decoder, the
// dispatcher, the movement engine, the clicks and the keystrokes over the serial control and the
// desktop's input, all built here at once. The program builds it once and keeps it until its
// event loop has returned, so nothing on the road is ever destroyed while one of its calls is
// still on the stack, whatever a nested pending-events call ran (a dialog, an exit).
//
// The shell only looks at it: it reads Status() when told that something changed, and lends it
// the working copy's delay and bounce angle, which act before Apply.
class Road {
public:
    struct Parts {
        const SettingsRecord* settings = nullptr;  // the applied settings
        SerialControl* mscSerial = nullptr;
        Desktop* desktop = nullptr;
        Timer* tmrMouseMovement = nullptr;
        EventPump* pump = nullptr;
    };

    // Every part must outlive the road.
    explicit Road(Parts parts);
    Road(const Road&) = delete;
    Road& operator=(const Road&) = delete;

    // Told after every change of Status(), inside the road's own call: the shell shows the
    // state later, never from here.
    void SetOnChanged(std::function<void()> changed) { changed_ = std::move(changed); }
    // The working delay and bounce angle; without a source the movement reads zeros.
    void SetWorkingValues(MovementEngine::WorkingValuesSource source) { working_ = std::move(source); }

    RoadStatus Status() const;
    void ClearReceivedBuffer() { dispatcher_.ClearReceivedBuffer(); }
    bool ResetBytesReceived() { return dispatcher_.ResetBytesReceived(); }

    // The port has closed (Disconnect, the device gone, or the program ending): the movement
    // stops, input read but not yet worked through is dropped rather than typed later, a half
    // escape sequence is forgotten, and nothing stays held once the device that would let it go
    // is gone.
    void PortClosed();
    // The program ends (after PortClosed when a port was open): nothing more is worked through,
    // every button and key the program holds is let go, and no code dialog listens any more.
    void Shutdown();

    // The next code from the device goes to taken instead of to its action (see CharacterDispatcher).
    void ListenForNextCode(std::function<void(std::int16_t)> taken) {
        dispatcher_.ListenForNextCode(std::move(taken));
    }
    void StopListening() { dispatcher_.StopListening(); }

    // The parts, for tests and benchmarks.
    CharacterDispatcher& Dispatcher() { return dispatcher_; }
    MovementEngine& Movement() { return movement_; }

private:
    void Changed() const;

    Parts parts_;
    std::function<void()> changed_;
    MovementEngine::WorkingValuesSource working_;

    MovementEngine movement_;
    ClickEmulation clicks_;
    KeystrokeInjection keys_;
    AsciiSequenceDecoder decoder_;
    CharacterDispatcher dispatcher_;
};

}  // namespace qm

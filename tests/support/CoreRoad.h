#pragma once

#include <vector>

#include "road/Road.h"
#include "support/CoreManualTimer.h"
#include "support/CoreScriptedPump.h"
#include "support/CoreScriptedSerial.h"
#include "support/fakes/RecordingDesktop.h"

namespace qm::test {

// The road of a character, built whole as the program builds it, over parts in memory: the
// settings, a scripted serial control (or the one given) and pending-events call, a manual
// movement timer and a desktop in memory.
struct RoadOnFakes {
    explicit RoadOnFakes(SerialControl* control = nullptr) : line(control != nullptr ? control : &serial) {
        road.SetWorkingValues([this] { return working; });
    }

    // The thirteen codes in the matching order: N, S, W, E, NE, NW, SW, SE, Stop, then the left
    // single and double click and the right single and double click.
    void SetCodes(const std::int16_t (&codes)[13]) {
        using R = SettingsRecord;
        void (R::*const moves[9])(std::int16_t) = {&R::N_ASCII,  &R::S_ASCII,  &R::W_ASCII,
                                                   &R::E_ASCII,  &R::NE_ASCII, &R::NW_ASCII,
                                                   &R::SW_ASCII, &R::SE_ASCII, &R::STOP_ASCII};
        void (R::*const clicks[4])(std::int32_t) = {&R::LEFT_SCLICK_ASCII, &R::LEFT_DCLICK_ASCII,
                                                    &R::RIGHT_SCLICK_ASCII, &R::RIGHT_DCLICK_ASCII};
        for (std::size_t i = 0; i < 13; ++i) {
            i < 9 ? (settings.*moves[i])(codes[i]) : (settings.*clicks[i - 9])(codes[i]);
        }
    }

    // The received-characters list, newest first.
    std::vector<std::int16_t> Listed() const {
        const ReceivedCodes received = road.Status().received;
        return {received.begin(), received.end()};
    }

    SettingsRecord settings;
    MovementWorkingValues working;
    RecordingDesktop desktop;
    ManualTimer timer;
    ScriptedPump pump;
    ScriptedSerial serial;
    SerialControl* line;
    Road road{{&settings, line, &desktop, &timer, &pump}};
};

}  // namespace qm::test

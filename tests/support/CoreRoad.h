#pragma once

#include <cstdint>
#include <vector>

#include "road/Road.h"
#include "settings/SettingsRecord.h"
#include "support/CoreManualTimer.h"
#include "support/CoreOsVersions.h"
#include "support/CoreScriptedPump.h"
#include "support/CoreScriptedSerial.h"
#include "support/fakes/RecordingInjector.h"

namespace qm::test {

// The road of a character, built whole as the program builds it, over parts in memory: the
// settings, a scripted serial control (or the one given) and pending-events call, a manual
// movement timer and a desktop in memory, on the newer input path (or, if asked, the older one).
struct RoadOnFakes {
    explicit RoadOnFakes(SerialControl* control = nullptr, bool legacyInputPath = false)
        : os(legacyInputPath ? FixedOsVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0)
                             : FixedOsVersion(VER_PLATFORM_WIN32_NT, 5, 1)),
          line(control != nullptr ? control : &serial) {
        road.SetWorkingValues([this] { return working; });
    }

    // The received-characters list, newest first.
    std::vector<std::int16_t> Listed() const {
        const ReceivedCodes received = road.Status().received;
        std::vector<std::int16_t> codes;
        for (std::size_t i = 0; i < received.Size(); ++i) {
            codes.push_back(received[i]);
        }
        return codes;
    }

    SettingsRecord settings;
    MovementWorkingValues working;
    RecordingInjector injector;
    ManualTimer timer;
    ScriptedPump pump;
    ScriptedSerial serial;
    FixedOsVersion os;
    SerialControl* line;
    Road road{{&settings, line, &injector, &timer, &pump, &os}};
};

}  // namespace qm::test

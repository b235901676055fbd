#pragma once

#include <utility>

#include "road/Road.h"
#include "ui/CodeListening.h"
#include "ui/SessionControl.h"

namespace qm {

// The code dialogs listen on the road, and only while a port is connected: with none, no code
// can come, and the dialog says so rather than wait.
class RoadCodeListening final : public CodeListening {
public:
    // Both must outlive this, which must outlive every dialog given it.
    RoadCodeListening(Road& road, const SessionControl& session) : road_(road), session_(session) {}

    bool Listen(std::function<void(std::int16_t)> taken) override {
        if (session_.Status().connection != SessionStatus::Connection::Connected) {
            return false;
        }
        road_.ListenForNextCode(std::move(taken));
        return true;
    }
    void StopListening() override { road_.StopListening(); }

private:
    Road& road_;
    const SessionControl& session_;
};

}  // namespace qm

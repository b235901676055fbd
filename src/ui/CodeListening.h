#pragma once

#include <cstdint>
#include <functional>

namespace qm {

// How a code dialog takes the next code from the device instead of looking one up: the code is
// handed over once and not acted on (not typed, moved or clicked), and the codes after it act
// again, so the device can go on to confirm the dialog. It is the code the program matches, so in
// ASCII Sequence Mode the decoded value, which may lie above 255.
class CodeListening {
public:
    virtual ~CodeListening() = default;

    // Hands the next code to taken. False, and nothing listened for, while no port is connected.
    // A later Listen replaces this one.
    virtual bool Listen(std::function<void(std::int16_t)> taken) = 0;
    // Ends the listening without a code.
    virtual void StopListening() = 0;
};

}  // namespace qm

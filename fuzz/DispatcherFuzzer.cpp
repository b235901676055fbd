// Byte streams from the serial line along the road, in both modes, with events running
// nested wherever the parts let pending events run. Whatever the bytes and however the events
// interleave, every character handed on is listed and counted exactly once, in the order it
// was read, and the list never holds more than five entries.
//
// Input: a header (mode, the thirteen codes, steps, delay, bounce) and then a script of
// operations shared by the outer loop and the pending-events call, so that the fuzzer decides
// what arrives at the top and what arrives nested.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/CoreRoad.h"

namespace {

using namespace qm;

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void Check(bool condition, const char* what) {
    if (!condition) {
        Broken(what);
    }
}

class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string Bytes(std::size_t count) {
        std::string bytes;
        while (count-- > 0 && at_ < size_) {
            bytes += static_cast<char>(data_[at_++]);
        }
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// What the decoder must pass on, written from its transition table independently of the
// decoder itself.
class ModelDecoder {
public:
    void Feed(std::int16_t c, std::vector<std::int16_t>& out) {
        const bool digit = c >= '0' && c <= '9';
        switch (stage_) {
            case 0:
                if (c == 27) {
                    stage_ = 1;
                    value_ = 0;
                } else {
                    out.push_back(c);
                }
                return;
            case 1:
                if (c == 'A') {
                    stage_ = 2;
                } else if (c == 27) {
                    out.push_back(27);
                } else {
                    out.push_back(c);
                    stage_ = 0;
                }
                return;
            default:
                if (!digit) {
                    out.push_back(c);
                    stage_ = 0;
                    return;
                }
                value_ = value_ * 10 + (c - '0');
                if (stage_ == 4) {
                    out.push_back(static_cast<std::int16_t>(value_));
                    stage_ = 0;
                } else {
                    ++stage_;
                }
                return;
        }
    }

private:
    int stage_ = 0;
    int value_ = 0;
};

// The road as the program builds it; the pending-events call runs the script's next operation.
// Every input read (what arrived since the last receive event, with the mode the dispatcher
// reads along with it) is noted: the reads, in order, are what must come out of the road.
struct Rig : test::RoadOnFakes {
    struct Read {
        std::string text;
        bool sequenceMode;
    };

    explicit Rig(Script& s) : script(s) {
        // Events nest as deep as the parts let them; a few levels find every interleaving.
        pump.OnEachCall = [this] {
            if (depth < 4) {
                ++depth;
                Step();
                --depth;
            }
        };
        road.SetOnChanged([this] { Changed(); });
    }

    // The road changed: a character was counted, or else one was listed.
    void Changed() {
        const RoadStatus now = road.Status();
        if (now.counted != counted) {
            Check(now.counted == counted + 1, "the count grows by one per character");
            Check(now.bytesReceived == static_cast<std::int32_t>(now.counted),
                  "the count shown is the count kept");
            counted = now.counted;
        } else {
            Check(now.received.Size() > 0, "a listed code is in the list");
            listed.push_back(now.received[0]);
        }
    }

    Script& script;
    int depth = 0;
    std::string unread;
    std::vector<Read> reads;
    std::vector<std::int16_t> listed;  // the newest entry of each new list, in order
    std::uint64_t counted = 0;

    // One operation of the script; false at its end.
    bool Step();
};

bool Rig::Step() {
    if (script.Empty()) {
        return false;
    }
    const std::uint8_t op = script.Byte();
    const std::size_t length = op >> 3;
    switch (op & 7) {
        case 0:
        case 1:
        case 2: {
            const std::string bytes = script.Bytes(length);
            serial.Arrive(bytes);
            reads.push_back({unread + bytes, settings.ASCIISequence() != 0});
            unread.clear();
            serial.Raise(comEvReceive);
            break;
        }
        case 3:
            timer.Fire();
            break;
        case 4:
            settings.ASCIISequence(settings.ASCIISequence() != 0 ? 0 : 1);
            break;
        case 5: {
            // Bytes that wait for a later receive event.
            const std::string bytes = script.Bytes(length);
            serial.Arrive(bytes);
            unread += bytes;
            break;
        }
        case 6:
            // Send or a framing error: events other than a receive, which the dispatcher ignores.
            serial.Raise(static_cast<std::int16_t>(length % 2 == 0 ? 1 : 1004));
            break;
        default:
            break;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 18;
    if (size < kHeader) {
        return 0;
    }
    Script script(data, size);
    const std::uint8_t flags = script.Byte();
    Rig rig(script);
    rig.settings.ASCIISequence(flags & 1);
    rig.settings.BouncyMouse(static_cast<std::int16_t>((flags >> 1) & 1));
    rig.working.BouncyMouseAngle = static_cast<std::int16_t>((flags & 4) != 0 ? 90 : 45);
    // The Properties window keeps codes to 0..255 and steps and delays to small numbers.
    std::int16_t codes[13];
    for (std::int16_t& code : codes) {
        code = script.Byte();
    }
    rig.SetCodes(codes);
    rig.settings.MovementIncrementX(static_cast<float>(script.Byte()) / 4.0f);
    rig.settings.MovementIncrementY(static_cast<float>(script.Byte()) / 4.0f);
    rig.working.MovementDelay = static_cast<float>(script.Byte()) / 2.0f;
    rig.desktop.SetKeepEvents(false);
    rig.desktop.SetPointerPosition({512, 384});

    while (rig.Step()) {
    }

    // What the reads must have produced, in the order they were read.
    ModelDecoder model;
    std::vector<std::int16_t> expected;
    for (const Rig::Read& read : rig.reads) {
        for (const char c : read.text) {
            const auto code = static_cast<std::int16_t>(static_cast<unsigned char>(c));
            if (code == 0 || code == 255) {
                continue;
            }
            if (read.sequenceMode) {
                model.Feed(code, expected);
            } else {
                expected.push_back(code);
            }
        }
    }
    Check(rig.listed == expected, "every character handed on is listed once, in order");
    Check(rig.counted == expected.size(), "every listed character is counted once");

    const std::vector<std::int16_t> shown = rig.Listed();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        Check(shown[i] == expected[expected.size() - 1 - i], "the list shows the newest codes, newest first");
    }
    Check(shown.size() == std::min<std::size_t>(expected.size(), 5), "the list keeps the five newest");
    return 0;
}

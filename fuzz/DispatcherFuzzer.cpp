// Byte streams from the serial line through the dispatcher, in both modes, with events running
// nested wherever the parts let pending events run. Whatever the bytes and however the events
// interleave, every character handed on is listed and counted exactly once, in the order it
// was read, and the list never holds more than five entries.
//
// Input: a header (mode, the thirteen codes, steps, delay, bounce) and then a script of
// operations shared by the outer loop and the pending-events call, so that the fuzzer decides
// what arrives at the top and what arrives nested.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "desktop/ClickEmulation.h"
#include "desktop/MovementEngine.h"
#include "input/AsciiSequenceDecoder.h"
#include "input/CharacterDispatcher.h"
#include "input/KeystrokeInjection.h"
#include "loop/EventPump.h"
#include "ports/SerialControl.h"
#include "settings/SettingsRecord.h"
#include "support/CoreManualTimer.h"
#include "support/fakes/RecordingDesktop.h"

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

// The serial control, noting every read of its input together with the mode the dispatcher
// reads right after it: the reads, in order, are what must come out of the dispatcher.
class FuzzSerial : public SerialControl {
public:
    struct Read {
        std::string text;
        bool sequenceMode;
    };

    explicit FuzzSerial(const SettingsRecord& settings) : settings_(settings) {}

    void SetCommPort(std::int16_t port) override { port_ = port; }
    std::int16_t CommPort() const override { return port_; }
    void SetSettings(const std::string& settings) override { line_ = settings; }
    std::string Settings() const override { return line_; }
    void SetHandshaking(std::int32_t handshaking) override { handshaking_ = handshaking; }
    std::int32_t Handshaking() const override { return handshaking_; }
    void SetPortOpen(bool open) override { open_ = open; }
    bool PortOpen() const override { return open_; }
    std::int16_t CommEvent() const override { return event_; }
    std::string Input() override {
        std::string text;
        text.swap(buffer_);
        reads.push_back({text, settings_.ASCIISequence() != 0});
        return text;
    }
    void SetOnComm(std::function<void()> onComm) override { onComm_ = std::move(onComm); }

    void Arrive(const std::string& bytes) { buffer_ += bytes; }
    void Raise(std::int16_t event) {
        event_ = event;
        if (onComm_) {
            onComm_();
        }
    }

    std::vector<Read> reads;

private:
    const SettingsRecord& settings_;
    std::int16_t port_ = 1;
    std::string line_ = "9600,n,8,1";
    std::int32_t handshaking_ = comNone;
    bool open_ = true;
    std::int16_t event_ = 0;
    std::string buffer_;
    std::function<void()> onComm_;
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

class FuzzPump;

struct Rig {
    explicit Rig(Script& s) : script(s) {}

    Script& script;
    SettingsRecord settings;
    MovementWorkingValues working;
    RecordingDesktop injector;
    test::ManualTimer timer;
    FuzzSerial serial{settings};
    FuzzPump* pump = nullptr;
    int depth = 0;

    std::vector<std::int16_t> listed;  // the top entry of each new list, in order
    std::int32_t counted = 0;

    // One operation of the script; false at its end.
    bool Step();
};

class FuzzPump : public EventPump {
public:
    explicit FuzzPump(Rig& rig) : rig_(rig) {}
    void DoEvents() override {
        // Events nest as deep as the parts let them; a few levels find every interleaving.
        if (rig_.depth >= 4) {
            return;
        }
        ++rig_.depth;
        rig_.Step();
        --rig_.depth;
    }

private:
    Rig& rig_;
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
        case 2:
            serial.Arrive(script.Bytes(length));
            serial.Raise(comEvReceive);
            break;
        case 3:
            timer.Fire();
            break;
        case 4:
            settings.ASCIISequence(settings.ASCIISequence() != 0 ? 0 : 1);
            break;
        case 5:
            // Bytes that wait for a later receive event.
            serial.Arrive(script.Bytes(length));
            break;
        case 6:
            // Send or a framing error: events other than a receive, which the dispatcher ignores.
            serial.Raise(static_cast<std::int16_t>(length % 2 == 0 ? 1 : 1004));
            break;
        default:
            break;
    }
    return true;
}

// "065\r\n" entries, newest first: the codes of the list, or a broken invariant.
std::vector<std::int16_t> ListEntries(const std::string& list) {
    std::vector<std::int16_t> codes;
    Check(list.size() % 5 == 0, "the list is whole entries");
    for (std::size_t at = 0; at < list.size(); at += 5) {
        int code = 0;
        for (std::size_t i = at; i < at + 3; ++i) {
            Check(list[i] >= '0' && list[i] <= '9', "an entry is three digits");
            code = code * 10 + (list[i] - '0');
        }
        Check(list[at + 3] == '\r' && list[at + 4] == '\n', "an entry ends in CR LF");
        codes.push_back(static_cast<std::int16_t>(code));
    }
    Check(codes.size() <= 5, "the list holds at most five entries");
    return codes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 18;
    if (size < kHeader) {
        return 0;
    }
    Script script(data, size);
    Rig rig(script);

    const std::uint8_t flags = script.Byte();
    rig.settings.ASCIISequence(flags & 1);
    rig.settings.BouncyMouse(static_cast<std::int16_t>((flags >> 1) & 1));
    rig.working.BouncyMouseAngle = static_cast<std::int16_t>((flags & 4) != 0 ? 90 : 45);
    // The Properties window keeps codes to 0..255 and steps and delays to small numbers.
    std::int16_t codes[13];
    for (std::int16_t& code : codes) {
        code = script.Byte();
    }
    rig.settings.N_ASCII(codes[0]);
    rig.settings.S_ASCII(codes[1]);
    rig.settings.W_ASCII(codes[2]);
    rig.settings.E_ASCII(codes[3]);
    rig.settings.NE_ASCII(codes[4]);
    rig.settings.NW_ASCII(codes[5]);
    rig.settings.SW_ASCII(codes[6]);
    rig.settings.SE_ASCII(codes[7]);
    rig.settings.STOP_ASCII(codes[8]);
    rig.settings.LEFT_SCLICK_ASCII(codes[9]);
    rig.settings.LEFT_DCLICK_ASCII(codes[10]);
    rig.settings.RIGHT_SCLICK_ASCII(codes[11]);
    rig.settings.RIGHT_DCLICK_ASCII(codes[12]);
    rig.settings.MovementIncrementX(static_cast<float>(script.Byte()) / 4.0f);
    rig.settings.MovementIncrementY(static_cast<float>(script.Byte()) / 4.0f);
    rig.working.MovementDelay = static_cast<float>(script.Byte()) / 2.0f;
    rig.injector.SetKeepEvents(false);
    rig.injector.SetPointerPosition({512, 384});

    FuzzPump pump(rig);
    rig.pump = &pump;
    MovementEngine movement(rig.injector, rig.timer, pump, rig.settings, [&rig] { return rig.working; });
    ClickEmulation clicks(rig.injector, pump);
    KeystrokeInjection keys(rig.injector);
    CharacterDispatcher* dispatcherAt = nullptr;
    AsciiSequenceDecoder decoder(
        [&dispatcherAt](std::int16_t code) { return dispatcherAt->ProcessCharacter(code); });
    DispatcherView view;
    view.SetReceivedBufferText = [&rig](const std::string& list) {
        const std::vector<std::int16_t> entries = ListEntries(list);
        Check(!entries.empty(), "a listed code is in the list");
        rig.listed.push_back(entries.front());
    };
    view.SetBytesReceivedText = [&rig](const std::string& text) {
        Check(text == std::to_string(rig.counted + 1), "the count grows by one per character");
        ++rig.counted;
    };
    CharacterDispatcher dispatcher(rig.settings, rig.serial, pump, decoder, movement, clicks, keys, view);
    dispatcherAt = &dispatcher;

    while (rig.Step()) {
    }

    // What the reads must have produced, in the order they were read.
    ModelDecoder model;
    std::vector<std::int16_t> expected;
    for (const FuzzSerial::Read& read : rig.serial.reads) {
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
    Check(rig.counted == static_cast<std::int32_t>(expected.size()),
          "every listed character is counted once");
    Check(dispatcher.BytesReceived() == rig.counted, "the count shown is the count kept");

    const std::vector<std::int16_t> shown = ListEntries(dispatcher.ReceivedBuffer());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        Check(shown[i] == expected[expected.size() - 1 - i], "the list shows the newest codes, newest first");
    }
    Check(shown.size() == std::min<std::size_t>(expected.size(), 5), "the list keeps the five newest");
    return 0;
}

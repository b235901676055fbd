#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/InputInjector.h"
#include "input/VirtualKeys.h"

namespace qm {

// The record that presses or lets go of virtual key vk by the key byte the injector gave for it,
// marked extended where Windows marks the key so.
InputRecord VirtualKeyRecord(std::uint16_t key, std::uint8_t vk, bool press);

// Shift, Ctrl, Alt and the logo key as an on-screen keyboard has them: each press moves a
// modifier on from off to latched (for the next key only) to locked (until pressed again) and
// back to off. A latched modifier is not sent until the next key, which it goes around; a
// locked one is held down on the desktop from the moment it locks until it is let go.
class StickyModifiers {
public:
    enum class State : std::uint8_t { Off, Latched, Locked };

    // The injector (which names the keys) must outlive the object. Nothing is sent here: the
    // records are the caller's to send, on its input path.
    explicit StickyModifiers(InputInjector& injector);

    // The device pressed the modifier's key vk (the key held when it latches or locks); the
    // records press it down as it locks and let it go as it turns off.
    void Press(Modifier modifier, std::uint8_t vk, std::vector<InputRecord>& records);
    // The records that go before and after the next key: the latched modifiers pressed and
    // released around it. The latches are used up.
    void Around(std::vector<InputRecord>& before, std::vector<InputRecord>& after);
    // Lets go of every locked modifier and forgets the latched ones.
    void ReleaseAll(std::vector<InputRecord>& records);

    State StateOf(Modifier modifier) const { return states_[Index(modifier)]; }
    bool AnyLatched() const {
        return std::find(states_.begin(), states_.end(), State::Latched) != states_.end();
    }
    // "Ctrl: once, Alt: locked"; empty when every modifier is off.
    std::string Describe() const;

private:
    static std::size_t Index(Modifier modifier) { return static_cast<std::size_t>(modifier); }
    // The record for the modifier's key; nothing when the keyboard has no such key.
    bool Record(std::size_t index, bool press, std::vector<InputRecord>& records);

    InputInjector& injector_;
    std::array<State, kModifierCount> states_{};
    std::array<std::uint8_t, kModifierCount> keys_{};
};

}  // namespace qm

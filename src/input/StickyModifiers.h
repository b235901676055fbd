#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "desktop/Desktop.h"
#include "input/VirtualKeys.h"

namespace qm {

// Shift, Ctrl, Alt and the logo key as an on-screen keyboard has them: each press moves a
// modifier on from off to latched (for the next key only) to locked (until pressed again) and
// back to off. A latched modifier is not sent until the next key, which it goes around; a
// locked one is held down on the desktop from the moment it locks until it is let go.
class StickyModifiers {
public:
    enum class State : std::uint8_t { Off, Latched, Locked };

    // The desktop must outlive the object.
    explicit StickyModifiers(Desktop& desktop) : desktop_(desktop) {}

    // The device pressed the modifier's key (the key held when it latches or locks): pressed
    // down on the desktop as it locks and let go as it turns off.
    void Press(Modifier modifier, Key key);
    // Sends the next key with the latched modifiers pressed around it, let go in the reverse
    // order. The latches are used up.
    template <typename SendKey>
    void Around(SendKey&& sendKey) {
        std::array<std::size_t, kModifierCount> pressed{};
        std::size_t count = 0;
        for (std::size_t index = 0; index < kModifierCount; ++index) {
            if (states_[index] == State::Latched) {
                states_[index] = State::Off;
                if (Send(index, true)) {
                    pressed[count++] = index;
                }
            }
        }
        sendKey();
        while (count > 0) {
            Send(pressed[--count], false);
        }
    }
    // Lets go of every locked modifier and forgets the latched ones.
    void ReleaseAll();

    State StateOf(Modifier modifier) const { return states_[Index(modifier)]; }
    // "Ctrl: once, Alt: locked"; empty when every modifier is off.
    std::string Describe() const;

private:
    static std::size_t Index(Modifier modifier) { return static_cast<std::size_t>(modifier); }
    // Presses or lets go of the modifier's key; false when the keyboard has no such key.
    bool Send(std::size_t index, bool press);

    Desktop& desktop_;
    std::array<State, kModifierCount> states_{};
    std::array<Key, kModifierCount> keys_{};
};

}  // namespace qm

#include "input/StickyModifiers.h"

#include <cstddef>

namespace qm {

bool StickyModifiers::Send(std::size_t index, bool press) {
    const Key key = keys_[index];
    if (!desktop_.HasKey(key)) {
        return false;
    }
    press ? desktop_.Press(key) : desktop_.Release(key);
    return true;
}

void StickyModifiers::Press(Modifier modifier, Key key) {
    const std::size_t index = Index(modifier);
    State& state = states_[index];
    switch (state) {
        case State::Off:
            keys_[index] = key;
            state = State::Latched;
            break;
        case State::Latched:
            // The key that latched is the one held: Right Ctrl stays Right Ctrl.
            state = State::Locked;
            Send(index, true);
            break;
        case State::Locked:
            state = State::Off;
            Send(index, false);
            break;
    }
}

void StickyModifiers::ReleaseAll() {
    for (std::size_t index = 0; index < kModifierCount; ++index) {
        if (states_[index] == State::Locked) {
            Send(index, false);
        }
        states_[index] = State::Off;
    }
}

std::string StickyModifiers::Describe() const {
    std::string text;
    for (std::size_t index = 0; index < kModifierCount; ++index) {
        if (states_[index] == State::Off) {
            continue;
        }
        if (!text.empty()) {
            text += ", ";
        }
        text += ModifierName(static_cast<Modifier>(index));
        text += states_[index] == State::Latched ? ": once" : ": locked";
    }
    return text;
}

}  // namespace qm

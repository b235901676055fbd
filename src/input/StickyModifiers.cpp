#include "input/StickyModifiers.h"

#include <algorithm>
#include <cstddef>

namespace qm {

InputRecord VirtualKeyRecord(std::uint16_t key, std::uint8_t vk, bool press) {
    const VirtualKey* entry = FindVirtualKey(vk);
    const std::uint32_t flags = entry != nullptr && entry->extended ? KEYEVENTF_EXTENDEDKEY : 0;
    return InputRecord::Key(key, press ? flags : flags | KEYEVENTF_KEYUP);
}

StickyModifiers::StickyModifiers(InputInjector& injector) : injector_(injector) {}

bool StickyModifiers::Record(std::size_t index, bool press, std::vector<InputRecord>& records) {
    const std::uint8_t vk = keys_[index];
    const std::uint16_t key = injector_.KeyForVirtualKey(vk);
    if (key == 0) {
        return false;
    }
    records.push_back(VirtualKeyRecord(key, vk, press));
    return true;
}

void StickyModifiers::Press(Modifier modifier, std::uint8_t vk, std::vector<InputRecord>& records) {
    const std::size_t index = Index(modifier);
    State& state = states_[index];
    switch (state) {
        case State::Off:
            keys_[index] = vk;
            state = State::Latched;
            break;
        case State::Latched:
            // The key that latched is the one held: Right Ctrl stays Right Ctrl.
            state = State::Locked;
            Record(index, true, records);
            break;
        case State::Locked:
            state = State::Off;
            Record(index, false, records);
            break;
    }
}

void StickyModifiers::Around(std::vector<InputRecord>& before, std::vector<InputRecord>& after) {
    const auto firstRelease = static_cast<std::ptrdiff_t>(after.size());
    for (std::size_t index = 0; index < kModifierCount; ++index) {
        if (states_[index] == State::Latched) {
            states_[index] = State::Off;
            Record(index, true, before);
            Record(index, false, after);
        }
    }
    // Let go in the reverse order of pressing.
    std::reverse(after.begin() + firstRelease, after.end());
}

void StickyModifiers::ReleaseAll(std::vector<InputRecord>& records) {
    for (std::size_t index = 0; index < kModifierCount; ++index) {
        if (states_[index] == State::Locked) {
            Record(index, false, records);
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

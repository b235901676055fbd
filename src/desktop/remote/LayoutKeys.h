#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/keysyms/AnsiKeysym.h"

struct xkb_context;
struct xkb_keymap;

namespace qm {

// A key of the layout and the shifts that make it give the keysym asked for.
struct LayoutKey {
    std::uint32_t evdev = 0;  // the kernel's key number, which the remote-desktop calls take
    bool shift = false;
    bool levelThree = false;
};

// The compositor's keyboard layout, read with libxkbcommon: which key gives a keysym. GNOME's
// remote desktop takes keysyms too, but looks them up in its own layout and silently drops
// those it lacks, and it presses Shift around a character even when one is already held; so
// keys are found here and sent by their numbers. The first group is the one searched.
class LayoutKeys {
public:
    // An XKB keymap in text form; empty for libxkbcommon's default layout (what mutter uses
    // when no shell sets one). Throws std::runtime_error when the text does not compile.
    explicit LayoutKeys(const std::string& keymapText = {});
    ~LayoutKeys();
    LayoutKeys(const LayoutKeys&) = delete;
    LayoutKeys& operator=(const LayoutKeys&) = delete;

    // The first of the keysyms some key gives, with no modifier but Shift and the level-three
    // shift, at the lowest level.
    std::optional<LayoutKey> Find(const std::vector<Keysym>& keysyms) const;
    // The key of Shift and of the level-three shift (0 when the layout has none).
    std::uint32_t ShiftKey() const { return shiftKey_; }
    std::uint32_t LevelThreeKey() const { return levelThreeKey_; }

private:
    std::optional<LayoutKey> FindOne(Keysym keysym) const;

    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    std::uint32_t shiftMask_ = 0;
    std::uint32_t levelThreeMask_ = 0;
    std::uint32_t shiftKey_ = 0;
    std::uint32_t levelThreeKey_ = 0;
};

}  // namespace qm

#include "desktop/uinput/XkbLayout.h"

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <unordered_map>

#include "desktop/keysyms/AnsiKeysym.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"

namespace qm::uinput {
namespace {

// XKB numbers a key as the kernel does, plus 8 (X keeps 0-7 for itself).
constexpr xkb_keycode_t kXkbOffset = 8;
// The keycodes X and the layouts name; the kernel's codes up to 247.
constexpr xkb_keycode_t kLastKeycode = 255;

using Context = std::unique_ptr<xkb_context, decltype(&xkb_context_unref)>;
using Keymap = std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)>;
using State = std::unique_ptr<xkb_state, decltype(&xkb_state_unref)>;

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The shell assignments of /etc/default/keyboard: XKBLAYOUT="de" and the like.
XkbNames FromKeyboardFile(const std::string& path) {
    XkbNames names;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string name = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        std::erase_if(value, [](char c) { return c == '"' || c == '\'' || c == ' ' || c == '\r'; });
        if (name == "XKBLAYOUT") {
            names.layout = value;
        } else if (name == "XKBVARIANT") {
            names.variant = value;
        } else if (name == "XKBOPTIONS") {
            names.options = value;
        }
    }
    return names;
}

Keymap Compile(xkb_context* context, const XkbNames& names) {
    // Rules and model are XKB's own defaults (evdev, pc105), as every compositor's.
    const xkb_rule_names rules{nullptr, nullptr, names.layout.c_str(), names.variant.c_str(),
                               names.options.c_str()};
    return Keymap(xkb_keymap_new_from_names(context, &rules, XKB_KEYMAP_COMPILE_NO_FLAGS), xkb_keymap_unref);
}

// The one keysym a key types in a state, 0 for none or several.
xkb_keysym_t OneKeysym(xkb_state* state, xkb_keycode_t keycode) {
    const xkb_keysym_t* keysyms = nullptr;
    return xkb_state_key_get_syms(state, keycode, &keysyms) == 1 ? keysyms[0] : XKB_KEY_NoSymbol;
}

}  // namespace

XkbNames SessionXkbNames(const XkbNames& given, const std::string& keyboardFile) {
    if (!given.layout.empty()) {
        return given;
    }
    if (const std::string layout = Variable("XKB_DEFAULT_LAYOUT"); !layout.empty()) {
        return {layout, Variable("XKB_DEFAULT_VARIANT"), Variable("XKB_DEFAULT_OPTIONS")};
    }
    if (XkbNames names = FromKeyboardFile(keyboardFile); !names.layout.empty()) {
        return names;
    }
    return {"us", "", ""};
}

XkbLayout::XkbLayout(const XkbNames& names) {
    // The names are chosen here, not by XKB from the environment.
    const Context context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES), xkb_context_unref);
    if (context) {
        // A layout it cannot read is traced here, not told on the standard error.
        xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
    }
    Keymap keymap = context ? Compile(context.get(), names) : Keymap(nullptr, xkb_keymap_unref);
    if (context && !keymap) {
        Trace("UinputDesktop.Layout", TraceError,
              "XKB cannot read the layout \"" + names.layout + "\" (variant \"" + names.variant +
                  "\"): typing with \"us\"");
        keymap = Compile(context.get(), {"us", "", ""});
    }
    if (!keymap) {
        throw RaisedError(err::InvalidProcedureCall, "UinputDesktop",
                          "the XKB keyboard layouts cannot be read: install xkb-data");
    }
    // What each key types with each combination of the modifiers, by pressing them on a state
    // of the keymap's own, so that the layout's key types decide as the compositor's will.
    const State plain(xkb_state_new(keymap.get()), xkb_state_unref);
    const bool altGr = OneKeysym(plain.get(), KEY_RIGHTALT + kXkbOffset) == XKB_KEY_ISO_Level3_Shift;
    std::unordered_map<xkb_keysym_t, CharacterKey> keys;
    for (int modifiers = 0; modifiers < (altGr ? 4 : 2); ++modifiers) {
        const State state(xkb_state_new(keymap.get()), xkb_state_unref);
        const bool shift = (modifiers & 1) != 0;
        const bool levelThree = (modifiers & 2) != 0;
        if (shift) {
            xkb_state_update_key(state.get(), KEY_LEFTSHIFT + kXkbOffset, XKB_KEY_DOWN);
        }
        if (levelThree) {
            xkb_state_update_key(state.get(), KEY_RIGHTALT + kXkbOffset, XKB_KEY_DOWN);
        }
        for (xkb_keycode_t keycode = kXkbOffset; keycode <= kLastKeycode; ++keycode) {
            const auto code = static_cast<std::uint16_t>(keycode - kXkbOffset);
            const xkb_keysym_t keysym = OneKeysym(state.get(), keycode);
            if (modifiers == 0) {
                const xkb_keysym_t* any = nullptr;
                withSymbol_[code] = xkb_state_key_get_syms(state.get(), keycode, &any) > 0;
            }
            // The first key found keeps it: the fewest modifiers, then the lowest code.
            if (keysym != XKB_KEY_NoSymbol && code != 0) {
                keys.try_emplace(keysym, CharacterKey{code, shift, levelThree});
            }
        }
    }
    const auto rank = [](const CharacterKey& key) { return (key.levelThree ? 2 : 0) + (key.shift ? 1 : 0); };
    for (unsigned character = 0; character < characters_.size(); ++character) {
        for (const Keysym keysym : KeysymsForAnsi(static_cast<unsigned char>(character))) {
            const auto found = keys.find(keysym);
            std::optional<CharacterKey>& best = characters_[character];
            if (found != keys.end() && (!best || rank(found->second) < rank(*best))) {
                best = found->second;
            }
        }
    }
}

}  // namespace qm::uinput

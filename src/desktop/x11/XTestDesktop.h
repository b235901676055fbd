#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "desktop/keysyms/AnsiKeysym.h"

namespace qm::x11 {
class XDisplay;
class SpareKeycodes;
class HeldInputLedger;
class LastDitchRelease;
class KeyboardLayout;
struct KeyChoice;
struct ScreenArea;
}  // namespace qm::x11

namespace qm {

// Desktop input on an X display through the XTest extension.
//
// Keys are pressed by the layout's keycode for their keysym, and characters by the layout's key
// with Shift and the level-three shift (AltGr) where it needs them; a character the layout types
// only otherwise (Ctrl, Alt, a dead key) has no key here. Characters with no key are typed on a
// borrowed spare keycode, two to a keycode (the second with Shift), and so are keys whose keysym
// the layout lacks (F13-F24, media keys), one to a keycode, so that keys with no character still
// arrive. Shift and AltGr are the same keys for a character
// as for Key::Shift and Key::RightAlt, so a locked Shift and a character's Shift are one key.
//
// The layout is read again after the server announces a change, and the group is kept from the
// server's notices, so a switch of layout while the program runs is followed without asking
// the server anything on the way from a character to its key; the answers found for the layout
// and group in force are kept until either changes. Keys and buttons still held are let go when
// the object goes; what a copy that was killed held is let go at the next start (HeldInputLedger).
//
// Requests go to the server at once, except inside a batch.
//
// The screen is the primary monitor, as on Windows, and positions count from its top-left
// corner; both are read again after RandR announces a change of the screen or its monitors.
class XTestDesktop : public Desktop {
public:
    // An empty name opens the display named by DISPLAY. Throws RaisedError when there is no
    // display or it lacks the XTest extension.
    explicit XTestDesktop(const std::string& displayName = {});
    ~XTestDesktop() override;
    XTestDesktop(const XTestDesktop&) = delete;
    XTestDesktop& operator=(const XTestDesktop&) = delete;

    void MoveBy(std::int32_t dx, std::int32_t dy) override;
    void MoveTo(Point position) override;
    void Press(Button button) override;
    void Release(Button button) override;
    void Turn(Wheel wheel) override;
    bool HasKey(Key key) override;
    void Press(Key key) override;
    void Release(Key key) override;
    Typing HowToType(char character) override;
    void Type(char character) override;
    Point PointerPosition() override;
    Size ScreenSize() override;
    void ReleaseAll() override;
    void ReleaseAllAtOnce() noexcept override;
    void BeginBatch() override;
    void EndBatch() override;
    void Flush() override;

private:
    // Before requests: one may fill Xlib's buffer and so write, and read, before the flush.
    void Requesting() { taken_ = false; }
    // After them: sent at once outside a batch.
    void Requested();
    void FakeKey(unsigned keycode, bool press);
    void FakeButton(unsigned button, bool press);
    void SendKey(Key key, bool press);
    // Types the character on a borrowed keycode, with Shift for its Shift level.
    void TypeOnLentKey(char32_t character);
    // The keycode of a key, 0 if none; found once per layout and group.
    unsigned KeycodeFor(Key key);
    unsigned LookUpKeycode(Key key);
    // A character's key and the modifiers it needs.
    struct CharacterKey {
        unsigned keycode = 0;
        bool shift = false;
        bool levelThree = false;
    };
    // The layout's key for a character; found once per layout and group.
    const std::optional<CharacterKey>& KeyForCharacter(unsigned char character);
    const x11::KeyboardLayout& Layout();
    // The layout's key for Shift or for the level-three shift (AltGr), 0 if none.
    unsigned ModifierKeycode(bool levelThree);
    void ForgetAnswers();
    // The current layout's key for one of the keysyms, among the keys not lent out.
    std::optional<x11::KeyChoice> FindLayoutKey(const std::vector<Keysym>& keysyms);
    void Send();
    const x11::ScreenArea& Primary();
    // Reads what the server has announced so far, without waiting, and applies it.
    void TakeNotices();
    // True when it handled any: handling may itself have talked to the server.
    bool DrainEvents();

    std::unique_ptr<x11::XDisplay> display_;
    std::unique_ptr<x11::SpareKeycodes> spareKeycodes_;
    std::unique_ptr<x11::HeldInputLedger> heldLedger_;
    std::unique_ptr<x11::LastDitchRelease> lastDitch_;
    std::unique_ptr<x11::KeyboardLayout> layout_;  // null until needed and after a change
    std::unique_ptr<x11::ScreenArea> primary_;     // the same
    int group_ = 0;                                // the keyboard's group, as its last notice said
    int xkbOpcode_ = -1;
    int xkbEventBase_ = -1;
    int randrEventBase_ = -1;  // -1 without RandR 1.5, which describes monitors
    // The characters' keys, the keys' keycodes and the modifier keys for the layout and group
    // in force, found as they are first asked for.
    std::array<std::optional<CharacterKey>, 256> characters_{};
    std::bitset<256> charactersAnswered_;
    std::array<unsigned, kKeyCount> keycodes_{};
    std::bitset<kKeyCount> keycodesAnswered_;
    std::optional<unsigned> shiftKeycode_;
    std::optional<unsigned> levelThreeKeycode_;
    int shiftsHeld_ = 0;   // Shift keys pressed through Press(Key) and not let go
    int batches_ = 0;      // batches begun and not yet ended
    bool unsent_ = false;  // requests wait in the connection's buffer
    // Everything read from the connection so far has been through DrainEvents: no call since
    // the last flush or reading of notices can have read more without handing it to Xlib.
    bool taken_ = false;
    // By keycode and by button number (X has no higher ones): marked without allocating.
    std::bitset<256> heldKeys_;
    std::bitset<256> heldButtons_;
};

}  // namespace qm

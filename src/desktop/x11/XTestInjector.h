#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "desktop/InputInjector.h"
#include "desktop/x11/AnsiKeysym.h"

namespace qm::x11 {
class XDisplay;
class SpareKeycodes;
class KeyboardLayout;
struct KeyChoice;
struct ScreenArea;
}  // namespace qm::x11

namespace qm {

// Desktop input on an X display through the XTest extension.
//
// The key byte of VkKeyScanA and of keyboard records is the X keycode (8-254), with these
// exceptions because the records' numbers already mean something: VK_SHIFT (16) is the Shift
// key and VK_RMENU (165) the layout's level-three shift (AltGr), so keycodes 16 and 165
// themselves travel as kKeycode16 and kKeycode165; and 255 is the key byte of the "no key"
// answer (-1), which must press nothing, so keycode 255 is not used. The answer offers Shift
// and AltGr (0x600) only; a character the layout types only otherwise (Ctrl, Alt, a dead key)
// has no key here. Characters with no key are typed through KEYEVENTF_UNICODE records on a
// borrowed spare keycode, and so are virtual keys whose keysym the layout lacks (F13-F24, media
// keys), so that keys with no character still arrive.
//
// The layout is read again after the server announces a change, and the group is kept from the
// server's notices, so a switch of layout while the program runs is followed without asking
// the server anything on the way from a character to its key; the answers found for the layout
// and group in force are kept until either changes. Keys and buttons still held are let go when
// the object goes.
//
// Requests go to the server when SendInput returns, except inside a batch.
//
// The screen of GetSystemMetrics is the primary monitor, as on Windows, and GetCursorPos counts
// from its top-left corner, where Windows puts the origin; both are read again after RandR
// announces a change of the screen or its monitors.
class XTestInjector : public InputInjector {
public:
    static constexpr std::uint16_t kKeycode16 = 7;
    static constexpr std::uint16_t kKeycode165 = 6;
    static constexpr std::uint16_t kNoKeyByte = 255;

    // An empty name opens the display named by DISPLAY. Throws RaisedError when there is no
    // display or it lacks the XTest extension.
    explicit XTestInjector(const std::string& displayName = {});
    ~XTestInjector() override;
    XTestInjector(const XTestInjector&) = delete;
    XTestInjector& operator=(const XTestInjector&) = delete;

    void SendInput(std::span<const InputRecord> records) override;
    std::int16_t VkKeyScanA(char character) override;
    std::uint16_t KeyForVirtualKey(std::uint8_t vk) override;
    void ReleaseAll() override;
    void BeginBatch() override;
    void EndBatch() override;
    void Flush() override;
    Point GetCursorPos() override;
    std::int32_t GetSystemMetrics(std::int32_t index) override;

private:
    void SendMouse(const MouseInput& mouse);
    void SendKey(const KeyboardInput& key);
    void SendCharacter(const KeyboardInput& key);
    void FakeKey(unsigned keycode, bool press);
    void FakeButton(unsigned button, bool press);
    // The X keycode a record's key byte stands for, 0 if none.
    unsigned KeycodeForKey(std::uint16_t key);
    const x11::KeyboardLayout& Layout();
    // The layout's key for Shift or for the level-three shift (AltGr), 0 if none.
    unsigned ModifierKeycode(std::uint16_t key);
    void ForgetAnswers();
    // The current layout's key for one of the keysyms, among the keys a record can press.
    std::optional<x11::KeyChoice> FindLayoutKey(const std::vector<x11::Keysym>& keysyms);
    // The record's key byte for an X keycode.
    static std::uint16_t KeyByte(unsigned keycode);
    std::uint16_t LookUpVirtualKey(std::uint8_t vk);
    void Send();
    const x11::ScreenArea& Primary();
    // Reads what the server has announced so far, without waiting, and applies it.
    void TakeNotices();
    // True when it handled any: handling may itself have talked to the server.
    bool DrainEvents();

    std::unique_ptr<x11::XDisplay> display_;
    std::unique_ptr<x11::SpareKeycodes> spareKeycodes_;
    std::unique_ptr<x11::KeyboardLayout> layout_;  // null until needed and after a change
    std::unique_ptr<x11::ScreenArea> primary_;     // the same
    int group_ = 0;                                // the keyboard's group, as its last notice said
    unsigned minKeycode_ = 0;                      // the server's range of keycodes
    unsigned maxKeycode_ = 0;
    int xkbOpcode_ = -1;
    int xkbEventBase_ = -1;
    int randrEventBase_ = -1;  // -1 without RandR 1.5, which describes monitors
    // VkKeyScanA's answers and the modifier keys for the layout and group in force, found as
    // they are first asked for.
    std::array<std::int16_t, 256> answers_{};
    std::bitset<256> answered_;
    std::array<std::uint16_t, 256> virtualKeys_{};
    std::bitset<256> virtualKeysAnswered_;
    std::optional<unsigned> shiftKeycode_;
    std::optional<unsigned> levelThreeKeycode_;
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

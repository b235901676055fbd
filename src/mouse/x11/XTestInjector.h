#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "mouse/InputInjector.h"

namespace qm::x11 {
class XDisplay;
class SpareKeycodes;
}  // namespace qm::x11

namespace qm {

// Desktop input on an X display through the XTest extension.
//
// The key byte of VkKeyScanA and of keyboard records is the X keycode (8-254), with two
// exceptions because the records' numbers already mean something: VK_SHIFT (16) is the Shift
// key, so keycode 16 itself travels as kKeycode16; and 255 is the key byte of the "no key"
// answer (-1), which must press nothing, so keycode 255 is not used. Characters with no key
// on the layout are typed through KEYEVENTF_UNICODE records on a borrowed spare keycode.
class XTestInjector : public InputInjector {
public:
    static constexpr std::uint16_t kKeycode16 = 7;
    static constexpr std::uint16_t kNoKeyByte = 255;

    // An empty name opens the display named by DISPLAY. Throws RaisedError when there is no
    // display or it lacks the XTest extension.
    explicit XTestInjector(const std::string& displayName = {});
    ~XTestInjector() override;
    XTestInjector(const XTestInjector&) = delete;
    XTestInjector& operator=(const XTestInjector&) = delete;

    void SendInput(std::span<const InputRecord> records) override;
    std::int16_t VkKeyScanA(char character) override;
    Point GetCursorPos() override;
    std::int32_t GetSystemMetrics(std::int32_t index) override;

    const std::string& DisplayName() const;

private:
    void SendMouse(const MouseInput& mouse);
    void SendKey(const KeyboardInput& key);
    void SendCharacter(const KeyboardInput& key);
    // The X keycode a record's key byte stands for, 0 if none.
    unsigned KeycodeForKey(std::uint16_t key);
    void DrainEvents();

    std::unique_ptr<x11::XDisplay> display_;
    std::unique_ptr<x11::SpareKeycodes> spareKeycodes_;
};

}  // namespace qm

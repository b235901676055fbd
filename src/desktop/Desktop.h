#pragma once

#include <cstdint>

#include "desktop/Key.h"

namespace qm {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

enum class Button : std::uint8_t { Left, Middle, Right };

// One notch of a wheel: up is away from the user.
enum class Wheel : std::uint8_t { Up, Down, Left, Right };

// How the desktop would type a character.
enum class Typing : std::uint8_t {
    ByKey,        // its key on the layout, with Shift or AltGr where the layout needs them
    AsCharacter,  // no key makes it, so it is typed as the character itself
    Not,          // a control character without a key of its own, or no character at all
};

// The whole desktop's pointer and keyboard, as the movement, the clicks and the keystrokes use
// them. No result of a sending call is examined: a backend that cannot deliver an event drops it.
// All calls are made on the user-interface thread.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Relative to where the pointer is; the system keeps it on the screen.
    virtual void MoveBy(std::int32_t dx, std::int32_t dy) = 0;
    // From the primary screen's top-left corner.
    virtual void MoveTo(Point position) = 0;
    virtual void Press(Button button) = 0;
    virtual void Release(Button button) = 0;
    virtual void Turn(Wheel wheel) = 0;

    // False when the keyboard has no such key and none can be lent for it.
    virtual bool HasKey(Key key) = 0;
    virtual void Press(Key key) = 0;
    virtual void Release(Key key) = 0;

    // One character of the system's ANSI code page (Windows-1252 where the system has none).
    // Type presses and lets go of what it takes, Shift released before the key; while a Shift
    // is held through Press, the character's own Shift is not pressed again. Ctrl and Alt alone
    // are never pressed for a character.
    virtual Typing HowToType(char character) = 0;
    virtual void Type(char character) = 0;

    virtual Point PointerPosition() = 0;
    // The primary screen's, in pixels.
    virtual Size ScreenSize() = 0;

    // Lets go of every key and button pressed here and not yet released, so that nothing stays
    // held on the desktop when the program stops. Nothing to do where the system does it itself.
    virtual void ReleaseAll() {}
    // The same for an end of the process that skips the unload (a crash, an uncaught exception,
    // a library that calls exit()): may run inside a signal handler, so it makes async-signal-
    // safe calls only, and the desktop is not used again. Nothing to do where the system lets go
    // of a program's input when the program goes.
    virtual void ReleaseAllAtOnce() noexcept {}

    // The events between these belong together: a backend may hold them, in order, and sends
    // them at the latest on a Flush made with no batch open. A backend whose every write is a
    // system call of its own (Windows) sends each batch's events in one call at its end, so that
    // the events of one action cannot interleave with another program's; one that queues its
    // requests on a connection (X) keeps them all for one write.
    virtual void BeginBatch() {}
    virtual void EndBatch() {}
    virtual void Flush() {}
};

// A batch of the desktop's input (none without a desktop): what it held is sent, unless an
// outer batch is still open, at the latest when the object goes.
class InputBatch {
public:
    explicit InputBatch(Desktop* desktop) : desktop_(desktop) {
        if (desktop_ != nullptr) {
            desktop_->BeginBatch();
        }
    }
    ~InputBatch() {
        End();
        if (desktop_ != nullptr) {
            desktop_->Flush();
        }
    }
    InputBatch(const InputBatch&) = delete;
    InputBatch& operator=(const InputBatch&) = delete;

    // Holds no longer: what waits goes with the next batch's events, or at the flush.
    void End() {
        if (desktop_ != nullptr && !ended_) {
            ended_ = true;
            desktop_->EndBatch();
        }
    }

private:
    Desktop* desktop_;
    bool ended_ = false;
};

}  // namespace qm

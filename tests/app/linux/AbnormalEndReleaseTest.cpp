#include "app/linux/AbnormalEndRelease.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <exception>

#include "desktop/Desktop.h"

namespace qm {
namespace {

// Says on standard error that it let go, where the death test reads it.
class SayingDesktop final : public Desktop {
public:
    void MoveBy(std::int32_t, std::int32_t) override {}
    void MoveTo(Point) override {}
    void Press(Button) override {}
    void Release(Button) override {}
    void Turn(Wheel) override {}
    bool HasKey(Key) override { return true; }
    void Press(Key) override {}
    void Release(Key) override {}
    Typing HowToType(char) override { return Typing::ByKey; }
    void Type(char) override {}
    Point PointerPosition() override { return {}; }
    Size ScreenSize() override { return {}; }
    void ReleaseAllAtOnce() noexcept override { static_cast<void>(::write(2, "let go\n", 7)); }
};

// Each way lets go once, then ends as it would have (std::terminate through the handler it had,
// which names the cause; a signal sent or caused by an instruction by the default action: SIGILL,
// which the sanitizers leave alone); after the guard has gone, nothing is let go.
TEST(AbnormalEndRelease, LetsGoOnceThenEndsAsItWouldHave) {
    SayingDesktop desktop;
    const auto guarded = [&desktop](void (*end)()) {
        AbnormalEndRelease guard(desktop);
        end();
    };
    EXPECT_EXIT(guarded([] { std::terminate(); }), testing::KilledBySignal(SIGABRT),
                "^let go\nterminate called without an active exception\n$");
    EXPECT_EXIT(guarded([] { std::raise(SIGILL); }), testing::KilledBySignal(SIGILL), "^let go\n$");
    EXPECT_EXIT(guarded([] { __builtin_trap(); }), testing::KilledBySignal(SIGILL), "^let go\n$");
    EXPECT_EXIT(guarded([] { std::exit(3); }), testing::ExitedWithCode(3), "^let go\n$");
    EXPECT_EXIT(
        {
            { AbnormalEndRelease guard(desktop); }
            std::exit(3);
        },
        testing::ExitedWithCode(3), "^$");
}

}  // namespace
}  // namespace qm

#include "app/qt/QtTimer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/qt/QtEventPump.h"
#include "support/Raised.h"
#include "support/gui/QtWait.h"

namespace qm {
namespace {

using test::QtRunFor;
using test::QtWaitUntil;

// Counts timer events anywhere in the program: a 0 ms timer would show as a flood of them.
struct TimerActivity : QObject {
    TimerActivity() { QCoreApplication::instance()->installEventFilter(this); }
    ~TimerActivity() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Timer ? 1 : 0;
        return false;
    }
    int count = 0;
};

TEST(QtTimerTest, TicksOnlyWhileEnabledWithAnIntervalOf0To65535) {
    QtTimer timer;
    int ticks = 0;
    timer.SetOnTick([&] { ++ticks; });

    // Enabled with interval 0: never ticks, and nothing runs in its place (the helper's own 5 ms
    // wake-up timer is all there is).
    timer.SetEnabled(true);
    {
        TimerActivity activity;
        QtRunFor(std::chrono::milliseconds(100));
        EXPECT_EQ(ticks, 0);
        EXPECT_LT(activity.count, 100);
    }

    timer.SetInterval(2);
    EXPECT_TRUE(QtWaitUntil([&] { return ticks >= 3; }));
    timer.SetEnabled(false);
    const int stopped = ticks;
    QtRunFor(std::chrono::milliseconds(50));
    EXPECT_EQ(ticks, stopped);

    // The interval is 0 to 65535; anything else is refused and changes nothing.
    timer.SetInterval(65535);
    for (const std::int32_t bad : {-1, 65536}) {
        EXPECT_EQ(test::RaisedBy([&] { timer.SetInterval(bad); }).number, 380) << bad;
    }
    EXPECT_EQ(timer.Interval(), 65535);
}

// The movement engine sets the interval and enables the timer again at every step, more often
// than the interval: a restarted countdown would never tick.
TEST(QtTimerTest, ReEnablingARunningTimerKeepsItsCadence) {
    QtTimer timer;
    int ticks = 0;
    timer.SetOnTick([&] { ++ticks; });
    const auto again = [&] { timer.SetInterval(40), timer.SetEnabled(true); };
    again();
    QTimer nagger;
    QObject::connect(&nagger, &QTimer::timeout, again);
    nagger.start(5);
    EXPECT_TRUE(QtWaitUntil([&] { return ticks >= 3; }));
}

// As the movement engine calls it: from inside a tick, the events waiting run before it returns.
TEST(QtEventPumpTest, RunsWaitingEventsNestedInTheCaller) {
    QtEventPump pump;
    QObject context;
    QtTimer timer;
    int ran = 0;
    int ranByThePump = -1;
    timer.SetInterval(1);
    timer.SetOnTick([&] {
        timer.SetEnabled(false);
        QMetaObject::invokeMethod(
            &context, [&] { ++ran; }, Qt::QueuedConnection);
        pump.DoEvents();
        ranByThePump = ran;
    });
    timer.SetEnabled(true);
    ASSERT_TRUE(QtWaitUntil([&] { return ranByThePump >= 0; }));
    EXPECT_EQ(ranByThePump, 1);
}

}  // namespace
}  // namespace qm

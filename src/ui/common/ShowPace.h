#pragma once

#include <QElapsedTimer>

namespace qm {

// When to show a state that changes with every character received (the count, the received
// list, the tray tip): at the next turn of the event loop after a pause, then at most once per
// interval while the changes keep coming. The road lets events run after every character, so
// "the next turn" alone would still mean a showing, and window traffic, per character on a
// busy line. The interval is a frame of a 60 Hz screen: nobody reads the count faster, and a
// switch's bytes, however quick, come further apart, so each of them is still shown at once.
class ShowPace {
public:
    // Milliseconds to wait before showing what changed now.
    int Delay() const {
        if (!last_.isValid() || last_.elapsed() >= kIntervalMs) {
            return 0;
        }
        return static_cast<int>(kIntervalMs - last_.elapsed());
    }
    void Shown() { last_.start(); }

private:
    static constexpr qint64 kIntervalMs = 16;
    QElapsedTimer last_;
};

}  // namespace qm

#pragma once

#include <QElapsedTimer>

namespace qm {

// When to show a state that changes with every character received (the count, the received
// list, the tray tip): at the next turn of the event loop after a pause, then at most once per
// interval while the changes keep coming. The road lets events run after every character, so
// "the next turn" alone would still mean a showing, and window traffic, per character on a
// busy line; nobody reads the count faster than this anyway.
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
    static constexpr qint64 kIntervalMs = 50;
    QElapsedTimer last_;
};

}  // namespace qm

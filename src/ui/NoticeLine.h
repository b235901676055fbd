#pragma once

#include <QLabel>
#include <functional>

namespace qm {

// A line on the General page for what the user must know and would otherwise find only in the
// log: a Wayland session whose own programs the device's input does not reach, and a desktop
// with no notification area to hold the icon. Hidden while there is nothing to say.
//
// A notification area may start or stop while the program runs, and nothing tells of it: the
// line looks again each time its page is shown.
class NoticeLine : public QLabel {
    Q_OBJECT
public:
    // page: the page the line lives on, whose showing refreshes it.
    explicit NoticeLine(QWidget* page);

    // desktopNote: what the desktop input's choice leaves the user to know (may be empty);
    // areaAvailable: whether a notification area holds the icon now (none: there always is one).
    void Watch(QString desktopNote, std::function<bool()> areaAvailable);
    void Refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString desktopNote_;
    std::function<bool()> areaAvailable_;
};

}  // namespace qm

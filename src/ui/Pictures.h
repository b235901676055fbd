#pragma once

#include <QIcon>
#include <QPixmap>

#include "ui/SessionControl.h"

namespace qm {

// The program's icon: the window's and the About box's.
QIcon ApplicationIcon();
// The tray's picture: the program's own with a mark in its lower right corner for the state of
// the connection, and a mouse whose left button is filled in over its lower left corner while
// that button is held down by its lock. The marks differ in shape as well as colour, for those
// who cannot tell the colours apart: a tick on green (connected), clock hands on amber (waiting
// for the device), a bar on red over a greyed picture (not connected).
QIcon TrayPicture(SessionStatus::Connection connection, bool buttonHeld);

// The port list's two 16 by 16 images: a white bar on a red disc (never assigned, so a free
// port shows none) and a white cross on a red disc (a port another program holds).
QPixmap PortImage(int index);

}  // namespace qm

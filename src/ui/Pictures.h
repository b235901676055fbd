#pragma once

#include <QIcon>
#include <QPixmap>

namespace qm {

// The program's icon: the window's, and the one in the notification area.
QIcon ApplicationIcon();
// The tray's picture while the left button is held down by its lock.
QIcon HeldButtonIcon();

// The port list's two 16 by 16 images: a white bar on a red disc (never assigned, so a free
// port shows none) and a white cross on a red disc (a port another program holds).
QPixmap PortImage(int index);

}  // namespace qm

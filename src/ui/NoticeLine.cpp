#include "ui/NoticeLine.h"

#include <QEvent>
#include <QStringList>

namespace qm {

NoticeLine::NoticeLine(QWidget* page) : QLabel(page) {
    setObjectName(QStringLiteral("lblNotice"));
    setWordWrap(true);
    // Read by the keyboard and by screen readers as any other line of the page.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    hide();
    page->installEventFilter(this);
}

void NoticeLine::Watch(QString desktopNote, std::function<bool()> areaAvailable) {
    desktopNote_ = std::move(desktopNote);
    areaAvailable_ = std::move(areaAvailable);
    Refresh();
}

void NoticeLine::Refresh() {
    QStringList lines;
    if (!desktopNote_.isEmpty()) {
        lines << desktopNote_;
    }
    if (areaAvailable_ && !areaAvailable_()) {
        lines << tr(
            "There is no notification area on this desktop, so Quillmotion shows no icon: its "
            "state is on this window, which stays on the task bar when minimised.");
    }
    setText(lines.join(QStringLiteral("\n\n")));
    setAccessibleName(text());
    setVisible(!lines.isEmpty());
}

bool NoticeLine::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched == parent()) {
        Refresh();
    }
    return QLabel::eventFilter(watched, event);
}

}  // namespace qm

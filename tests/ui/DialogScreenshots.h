#pragma once

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QWidget>

namespace qm::test {

// Pictures of the dialogs for a person to look at: written only when QM_SCREENSHOT_DIR names a
// folder. QM_SCREENSHOT_POINT_SIZE sets a larger application font first, to check large text.
inline void ApplyScreenshotFont() {
    const int size = qEnvironmentVariableIntValue("QM_SCREENSHOT_POINT_SIZE");
    if (size > 0) {
        QFont font = QApplication::font();
        font.setPointSize(size);
        QApplication::setFont(font);
    }
}

inline void SaveScreenshot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("QM_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        return;
    }
    QDir().mkpath(folder);
    const int size = qEnvironmentVariableIntValue("QM_SCREENSHOT_POINT_SIZE");
    const QString suffix = size > 0 ? QStringLiteral("-%1pt").arg(size) : QString();
    widget->grab().save(QDir(folder).filePath(name + suffix + QStringLiteral(".png")));
}

}  // namespace qm::test

#include <QApplication>

#include "app/Program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmotion"));
    QApplication::setDesktopFileName(QStringLiteral("Quillmotion"));
    qm::Program program;
    return program.Run(app);
}

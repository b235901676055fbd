#include <QApplication>
#include <iostream>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "diag/LogLocation.h"
#include "diag/ProgramFolder.h"
#include "diag/Trace.h"
#ifdef __linux__
#include "app/linux/DisplayCheck.h"
#endif

int main(int argc, char** argv) {
    const std::string logFile = qm::LogFileFor(qm::ProgramFolder(), QM_INSTALLED_BINDIR);
    if (const std::optional<int> status =
            qm::AnswerCommandLine(std::vector<std::string>(argv + 1, argv + argc), logFile, std::cout)) {
        return *status;
    }
#ifdef __linux__
    if (const std::string problem = qm::UnreachableDisplay(); !problem.empty()) {
        std::cerr << "quillmotion: " << problem << '\n';
        return 1;
    }
#endif
    qm::PrepareLogFolder(logFile);
    qm::modTrace::SetLogFile(logFile, qm::StateLogFile());

    // Qt's own event loop, not GLib's. A lone byte from the switch wakes the program, and the
    // road lets pending events run around every character; each time, GLib prepares, polls,
    // checks and dispatches every one of its sources, more work than Qt's own loop does between
    // the byte and the event it causes. The program uses nothing that needs GLib's loop (no GTK
    // dialogs; D-Bus runs on a thread of its own). Whoever sets QT_NO_GLIB keeps their choice
    // (an empty value selects GLib), and programs started from here inherit the environment as
    // it was.
    const bool ownLoopChoice = !qEnvironmentVariableIsSet("QT_NO_GLIB");
    if (ownLoopChoice) {
        qputenv("QT_NO_GLIB", "1");
    }
    QApplication app(argc, argv);
    if (ownLoopChoice) {
        qunsetenv("QT_NO_GLIB");
    }
    QApplication::setApplicationName(QStringLiteral("Quillmotion"));
    QApplication::setDesktopFileName(QStringLiteral("com.tallowmer.Quillmotion"));
    qm::Program program;
    return program.Run(app);
}

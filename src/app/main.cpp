#include <QApplication>
#include <iostream>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "diag/LogLocation.h"
#include "diag/ProgramFolder.h"
#include "diag/Trace.h"

int main(int argc, char** argv) {
    const std::string logFile = qm::LogFileFor(qm::ProgramFolder(), QM_INSTALLED_BINDIR);
    if (const std::optional<int> status =
            qm::AnswerCommandLine(std::vector<std::string>(argv + 1, argv + argc), logFile, std::cout)) {
        return *status;
    }
    qm::PrepareLogFolder(logFile);
    qm::modTrace::SetLogFile(logFile);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmotion"));
    QApplication::setDesktopFileName(QStringLiteral("com.tallowmer.Quillmotion"));
    qm::Program program;
    return program.Run(app);
}

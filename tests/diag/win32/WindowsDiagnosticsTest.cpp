#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/DebugOutput.h"
#include "diag/OSInfo.h"
#include "diag/ProgramFolder.h"
#include "diag/Trace.h"
#include "support/TempDir.h"
// Last: its macros carry the same values as our names of the same things.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace qm {
namespace {

// What OutputDebugStringA hands a debugger: it raises DBG_PRINTEXCEPTION_C with the text's
// length (NUL included) and address. A vectored handler sees it first, as a debugger would,
// and lets the program go on.
class DebuggerStandIn {
public:
    DebuggerStandIn() {
        Pieces().clear();
        handler_ = ::AddVectoredExceptionHandler(1, &DebuggerStandIn::Catch);
    }
    ~DebuggerStandIn() { ::RemoveVectoredExceptionHandler(handler_); }
    DebuggerStandIn(const DebuggerStandIn&) = delete;
    DebuggerStandIn& operator=(const DebuggerStandIn&) = delete;

    static std::vector<std::string>& Pieces() {
        static std::vector<std::string> pieces;
        return pieces;
    }

private:
    static LONG CALLBACK Catch(EXCEPTION_POINTERS* info) {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        const auto length = static_cast<std::size_t>(record->ExceptionInformation[0]);
        const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        Pieces().emplace_back(text, length > 0 ? length - 1 : 0);
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    void* handler_ = nullptr;
};

TEST(WindowsDiagnostics, TraceReachesTheDebuggerThroughOutputDebugStringA) {
    DebuggerStandIn debugger;
    SystemDebugOutput().Write("one piece");
    EXPECT_EQ(DebuggerStandIn::Pieces(), (std::vector<std::string>{"one piece"}));

    test::TempDir dir;
    modTrace::SetLogFile(dir.File("log.txt"));
    modTrace::SetDebugOutput(nullptr);  // the system's channel
    modTrace::TraceSwitch(true);
    const std::string message(90, 'm');
    Trace("modTest.Method", TraceMessage, message);
    modTrace::TraceSwitch(false);

    const std::string report = "modTest.Method:: " + message;
    EXPECT_EQ(DebuggerStandIn::Pieces(),
              (std::vector<std::string>{"one piece", report.substr(0, 80), report.substr(80), "\r\n"}));
    const std::string line = test::ReadFile(dir.File("log.txt"));
    EXPECT_EQ(line.substr(line.find(" : ") + 3), report + "\r\n");
}

TEST(WindowsDiagnostics, TheVersionAndTheProgramFolderComeFromTheSystem) {
    const clsOSInfo info;
    EXPECT_TRUE(info.IsWin2K()) << "every Windows since XP is of the NT family: the newer input path";
    EXPECT_EQ(info.Version().rfind("Windows 2000 v" + std::to_string(info.MajorVersion()) + ".", 0), 0u);

    char module[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string exe(module, length);
    EXPECT_EQ(ProgramFolderFile("log.txt"), exe.substr(0, exe.rfind('\\')) + "\\log.txt");
}

}  // namespace
}  // namespace qm

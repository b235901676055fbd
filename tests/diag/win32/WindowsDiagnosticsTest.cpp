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

TEST(WindowsDiagnostics, TheVersionComesFromGetVersionExA) {
    OSVERSIONINFOA direct{};
    direct.dwOSVersionInfoSize = sizeof direct;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ASSERT_TRUE(::GetVersionExA(&direct));
#pragma GCC diagnostic pop
    EXPECT_EQ(sizeof direct, 148u) << "the documented record size";

    const clsOSInfo info;
    EXPECT_EQ(info.PlatformID(), 2) << "every Windows since XP is of the NT family";
    EXPECT_TRUE(info.IsWinNT());
    EXPECT_TRUE(info.IsWin2K()) << "so the newer input path is used";
    EXPECT_FALSE(info.IsWin9x());
    EXPECT_EQ(info.Platform(), "Windows 2000");
    EXPECT_EQ(info.MajorVersion(), static_cast<std::int32_t>(direct.dwMajorVersion));
    EXPECT_EQ(info.MinorVersion(), static_cast<std::int32_t>(direct.dwMinorVersion));
    EXPECT_EQ(info.BuildNumber(), static_cast<std::int16_t>(direct.dwBuildNumber & 0xFFFF));
    EXPECT_EQ(info.Version(), "Windows 2000 v" + std::to_string(direct.dwMajorVersion) + "." +
                                  std::to_string(direct.dwMinorVersion) + ", Build " +
                                  std::to_string(info.BuildNumber()));
}

TEST(WindowsDiagnostics, TheProgramFolderIsTheExecutablesFolder) {
    char module[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::string exe(module, length);
    const std::string folder = exe.substr(0, exe.rfind('\\'));

    EXPECT_EQ(ProgramFolder(), folder);
    EXPECT_EQ(ProgramFolderFile("log.txt"), folder + "\\log.txt") << "one backslash between the two";
    const DWORD attributes = ::GetFileAttributesA(ProgramFolder().c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
}  // namespace qm

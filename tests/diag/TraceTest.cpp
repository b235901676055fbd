#include "diag/Trace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include "support/TempDir.h"
#include "support/TraceCapture.h"

namespace qm {
namespace {

TEST(Trace, LineFormatLevelsAndTimeStamp) {
    test::TraceCapture capture;
    Trace("modSettings.GetSettings", TraceEntry, "");
    Trace("frmSerial.Form_Load", TraceMessage, "Deleting previous log file...");
    Trace("clsRegistry.GetValue", TraceError, "");
    Trace("x.y", TraceExit, "done");
    Trace("x.z", static_cast<TraceLevel>(99), "odd");

    const std::string text = test::ReadFile(capture.LogPath());
    EXPECT_TRUE(std::regex_match(text, std::regex(R"((\d\d/\d\d/\d{4} \d\d\.\d\d\.\d\d : [^\r\n]*\r\n){5})")))
        << text;
    EXPECT_EQ(
        capture.Reports(),
        (std::vector<std::string>{
            "modSettings.GetSettings:Method Entry: ", "frmSerial.Form_Load:: Deleting previous log file...",
            "clsRegistry.GetValue:#Method Exit Error#: ", "x.y:Method Exit: done", "x.z:: odd"}));
}

TEST(Trace, DebuggerGetsEightyCharacterPiecesThenCrLf) {
    test::TraceCapture capture;
    // The report starts "m.n:: ": six characters before the message, so 74 fill exactly 80.
    const std::string a74 = "m.n:: " + std::string(74, 'a');
    Trace("m.n", TraceMessage, std::string(74, 'a'));
    EXPECT_EQ(capture.Pieces(), (std::vector<std::string>{a74, "\r\n"}));
    capture.Clear();
    Trace("m.n", TraceMessage, std::string(74, 'a') + std::string(81, 'b'));
    EXPECT_EQ(capture.Pieces(), (std::vector<std::string>{a74, std::string(80, 'b'), "b", "\r\n"}));
    // In the file it is still one line.
    EXPECT_EQ(capture.Reports().size(), 1u);
}

// The log may hold typed passwords: it is made for its owner alone, and a report that cannot be
// written safely is skipped silently, debugger output included, or goes to the fallback.
// (Modes and links are the POSIX side's.)
#ifndef _WIN32
TEST(Trace, TheLogIsItsOwnersAloneAndNeverWrittenThroughALink) {
    test::TraceCapture capture;
    const mode_t before = ::umask(022);
    Trace("a.b", TraceEntry, "");
    ::umask(before);
    struct stat info {};
    ASSERT_EQ(::stat(capture.LogPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // With nowhere else to go nothing is written, debugger included.
    test::TempDir dir;
    modTrace::SetLogFile(dir.File("missing-folder/log.txt"));
    Trace("a.b", TraceEntry, "");
    EXPECT_EQ(capture.Pieces().size(), 2u);

    // A path that leads to a file another user may read (through a link, or theirs) is left alone:
    // the log goes to the fallback, which first says why.
    test::WriteFile(dir.File("elsewhere"), "kept");
    test::WriteFile(dir.File("foreign"), "kept");
    ASSERT_EQ(::symlink(dir.File("elsewhere").c_str(), dir.File("symlink").c_str()), 0);
    ASSERT_EQ(::link(dir.File("elsewhere").c_str(), dir.File("hardlink").c_str()), 0);
    const bool root = ::geteuid() == 0;  // only root can give a file away
    ASSERT_TRUE(!root || ::chown(dir.File("foreign").c_str(), 4242, 4242) == 0);
    for (const std::string& path :
         {dir.File("symlink"), dir.File("hardlink"), dir.File(root ? "foreign" : "symlink")}) {
        std::remove(capture.LogPath().c_str());
        modTrace::SetLogFile(path, capture.LogPath());
        Trace("a.b", TraceExit, "typed");
        EXPECT_EQ(test::ReadFile(path), "kept");
        EXPECT_THAT(capture.Reports(),
                    testing::ElementsAre(
                        testing::StartsWith("modTrace.Trace:: Not writing the log to " + path + " ("),
                        "a.b:Method Exit: typed"));
    }
}

// A line cut short (the disk full, here a size limit) is taken back: the next one starts whole.
TEST(Trace, ALineCutShortIsTakenBack) {
    test::TraceCapture capture;
    Trace("a.b", TraceEntry, "");
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{test::ReadFile(capture.LogPath()).size() + 25, limit.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
        Trace("a.c", TraceExit, "cut short");
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Trace("a.d", TraceExit, "");
        std::_Exit(0);
    }
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_EQ(capture.Reports(), (std::vector<std::string>{"a.b:Method Entry: ", "a.d:Method Exit: "}));
}
#endif

// A log removed or replaced by someone else between reports: the next report starts it anew.
TEST(Trace, DeletedOrReplacedLogStartsAnew) {
    test::TraceCapture capture;
    modTrace::DeleteLogFile();  // nothing there yet
    Trace("a.b", TraceEntry, "");
    modTrace::DeleteLogFile();
    struct stat st {};
    EXPECT_NE(::stat(capture.LogPath().c_str(), &st), 0);
    for (const bool replace : {false, true}) {
        Trace("a.b", TraceEntry, "");
        if (replace) {
            test::WriteFile(capture.LogPath() + ".new", "");
            // std::filesystem::rename replaces an existing file on Windows too; std::rename does not.
            std::filesystem::rename(capture.LogPath() + ".new", capture.LogPath());
        } else {
            std::remove(capture.LogPath().c_str());
        }
        Trace("a.c", TraceExit, "");
        EXPECT_EQ(capture.Reports(), std::vector<std::string>{"a.c:Method Exit: "}) << replace;
    }
}

}  // namespace
}  // namespace qm

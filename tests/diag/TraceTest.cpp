#include "diag/Trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
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

// The log may hold typed passwords: it is made for its owner alone, and whatever cannot be written
// safely (a missing folder, a symbolic link put in its place) is skipped silently, debugger
// output included, while the next report tries afresh. (Modes and links are the POSIX side's.)
#ifndef _WIN32
TEST(Trace, TheLogIsItsOwnersAloneAndNeverWrittenThroughALink) {
    test::TraceCapture capture;
    const mode_t before = ::umask(022);
    Trace("a.b", TraceEntry, "");
    ::umask(before);
    struct stat info {};
    ASSERT_EQ(::stat(capture.LogPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    test::TempDir dir;
    test::WriteFile(dir.File("elsewhere"), "kept");
    ASSERT_EQ(::symlink(dir.File("elsewhere").c_str(), dir.File("log.txt").c_str()), 0);
    for (const std::string& path : {dir.File("missing-folder/log.txt"), dir.File("log.txt")}) {
        const std::size_t pieces = capture.Pieces().size();
        modTrace::SetLogFile(path);
        Trace("a.b", TraceEntry, "");
        EXPECT_EQ(capture.Pieces().size(), pieces) << path;
    }
    EXPECT_EQ(test::ReadFile(dir.File("elsewhere")), "kept");

    modTrace::SetLogFile(capture.LogPath());
    Trace("a.b", TraceExit, "");
    EXPECT_EQ(capture.Reports().size(), 2u);
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

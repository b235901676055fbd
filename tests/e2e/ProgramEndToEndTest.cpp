// The built program end to end: a private X display with a notification area (trayer), a
// temporary settings tree whose device map points COM7: at a pseudo-terminal, and the program
// copied into a folder of its own so that its log lands there. The test is the device at the far
// end of the line and a second X client that sees what reaches the desktop.

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include "ports/linux/DeviceOpenTest.h"
#include "settings/SettingsTree.h"
#include "settings/hive/FileHiveRegistry.h"
#include "support/TempDir.h"
#include "support/gui/PtyPair.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/gui/XEventRecorder.h"
#include "support/gui/XvfbFixture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace qm;
using namespace qm::test;

namespace {

std::string OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = folders.find(':', start);
        const std::string folder =
            folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return {};
}

// A child process with its own environment additions, stopped with the object if still running.
class Child {
public:
    // output: a file that takes the child's standard output and error ("" keeps the test's).
    Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
          const std::string& folder = {}, const std::string& output = {}) {
        pid_ = ::fork();
        if (pid_ == 0) {
            if (!output.empty() && std::freopen(output.c_str(), "w", stdout) != nullptr) {
                ::dup2(::fileno(stdout), 2);
            }
            for (const std::string& setting : environment) {
                const std::size_t eq = setting.find('=');
                ::setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
            }
            if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
                ::_exit(126);
            }
            std::vector<char*> argv;
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~Child() {
        if (Running()) {
            ::kill(pid_, SIGTERM);
            WaitForExit(5s);
            if (Running()) {
                ::kill(pid_, SIGKILL);
                WaitForExit(5s);
            }
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running() {
        Reap();
        return pid_ > 0 && !status_;
    }
    // The exit status once the child has ended within the time; nothing otherwise.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (Running() && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(20ms);
        }
        return status_;
    }

private:
    void Reap() {
        if (pid_ <= 0 || status_) {
            return;
        }
        int raw = 0;
        if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        }
    }

    pid_t pid_ = -1;
    std::optional<int> status_;
};

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 15s) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) {
            return condition();
        }
        std::this_thread::sleep_for(25ms);
    }
    return true;
}

// A plain X client that looks at the display's windows.
class Looker {
public:
    explicit Looker(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
        if (display_ == nullptr) {
            throw std::runtime_error("cannot open " + display);
        }
    }
    ~Looker() { XCloseDisplay(display_); }
    Looker(const Looker&) = delete;
    Looker& operator=(const Looker&) = delete;

    bool TrayManagerPresent() {
        const Atom selection = XInternAtom(display_, "_NET_SYSTEM_TRAY_S0", False);
        return XGetSelectionOwner(display_, selection) != None;
    }

    // The first window whose name begins with prefix, with its name.
    std::optional<std::pair<Window, std::string>> FindNamed(const std::string& prefix) {
        return Search(DefaultRootWindow(display_), prefix);
    }

    bool Viewable(Window window) {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window, &attributes) != 0 && attributes.map_state == IsViewable;
    }

    // The centre of a window in root coordinates.
    std::pair<int, int> Centre(Window window) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, window, &attributes);
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), attributes.width / 2,
                              attributes.height / 2, &x, &y, &child);
        return {x, y};
    }

private:
    std::string NameOf(Window window) {
        // Qt names its windows in UTF-8 (_NET_WM_NAME); WM_NAME is the fallback.
        const Atom netName = XInternAtom(display_, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::string name;
        if (XGetWindowProperty(display_, window, netName, 0, 4096, False, utf8, &type, &format, &count,
                               &after, &data) == Success &&
            data != nullptr) {
            name.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
            return name;
        }
        char* plain = nullptr;
        if (XFetchName(display_, window, &plain) != 0 && plain != nullptr) {
            name = plain;
            XFree(plain);
        }
        return name;
    }

    std::optional<std::pair<Window, std::string>> Search(Window window, const std::string& prefix) {
        const std::string name = NameOf(window);
        if (!name.empty() && name.rfind(prefix, 0) == 0) {
            return std::make_pair(window, name);
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) {
            return std::nullopt;
        }
        std::optional<std::pair<Window, std::string>> found;
        for (unsigned i = 0; i < count && !found; ++i) {
            found = Search(children[i], prefix);
        }
        if (children != nullptr) {
            XFree(children);
        }
        return found;
    }

    Display* display_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

void SetValue(RegistryApi& registry, const std::string& key, const std::string& name, DWORD type,
              const std::string& data) {
    std::string error;
    const auto value = SettingsTree::ParseValue(type, {data}, error);
    ASSERT_TRUE(value.has_value()) << error;
    ASSERT_TRUE(SettingsTree::WriteValue(registry, key, name, *value).Ok()) << key << "\\" << name;
}

}  // namespace

TEST(ProgramEndToEnd, StartsToTheTrayConnectsMovesTypesAndExits) {
    QM_SKIP_WITHOUT_XVFB();
    const std::string trayer = OnPath("trayer");
    const std::string xdotool = OnPath("xdotool");
    if (trayer.empty() || xdotool.empty()) {
        GTEST_SKIP() << "trayer and xdotool are needed (scripts/deps installs them)";
    }
    const char* binDir = std::getenv("QM_BIN_DIR");
    ASSERT_NE(binDir, nullptr) << "QM_BIN_DIR names the folder of the built program";
    const fs::path built = fs::path(binDir) / "quillmotion";
    ASSERT_TRUE(fs::exists(built)) << built;

    // The program in a folder of its own: its log goes beside it.
    TempDir dir;
    const fs::path program = dir.Path() / "quillmotion";
    fs::copy_file(built, program);
    const std::string hive = dir.File("HKEY_LOCAL_MACHINE.reg");
    fs::create_directories(dir.Path() / "config");

    PtyPair line;
    {
        FileHiveRegistry registry(hive, std::string());
        ASSERT_TRUE(SettingsTree::EnsureTree(registry).Ok());
        ASSERT_TRUE(SettingsTree::MapPort(registry, "COM7:", line.DevicePath()).Ok());
        SetValue(registry, "", "ConnectOnApplicationStartup", REG_DWORD, "1");
        SetValue(registry, "", "TracingEnabled", REG_DWORD, "1");
        SetValue(registry, "Ports\\LastPort", "PortName", REG_SZ, "COM7:");
        SetValue(registry, "Mouse\\Movement", "MovementDelay", REG_DWORD, "10");
    }

    XvfbFixture xvfb(1024, 768);
    XEventRecorder desktop(xvfb.Display());
    desktop.WarpPointer(300, 400);
    Looker looker(xvfb.Display());
    const std::string displayEnv = "DISPLAY=" + xvfb.Display();
    Child tray({trayer, "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                "--SetDockType", "true", "--transparent", "false"},
               {displayEnv});
    ASSERT_TRUE(WaitUntil([&] { return looker.TrayManagerPresent(); })) << "trayer gave the display no tray";

    Child quillmotion(
        {program.string()},
        {displayEnv, "QUILLMOTION_HIVE=" + hive, "QT_QPA_PLATFORM=xcb",
         "XDG_CONFIG_HOME=" + (dir.Path() / "config").string(), "XDG_RUNTIME_DIR=" + dir.Path().string(),
         // Under the sanitizers: leaks inside system libraries are not the program's.
         "LSAN_OPTIONS=suppressions=" QM_E2E_LSAN_SUPPRESSIONS},
        dir.Path().string(), dir.File("program-output.txt"));

    // Started to the tray and connected: the icon says so, and the window is not on screen.
    const std::string connected = "Quillmotion Enabled\nConnected to COM7: at 2400\n";
    std::optional<std::pair<Window, std::string>> icon;
    ASSERT_TRUE(WaitUntil([&] {
        icon = looker.FindNamed(connected);
        return icon.has_value();
    })) << "no tray icon with the connected tip";
    EXPECT_EQ(icon->second, connected + "0 bytes received");
    EXPECT_TRUE(looker.Viewable(icon->first));
    const auto window = looker.FindNamed("Quillmotion : Properties");
    EXPECT_TRUE(!window || !looker.Viewable(window->first)) << "the Properties window is on screen";

    // East (code 2): the pointer moves on by itself.
    const auto start = desktop.Pointer();
    line.Write(std::string(1, '\x02'));
    EXPECT_TRUE(WaitUntil([&] { return desktop.Pointer().first > start.first + 40; }))
        << "the pointer did not move east";
    EXPECT_EQ(desktop.Pointer().second, start.second);

    // Stop (code 12): it comes to rest.
    line.Write(std::string(1, '\x0c'));
    EXPECT_TRUE(WaitUntil([&] {
        const auto before = desktop.Pointer();
        std::this_thread::sleep_for(150ms);
        return desktop.Pointer() == before;
    })) << "the pointer did not stop";

    // A plain character is typed into the window that has the focus.
    desktop.Clear();
    line.Write("a");
    EXPECT_TRUE(desktop.WaitUntil([&] {
        const auto& events = desktop.Events();
        return std::find(events.begin(), events.end(), "-a") != events.end();
    })) << "no key a reached the desktop";
    const std::vector<std::string> expectedKeys = {"+a", "-a"};
    EXPECT_EQ(desktop.Events(), expectedKeys);

    // The tip counts the three characters.
    EXPECT_TRUE(WaitUntil([&] { return looker.FindNamed(connected + "3 bytes received").has_value(); }))
        << "the tip did not show the count";

    // While connected the line is held; Exit from the icon's menu closes it and ends the program.
    const std::vector<std::string> lockDirs = DefaultLockDirs();
    const bool lockedWhileOpen = LockFileHeld(line.DevicePath(), lockDirs);
    EXPECT_TRUE(lockedWhileOpen) << "the open port holds no lock file";
    const auto [x, y] = looker.Centre(icon->first);
    const std::string menu = "DISPLAY=" + xvfb.Display() + " " + xdotool + " mousemove " + std::to_string(x) +
                             " " + std::to_string(y) + " click 3";
    ASSERT_EQ(std::system(menu.c_str()), 0);
    std::optional<int> status;
    const bool exited = WaitUntil(
        [&] {
            const std::string key = "DISPLAY=" + xvfb.Display() + " " + xdotool + " key e >/dev/null 2>&1";
            static_cast<void>(std::system(key.c_str()));
            status = quillmotion.WaitForExit(400ms);
            return status.has_value();
        },
        20s);
    ASSERT_TRUE(exited) << "Exit from the tray menu did not end the program";
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(LockFileHeld(line.DevicePath(), lockDirs));
    for (const std::string& folder : lockDirs) {
        EXPECT_FALSE(fs::exists(fs::path(folder) / LockFileName(line.DevicePath())))
            << "the port's lock file is left behind in " << folder;
    }

    // The log beside the program: the load handler first, the unload at the end.
    const std::vector<std::string> log = Lines(ReadFile(dir.File("log.txt")));
    ASSERT_GE(log.size(), 3u);
    EXPECT_NE(log[0].find(" : frmSerial.Form_Load:Method Entry: "), std::string::npos) << log[0];
    EXPECT_NE(log[1].find(" : frmSerial.Form_Load:: Deleting previous log file..."), std::string::npos)
        << log[1];
    const std::string all = ReadFile(dir.File("log.txt"));
    EXPECT_NE(all.find("frmSerial.OpenPort:: Opening Port COM7: - with settings : 2400,n,8,1"),
              std::string::npos);
    EXPECT_NE(all.find("frmSerial.Form_Unload:Method Exit"), std::string::npos);
}

// The built program when its device goes away in the middle of a movement: a private X display
// with a notification area, COM7: mapped to a pseudo-terminal whose far end is closed while the
// pointer moves. (Connecting again once the device is back: tests/app/DeviceReturnsTest.cpp.)

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include "settings/SettingsTree.h"
#include "settings/hive/FileHiveRegistry.h"
#include "support/TempDir.h"
#include "support/gui/PtyPair.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/gui/XEventRecorder.h"
#include "support/gui/XvfbFixture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace qm;
using namespace qm::test;

namespace {

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// A child process with environment additions, ended with the object if still running.
class Process {
public:
    Process(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
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
    ~Process() {
        for (const int signal : {SIGTERM, SIGKILL}) {
            if (!Running()) {
                return;
            }
            ::kill(pid_, signal);
            const auto until = std::chrono::steady_clock::now() + 5s;
            while (Running() && std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(20ms);
            }
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running() {
        if (pid_ <= 0 || ended_) {
            return false;
        }
        int raw = 0;
        if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
            ended_ = true;
        }
        return !ended_;
    }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
};

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 15s) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) {
            return condition();
        }
        std::this_thread::sleep_for(25ms);
    }
    return true;
}

// The tray icon's tip is its window name (_NET_WM_NAME); this finds a window by it.
class WindowNames {
public:
    explicit WindowNames(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
        if (display_ == nullptr) {
            throw std::runtime_error("cannot open " + display);
        }
    }
    ~WindowNames() { XCloseDisplay(display_); }
    WindowNames(const WindowNames&) = delete;
    WindowNames& operator=(const WindowNames&) = delete;

    bool TrayManagerPresent() {
        return XGetSelectionOwner(display_, XInternAtom(display_, "_NET_SYSTEM_TRAY_S0", False)) != None;
    }
    // The name of the first window whose name begins with prefix.
    std::optional<std::string> Find(const std::string& prefix) {
        return Search(DefaultRootWindow(display_), prefix);
    }

private:
    std::string NameOf(Window window) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::string name;
        if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), 0, 4096, False,
                               XInternAtom(display_, "UTF8_STRING", False), &type, &format, &count, &after,
                               &data) == Success &&
            data != nullptr) {
            name.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        return name;
    }
    std::optional<std::string> Search(Window window, const std::string& prefix) {
        const std::string name = NameOf(window);
        if (!name.empty() && name.rfind(prefix, 0) == 0) {
            return name;
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) {
            return std::nullopt;
        }
        std::optional<std::string> found;
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

// User plus system CPU time of a process, all its threads, in milliseconds.
double CpuMilliseconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field && i <= 15; ++i) {
        if (i == 14 || i == 15) {  // utime, stime
            ticks += std::stod(field);
        }
    }
    return ticks * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void SetValue(RegistryApi& registry, const std::string& key, const std::string& name, DWORD type,
              const std::string& data) {
    std::string error;
    const auto value = SettingsTree::ParseValue(type, {data}, error);
    ASSERT_TRUE(value.has_value()) << error;
    ASSERT_TRUE(SettingsTree::WriteValue(registry, key, name, *value).Ok()) << key << "\\" << name;
}

}  // namespace

TEST(DeviceVanishes, MovementStopsTheTipSaysSoAndTheProgramIdles) {
    QM_SKIP_WITHOUT_XVFB();
    const std::string trayer = FindOnPath("trayer");
    const std::string xdotool = FindOnPath("xdotool");
    if (trayer.empty() || xdotool.empty()) {
        GTEST_SKIP() << "trayer and xdotool are needed (scripts/deps installs them)";
    }
    const char* binDir = std::getenv("QM_BIN_DIR");
    ASSERT_NE(binDir, nullptr) << "QM_BIN_DIR names the folder of the built program";
    const fs::path built = fs::path(binDir) / "quillmotion";
    ASSERT_TRUE(fs::exists(built)) << built;

    TempDir dir;
    const fs::path program = dir.Path() / "quillmotion";
    fs::copy_file(built, program);
    const std::string hive = dir.File("HKEY_LOCAL_MACHINE.reg");
    fs::create_directories(dir.Path() / "config");

    auto first = std::make_unique<PtyPair>();
    {
        FileHiveRegistry registry(hive, std::string());
        ASSERT_TRUE(SettingsTree::EnsureTree(registry).Ok());
        ASSERT_TRUE(SettingsTree::MapPort(registry, "COM7:", first->DevicePath()).Ok());
        SetValue(registry, "", "ConnectOnApplicationStartup", REG_DWORD, "1");
        SetValue(registry, "Ports\\LastPort", "PortName", REG_SZ, "COM7:");
        SetValue(registry, "Mouse\\Movement", "MovementDelay", REG_DWORD, "10");
    }

    XvfbFixture xvfb(1024, 768);
    XEventRecorder desktop(xvfb.Display());
    desktop.WarpPointer(100, 400);
    WindowNames names(xvfb.Display());
    const std::string displayEnv = "DISPLAY=" + xvfb.Display();
    Process tray({trayer, "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                  "--SetDockType", "true", "--transparent", "false"},
                 {displayEnv});
    ASSERT_TRUE(Eventually([&] { return names.TrayManagerPresent(); })) << "trayer gave the display no tray";

    Process quillmotion(
        {program.string()},
        {displayEnv, "QUILLMOTION_HIVE=" + hive, "QT_QPA_PLATFORM=xcb",
         "XDG_CONFIG_HOME=" + (dir.Path() / "config").string(), "XDG_RUNTIME_DIR=" + dir.Path().string(),
         "LSAN_OPTIONS=suppressions=" QM_E2E_LSAN_SUPPRESSIONS},
        dir.Path().string(), dir.File("program-output.txt"));
    const std::string connected = "Quillmotion Enabled\nConnected to COM7: at 2400\n";
    ASSERT_TRUE(Eventually([&] { return names.Find(connected).has_value(); }))
        << "no tray icon with the connected tip; output: " << ReadFile(dir.File("program-output.txt"));

    // East (code 2), and the device is pulled out while the pointer travels.
    const auto start = desktop.Pointer();
    first->Write(std::string(1, '\x02'));
    ASSERT_TRUE(Eventually([&] { return desktop.Pointer().first > start.first + 20; }))
        << "the pointer did not move east";
    first->CloseFarEnd();

    const std::string notConnected = "Quillmotion Enabled\nNot Connected";
    EXPECT_TRUE(Eventually([&] { return names.Find(notConnected) == notConnected; }))
        << "the tip did not turn to Not Connected";
    // The movement ends with the line: the pointer stays where it came to rest.
    EXPECT_TRUE(Eventually([&] {
        const auto before = desktop.Pointer();
        std::this_thread::sleep_for(150ms);
        return desktop.Pointer() == before;
    })) << "the pointer kept moving after the device went away";
    const auto rest = desktop.Pointer();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(desktop.Pointer(), rest) << "the pointer moved again";

    // Nothing is left spinning on the dead line. A resource check, kept generous: a loop on a
    // hung-up descriptor burns a whole second of CPU per second, an idle program next to none.
    ASSERT_TRUE(quillmotion.Running()) << "the program ended when its device went away";
    const double cpuBefore = CpuMilliseconds(quillmotion.Pid());
    std::this_thread::sleep_for(1s);
    const double cpuUsed = CpuMilliseconds(quillmotion.Pid()) - cpuBefore;
    EXPECT_LT(cpuUsed, 100.0) << "CPU time used in one second with the device gone";
}

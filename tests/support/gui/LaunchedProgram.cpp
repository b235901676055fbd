// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include "support/gui/LaunchedProgram.h"

#include <gtest/gtest.h>

#include "SettingsTree.h"
#include "settings/hive/FileHiveRegistry.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace qm::test {

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

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) {
            return condition();
        }
        std::this_thread::sleep_for(25ms);
    }
    return true;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

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

// --- Process ---------------------------------------------------------------------------------

Process::Process(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                 const std::string& folder, const std::string& output) {
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

Process::~Process() {
    if (Running()) {
        ::kill(pid_, SIGTERM);
        WaitForExit(5s);
        if (Running()) {
            ::kill(pid_, SIGKILL);
            WaitForExit(5s);
        }
    }
}

bool Process::Running() {
    Reap();
    return pid_ > 0 && !status_;
}

std::optional<int> Process::WaitForExit(std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (Running() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(10ms);
    }
    return status_;
}

void Process::Reap() {
    if (pid_ <= 0 || status_) {
        return;
    }
    int raw = 0;
    if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
}

// --- Looker ----------------------------------------------------------------------------------

Looker::Looker(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    if (display_ == nullptr) {
        throw std::runtime_error("cannot open " + display);
    }
}

Looker::~Looker() {
    XCloseDisplay(display_);
}

bool Looker::TrayManagerPresent() {
    return XGetSelectionOwner(display_, XInternAtom(display_, "_NET_SYSTEM_TRAY_S0", False)) != None;
}

std::optional<std::pair<unsigned long, std::string>> Looker::FindNamed(const std::string& prefix) {
    return Search(DefaultRootWindow(display_),
                  [&](unsigned long, const std::string& name) { return name.rfind(prefix, 0) == 0; });
}

unsigned long Looker::FindShown(const std::string& name) {
    const auto found = Search(DefaultRootWindow(display_), [&](unsigned long window, const std::string& its) {
        return its == name && Viewable(window);
    });
    return found ? found->first : 0;
}

unsigned long Looker::WaitShown(const std::string& name) {
    unsigned long window = 0;
    Eventually([&] { return (window = FindShown(name)) != 0; });
    return window;
}

bool Looker::Viewable(unsigned long window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

std::pair<int, int> Looker::ToRoot(unsigned long window, int x, int y) {
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), x, y, &rootX, &rootY, &child);
    return {rootX, rootY};
}

std::pair<int, int> Looker::Centre(unsigned long window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window, &attributes);
    return ToRoot(window, attributes.width / 2, attributes.height / 2);
}

std::pair<std::pair<int, int>, unsigned> Looker::QueryPointer() {
    Window root = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    int winX = 0;
    int winY = 0;
    unsigned mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &winX, &winY, &mask);
    return {{x, y}, mask};
}

std::pair<int, int> Looker::Pointer() {
    return QueryPointer().first;
}

unsigned Looker::ButtonsDown() {
    return QueryPointer().second & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask);
}

int Looker::KeysDown() {
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    int down = 0;
    for (const char byte : keys) {
        for (int bit = 0; bit < 8; ++bit) {
            down += (static_cast<unsigned char>(byte) >> bit) & 1;
        }
    }
    return down;
}

void Looker::Close(unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}

std::string Looker::NameOf(unsigned long window) {
    // Qt names its windows in UTF-8 (_NET_WM_NAME).
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

std::optional<std::pair<unsigned long, std::string>> Looker::Search(
    unsigned long window, const std::function<bool(unsigned long, const std::string&)>& wanted) {
    const std::string name = NameOf(window);
    if (!name.empty() && wanted(window, name)) {
        return std::make_pair(window, name);
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) {
        return std::nullopt;
    }
    std::optional<std::pair<unsigned long, std::string>> found;
    for (unsigned i = 0; i < count && !found; ++i) {
        found = Search(children[i], wanted);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

// --- LaunchedProgram -------------------------------------------------------------------------

namespace {

void SetValue(RegistryApi& registry, const std::string& key, const std::string& name, DWORD type,
              const std::string& data) {
    std::string error;
    const auto value = SettingsTree::ParseValue(type, {data}, error);
    if (!value || !SettingsTree::WriteValue(registry, key, name, *value).Ok()) {
        throw std::runtime_error("cannot set " + key + "\\" + name + ": " + error);
    }
}

void PointLink(const fs::path& link, const std::string& target) {
    std::error_code ignored;
    fs::remove(link, ignored);
    fs::create_symlink(target, link);
}

}  // namespace

std::string LaunchedProgram::Missing() {
    for (const char* program : {"Xvfb", "trayer", "xdotool"}) {
        if (FindOnPath(program).empty()) {
            return std::string(program) + " is not installed";
        }
    }
    if (std::getenv("QM_BIN_DIR") == nullptr) {
        return "QM_BIN_DIR does not name the folder of the built program";
    }
    return {};
}

LaunchedProgram::LaunchedProgram(const LaunchOptions& options)
    : hive_(dir_.File("HKEY_LOCAL_MACHINE.reg")),
      program_path_(dir_.File("quillmotion")),
      devicePath_(dir_.File("switch-device")),
      line_(std::make_unique<PtyPair>()),
      xvfb_(options.screenWidth, options.screenHeight),
      looker_(xvfb_.Display()) {
    fs::copy_file(fs::path(std::getenv("QM_BIN_DIR")) / "quillmotion", program_path_);
    fs::create_directories(dir_.Path() / "config");
    PointLink(devicePath_, line_->DevicePath());
    {
        FileHiveRegistry registry(hive_, std::string());
        if (!SettingsTree::EnsureTree(registry).Ok() ||
            !SettingsTree::MapPort(registry, "COM7:", devicePath_).Ok()) {
            throw std::runtime_error("cannot make the settings tree in " + hive_);
        }
        SetValue(registry, "", "ConnectOnApplicationStartup", REG_DWORD, options.connectOnStart ? "1" : "0");
        SetValue(registry, "", "TracingEnabled", REG_DWORD, options.tracing ? "1" : "0");
        SetValue(registry, "", "ReconnectAutomatically", REG_DWORD, options.reconnect ? "1" : "0");
        SetValue(registry, "Ports\\LastPort", "PortName", REG_SZ, "COM7:");
        SetValue(registry, "Mouse\\Movement", "MovementDelay", REG_DWORD,
                 std::to_string(options.movementDelay));
        for (const auto& [key, name, type, data] : options.values) {
            SetValue(registry, key, name, type, data);
        }
    }
}

LaunchedProgram::~LaunchedProgram() = default;

void LaunchedProgram::Start() {
    // The area comes after the test's own windows, so that it stays above them.
    if (!tray_) {
        tray_ = std::make_unique<Process>(
            std::vector<std::string>{FindOnPath("trayer"), "--edge", "top", "--align", "right", "--widthtype",
                                     "request", "--height", "24", "--SetDockType", "true", "--transparent",
                                     "false"},
            std::vector<std::string>{"DISPLAY=" + Display()});
        if (!Eventually([&] { return looker_.TrayManagerPresent(); })) {
            throw std::runtime_error("trayer gave the display no notification area");
        }
    }
    program_ = StartCopy();
}

std::unique_ptr<Process> LaunchedProgram::StartCopy() {
    return std::make_unique<Process>(
        std::vector<std::string>{program_path_},
        std::vector<std::string>{"DISPLAY=" + Display(), "QUILLMOTION_HIVE=" + hive_, "QT_QPA_PLATFORM=xcb",
                                 "XDG_CONFIG_HOME=" + (dir_.Path() / "config").string(),
                                 "XDG_RUNTIME_DIR=" + dir_.Path().string(),
                                 // Under the sanitizers: leaks inside system libraries are not the program's.
                                 "LSAN_OPTIONS=suppressions=" QM_E2E_LSAN_SUPPRESSIONS},
        dir_.Path().string(), dir_.File("program-output.txt"));
}

void LaunchedProgram::ReplaceLine() {
    auto next = std::make_unique<PtyPair>();
    PointLink(devicePath_, next->DevicePath());
    line_ = std::move(next);
}

std::string LaunchedProgram::Log() const {
    return ReadFile(dir_.File("log.txt"));
}

std::string LaunchedProgram::Output() const {
    return ReadFile(dir_.File("program-output.txt"));
}

int LaunchedProgram::Xdotool(const std::string& arguments) const {
    const std::string command =
        "DISPLAY=" + Display() + " " + FindOnPath("xdotool") + " " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str());
}

std::string LaunchedProgram::TrayTip() {
    const auto icon = looker_.FindNamed("Quillmotion Enabled\n");
    return icon ? icon->second : std::string();
}

bool LaunchedProgram::WaitConnected() {
    return Eventually([&] { return TrayTip().rfind("Quillmotion Enabled\nConnected to COM7: at ", 0) == 0; });
}

}  // namespace qm::test

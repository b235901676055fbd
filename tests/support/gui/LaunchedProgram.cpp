#include "support/gui/LaunchedProgram.h"

#include "SettingsTree.h"
#include "settings/hive/FileHiveRegistry.h"

#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace qm::test {

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
    clockid_t clock{};
    timespec used{};
    if (::clock_getcpuclockid(pid, &clock) != 0 || ::clock_gettime(clock, &used) != 0) {
        return 0;
    }
    return static_cast<double>(used.tv_sec) * 1000.0 + static_cast<double>(used.tv_nsec) / 1e6;
}

namespace {

void SetValue(RegistryApi& registry, const std::string& key, const std::string& name, DWORD type,
              const std::string& data) {
    std::string error;
    const auto value = SettingsTree::ParseValue(type, {data}, error);
    if (!value || !SettingsTree::WriteValue(registry, key, name, *value).Ok()) {
        throw std::runtime_error("cannot set " + key + "\\" + name + ": " + error);
    }
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
      looker_(xvfb_.Display()),
      environment_(options.environment) {
    fs::copy_file(fs::path(std::getenv("QM_BIN_DIR")) / "quillmotion", program_path_);
    fs::create_directories(dir_.Path() / "config");
    line_->LinkAt(devicePath_);
    {
        FileHiveRegistry registry(hive_);
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
        for (const std::string& value : options.values) {
            std::istringstream fields(value);
            std::string key, name, number;
            fields >> key >> name >> number;
            SetValue(registry, key, name, REG_DWORD, number);
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
    std::vector<std::string> environment{
        "DISPLAY=" + Display(), "QUILLMOTION_HIVE=" + hive_, "QT_QPA_PLATFORM=xcb",
        "XDG_CONFIG_HOME=" + (dir_.Path() / "config").string(), "XDG_RUNTIME_DIR=" + dir_.Path().string(),
        // Under the sanitizers: leaks inside system libraries are not the program's.
        "LSAN_OPTIONS=suppressions=" QM_E2E_LSAN_SUPPRESSIONS};
    environment.insert(environment.end(), environment_.begin(), environment_.end());
    return std::make_unique<Process>(std::vector<std::string>{program_path_}, environment,
                                     dir_.Path().string(), dir_.File("program-output.txt"));
}

void LaunchedProgram::ReplaceLine() {
    auto next = std::make_unique<PtyPair>();
    next->LinkAt(devicePath_);
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

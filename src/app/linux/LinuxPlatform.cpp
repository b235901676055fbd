#include "app/linux/LinuxPlatform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "desktop/wayland/WlrootsDesktop.h"
#include "desktop/x11/XTestDesktop.h"
#include "diag/Cp1252.h"
#include "ports/linux/LinuxPortSystem.h"
#include "ports/qt/QtSerialControl.h"

namespace qm {
namespace {

// The write end of the exit-request pipe, for the signal handler.
int exitRequestWriter = -1;

extern "C" void RequestExit(int) {
    const int saved = errno;
    const char request = 1;
    // A full pipe already holds a request: one is enough.
    static_cast<void>(::write(exitRequestWriter, &request, 1));
    errno = saved;
}

}  // namespace

std::string SettingsStoreProblem(const FileHiveRegistry& registry) {
    std::string error = registry.LastError();
    if (!error.empty()) {
        return Cp1252FromUtf8(error);
    }
    const std::string file = registry.HiveFilePath(HKEY_LOCAL_MACHINE);
    std::error_code ignored;
    if (!std::filesystem::exists(file, ignored)) {
        return Cp1252FromUtf8("The settings file " + file +
                              " does not exist. Create it with \"quillmotion-settings init\".");
    }
    return {};
}

LinuxPlatform::LinuxPlatform() : LinuxPlatform(FileHiveRegistry::DefaultLocalMachineFile()) {}

LinuxPlatform::LinuxPlatform(std::string hiveFile) : registry_(std::move(hiveFile)) {}

LinuxPlatform::~LinuxPlatform() = default;

std::string LinuxPlatform::SettingsStoreProblem() {
    return qm::SettingsStoreProblem(registry_);
}

std::unique_ptr<Desktop> LinuxPlatform::MakeDesktop() {
    if (const char* forced = std::getenv("QUILLMOTION_DESKTOP");
        forced != nullptr && std::string(forced) == "wlroots") {
        return std::make_unique<WlrootsDesktop>();
    }
    return std::make_unique<XTestDesktop>();
}

std::unique_ptr<SerialControl> LinuxPlatform::MakeSerialControl() {
    return std::make_unique<QtSerialControl>([this](std::int16_t port) { return DeviceForPort(port); });
}

PortSystem& LinuxPlatform::ListPorts() {
    ports_ = MakeLinuxPortSystem(registry_);
    return *ports_;
}

std::string LinuxPlatform::DeviceForName(const std::string& portName) const {
    const std::optional<std::string> device = ports_ ? ports_->Map().DeviceForName(portName) : std::nullopt;
    return device.value_or(std::string());
}

std::string LinuxPlatform::DeviceForPort(std::int16_t port) const {
    const std::optional<std::string> device = ports_ ? ports_->Map().DeviceForPort(port) : std::nullopt;
    return device.value_or(std::string());
}

int LinuxPlatform::ExitRequests() {
    static int reader = -1;
    if (reader >= 0) {
        return reader;
    }
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
    }
    reader = ends[0];
    exitRequestWriter = ends[1];
    struct sigaction action {};
    action.sa_handler = RequestExit;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
    return reader;
}

void LinuxPlatform::TakeExitRequest() {
    char requests[16];
    while (::read(ExitRequests(), requests, sizeof requests) > 0) {
    }
}

std::unique_ptr<Platform> MakePlatform() {
    return std::make_unique<LinuxPlatform>();
}

}  // namespace qm

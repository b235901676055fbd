#include "app/linux/LinuxPlatform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include <QGuiApplication>
#include <QScreen>

#include "app/linux/AbnormalEndRelease.h"
#include "app/linux/DesktopChoice.h"
#include "desktop/remote/MutterDesktop.h"
#include "desktop/remote/PortalDesktop.h"
#include "desktop/uinput/UinputDesktop.h"
#include "desktop/wayland/WlrootsDesktop.h"
#include "desktop/x11/XTestDesktop.h"
#include "diag/Cp1252.h"
#include "diag/RaisedError.h"
#include "ports/linux/LinuxPortSystem.h"
#include "ports/qt/QtSerialControl.h"
#include "settings/SettingsLayout.h"
#include "settings/clsRegistry.h"

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

std::string LinuxPlatform::DesktopSetting(const char* name) {
    const Variant value = clsRegistry(registry_).getValue(HKEY_LOCAL_MACHINE, layout::kBaseKey, name);
    return value.GetKind() == Variant::Kind::String ? value.ToText() : std::string();
}

namespace {

// Where the portal's permission is kept from one start to the next.
constexpr const char* kRestoreToken = "RemoteDesktopRestoreToken";

// A kernel device knows no screen: the one the window system gives the program is the best guess.
Size PrimaryScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {};
    }
    const QSize pixels = screen->size() * screen->devicePixelRatio();
    return {pixels.width(), pixels.height()};
}

}  // namespace

std::unique_ptr<Desktop> LinuxPlatform::MakeBackend(DesktopBackend backend) {
    switch (backend) {
        case DesktopBackend::X11:
            return std::make_unique<XTestDesktop>();
        case DesktopBackend::Uinput:
            return std::make_unique<UinputDesktop>(PrimaryScreenSize());
        case DesktopBackend::Portal:
            // The portal may let a carer's consent stand for later starts: its token is the
            // permission, kept with the settings.
            return std::make_unique<PortalDesktop>(
                DesktopSetting(kRestoreToken), [this](const std::string& token) {
                    clsRegistry(registry_).setValue(HKEY_LOCAL_MACHINE, layout::kBaseKey, kRestoreToken,
                                                    token, REG_SZ);
                });
        case DesktopBackend::Mutter:
            return std::make_unique<MutterDesktop>();
        case DesktopBackend::Wlroots:
            return std::make_unique<WlrootsDesktop>();
    }
    throw RaisedError(err::InvalidProcedureCall, "LinuxPlatform", "no such desktop input");
}

std::unique_ptr<Desktop> LinuxPlatform::MakeDesktop() {
    const SessionFacts session = SessionFacts::FromEnvironment(DesktopSetting("DesktopBackend"));
    ChosenDesktop chosen =
        ChooseDesktop(session, [this](DesktopBackend backend) { return MakeBackend(backend); });
    desktopReport_ = Cp1252FromUtf8(chosen.report);
    desktopNote_ = Cp1252FromUtf8(chosen.note);
    return std::move(chosen.desktop);
}

std::unique_ptr<HeldInputGuard> LinuxPlatform::GuardHeldInput(Desktop& desktop) {
    return std::make_unique<AbnormalEndRelease>(desktop);
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

#include "app/Program.h"

#include <QApplication>
#include <filesystem>
#include <optional>

#include "app/StartupSequence.h"
#include "app/qt/QtEventPump.h"
#include "app/qt/QtTimer.h"
#include "diag/Cp1252.h"
#include "diag/RaisedError.h"
#include "mouse/x11/XTestInjector.h"
#include "ports/PortAPI.h"
#include "ports/linux/LinuxPortSystem.h"
#include "ports/qt/QtSerialControl.h"
#include "settings/SettingsRecord.h"
#include "settings/hive/FileHiveRegistry.h"
#include "settings/modSettings.h"
#include "ui/Pictures.h"
#include "ui/QtTrayIcon.h"
#include "ui/common/Ansi.h"
#include "ui/common/MessageBoxService.h"
#include "ui/frmSerial.h"

namespace qm {

std::vector<PortListEntry> PortRows(const std::vector<PortInfo>& ports, const DeviceMap& map) {
    std::vector<PortListEntry> rows;
    rows.reserve(ports.size());
    for (const PortInfo& port : ports) {
        const std::optional<std::string> device = map.DeviceForName(port.Name);
        // Device paths are in the system's encoding; the window's texts are ANSI.
        rows.push_back({port.Name, port.InUse, device ? Cp1252FromUtf8(*device) : std::string()});
    }
    return rows;
}

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

struct Program::Parts {
    FileHiveRegistry registry{FileHiveRegistry::DefaultLocalMachineFile()};
    SettingsRecord record;
    modSettings settings{record, registry};
    // Built when the ports are listed, from the device map in the settings tree of that moment.
    std::unique_ptr<LinuxPortSystem> portSystem;
    std::unique_ptr<modPortAPI> portApi;
    QtSerialControl serial{[this](std::int16_t port) -> std::string {
        if (!portSystem) {
            return {};
        }
        const std::optional<std::string> device = portSystem->Map().DeviceForPort(port);
        return device ? *device : std::string();
    }};
    std::unique_ptr<XTestInjector> injector;
    QtTimer tmrMouseMovement;
    QtEventPump pump;
    QtTrayIcon tray{ApplicationIcon()};
    std::unique_ptr<frmSerial> window;

    std::int16_t GetAvailablePorts(std::vector<PortListEntry>& rows) {
        portSystem = MakeLinuxPortSystem(registry);
        portApi = std::make_unique<modPortAPI>(*portSystem, record);
        std::vector<PortInfo> ports;
        const std::int16_t count = portApi->GetAvailablePorts(ports);
        rows = PortRows(ports, portSystem->Map());
        return count;
    }
};

Program::Program() : parts_(std::make_unique<Parts>()) {}

Program::~Program() = default;

int Program::Run(QApplication& app) {
    Parts& p = *parts_;
    app.setQuitOnLastWindowClosed(false);
    try {
        p.injector = std::make_unique<XTestInjector>();
    } catch (const RaisedError& error) {
        MsgBox(nullptr, FromAnsi("Could not reach the desktop's input: " + error.Description()),
               MsgIcon::Critical);
        return 1;
    }

    frmSerial::Parts parts;
    parts.settings = &p.record;
    parts.SetSettings = [&p] { return p.settings.SetSettings(); };
    parts.Terminate = [&p] { p.settings.Terminate(); };
    parts.mscSerial = &p.serial;
    parts.tray = &p.tray;
    parts.injector = p.injector.get();
    parts.tmrMouseMovement = &p.tmrMouseMovement;
    parts.pump = &p.pump;
    parts.registry = &p.registry;
    p.window = std::make_unique<frmSerial>(parts);
    frmSerial& window = *p.window;
    QObject::connect(&window, &frmSerial::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    // A session that ends the program (log-off) still closes the port and releases the settings.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &frmSerial::Form_Unload);

    StartupParts startup;
    startup.GetSettings = [&p] { return p.settings.GetSettings(); };
    startup.SettingsStoreError = [&p] { return SettingsStoreProblem(p.registry); };
    startup.settings = &p.record;
    startup.GetAvailablePorts = [&p](std::vector<PortListEntry>& rows) { return p.GetAvailablePorts(rows); };
    StartupSequence sequence(window, startup);
    if (!sequence.Form_Load()) {
        return 1;
    }
    if (window.IsUnloaded()) {
        return 0;
    }
    if (window.isMinimized()) {
        // Minimised by a start-up option: in the tray when there is one, else on the task bar.
        if (!p.tray.AreaAvailable()) {
            window.showMinimized();
        }
    } else {
        window.show();
    }
    return app.exec();
}

}  // namespace qm

#include "app/Program.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <iostream>

#include "app/CommandLine.h"
#include "app/Platform.h"
#include "app/RoadCodeListening.h"
#include "app/Session.h"
#include "app/SingleInstance.h"
#include "app/StartupSequence.h"
#include "app/qt/QtEventPump.h"
#include "app/qt/QtTimer.h"
#include "app/qt/SettingsFileWatcher.h"
#include "desktop/Desktop.h"
#include "diag/Cp1252.h"
#include "diag/RaisedError.h"
#include "ports/PortAPI.h"
#include "ports/SerialControl.h"
#include "road/Road.h"
#include "settings/SettingsRecord.h"
#include "settings/modSettings.h"
#include "ui/QtTrayIcon.h"
#include "ui/common/Ansi.h"
#include "ui/common/MessageBoxService.h"
#include "ui/frmSerial.h"

namespace qm {

// Declared in the order of building; destroyed in the reverse, after the event loop.
struct Program::Parts {
    std::unique_ptr<Platform> platform = MakePlatform();
    SettingsRecord record;
    modSettings settings{record, platform->Registry(), platform->LogOnStart()};
    std::unique_ptr<modPortAPI> portApi;
    std::unique_ptr<SerialControl> serial = platform->MakeSerialControl();
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<HeldInputGuard> heldInputGuard;
    QtTimer tmrMouseMovement;
    QtTimer tmrReconnect;
    QtEventPump pump;
    std::unique_ptr<Road> road;
    std::unique_ptr<Session> session;
    std::unique_ptr<RoadCodeListening> codeListening;
    QtTrayIcon tray{QCoreApplication::instance()};
    std::unique_ptr<frmSerial> window;
    std::unique_ptr<QSocketNotifier> exitRequests;
    std::unique_ptr<SettingsFileWatcher> settingsWatcher;

    // The system asked the program to end. The request may be seen inside the road's
    // pending-events call; the unload then waits until that call has unwound, so that the road's
    // work in hand ends before the unload and the log ends with it.
    void UnloadOnceUnwound() {
        if (pump.Pumping()) {
            QTimer::singleShot(0, window.get(), [this] { UnloadOnceUnwound(); });
        } else {
            window->Form_Unload();
        }
    }

    // Values another program stored. Not inside a character's pending-events call, nor while a
    // dialog is open, which hands the window back its values when it closes: they wait till then.
    bool TakeOutsideChanges() {
        if (pump.Pumping() || QApplication::activeModalWidget() != nullptr) {
            return false;
        }
        const SettingsRecord before = record;
        if (!window->IsUnloaded() && settings.TakeOutsideChanges()) {
            window->TakeOutsideChanges(before);
        }
        return true;
    }

    std::int16_t GetAvailablePorts(std::vector<PortListEntry>& rows) {
        portApi = std::make_unique<modPortAPI>(platform->ListPorts(), record);
        std::vector<PortInfo> ports;
        const std::int16_t count = portApi->GetAvailablePorts(ports);
        rows.clear();
        rows.reserve(ports.size());
        for (const PortInfo& port : ports) {
            // Device paths are in the system's encoding; the window's texts are ANSI.
            rows.push_back({port.Name, port.InUse, Cp1252FromUtf8(platform->DeviceForName(port.Name))});
        }
        return count;
    }
};

Program::Program() = default;

Program::~Program() = default;

int Program::Run(QApplication& app) {
    // Before anything is built: a second copy must touch neither the log, the port nor the settings.
    instance_ = std::make_unique<SingleInstance>();
    if (!instance_->Claim()) {
        return 0;
    }
    parts_ = std::make_unique<Parts>();
    Parts& p = *parts_;
    app.setQuitOnLastWindowClosed(false);
    try {
        p.desktop = p.platform->MakeDesktop();
    } catch (const RaisedError& error) {
        // The log is not started yet: standard error keeps the reason for whoever helps the user.
        const std::string message = "Could not reach the desktop's input: " + error.Description();
        std::cerr << Utf8FromCp1252(message) << '\n';
        MsgBox(nullptr, FromAnsi(message), MsgIcon::Critical);
        return 1;
    }
    p.heldInputGuard = p.platform->GuardHeldInput(*p.desktop);

    Road::Parts road;
    road.settings = &p.record;
    road.mscSerial = p.serial.get();
    road.desktop = p.desktop.get();
    road.tmrMouseMovement = &p.tmrMouseMovement;
    road.pump = &p.pump;
    p.road = std::make_unique<Road>(road);

    Session::Parts session;
    session.settings = &p.record;
    session.mscSerial = p.serial.get();
    session.road = p.road.get();
    session.tmrReconnect = &p.tmrReconnect;
    session.Terminate = [&p] { p.settings.Terminate(); };
    p.session = std::make_unique<Session>(std::move(session));
    p.codeListening = std::make_unique<RoadCodeListening>(*p.road, *p.session);

    frmSerial::Parts parts;
    parts.settings = &p.record;
    parts.SetSettings = [&p] { return p.settings.SetSettings(); };
    parts.LastSaveProblem = [&p] { return p.settings.LastSaveProblem(); };
    parts.Unsaved = [&p] { return p.settings.Unsaved(); };
    parts.tray = &p.tray;
    parts.road = p.road.get();
    parts.session = p.session.get();
    parts.codeListening = p.codeListening.get();
    parts.registry = &p.platform->Registry();
    parts.desktopInput = p.platform->DesktopReport();
    parts.desktopNote = p.platform->DesktopNote();
    p.window = std::make_unique<frmSerial>(parts);
    frmSerial& window = *p.window;
    // The unload may run nested inside a character's pending-events call: the quit is queued,
    // so the event loop returns only once that call has unwound, and the parts live until then.
    // It ends every event loop running, a modal box's among them, and does so during start-up
    // too, before the program's own loop runs (quit() does nothing until then).
    QObject::connect(
        &window, &frmSerial::unloaded, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    // A session that ends the program (log-off) still closes the port and releases the settings.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &frmSerial::Form_Unload);
    // A later start of the program brings this copy's window to the front instead.
    QObject::connect(instance_.get(), &SingleInstance::ShowRequested, &window,
                     &frmSerial::mnuFileProperties_Click);
    // So does the system asking the program to end (a desktop session ending, kill, Ctrl+C).
    const int exitRequests = p.platform->ExitRequests();
    if (exitRequests >= 0) {
        p.exitRequests = std::make_unique<QSocketNotifier>(exitRequests, QSocketNotifier::Read);
        QObject::connect(p.exitRequests.get(), &QSocketNotifier::activated, &window, [&p] {
            p.platform->TakeExitRequest();
            p.UnloadOnceUnwound();
        });
    }

    StartupParts startup;
    startup.GetSettings = [&p] { return p.settings.GetSettings(); };
    startup.SettingsStoreError = [&p] { return p.platform->SettingsStoreProblem(); };
    startup.SettingsLoadError = [&p] { return p.settings.LastLoadProblem(); };
    startup.settings = &p.record;
    startup.road = p.road.get();
    startup.session = p.session.get();
    startup.GetAvailablePorts = [&p](std::vector<PortListEntry>& rows) { return p.GetAvailablePorts(rows); };
    // The log is started afresh by the start-up, so the choice of desktop input is logged there.
    startup.sessionNote = p.platform->DesktopReport();
    p.tray.SetNote(p.platform->DesktopNote());
    StartupSequence sequence(window, startup);
    if (!sequence.Form_Load()) {
        return 1;
    }
    if (window.IsUnloaded()) {
        return 0;
    }
    // What quillmotion-settings sets while the program runs takes effect at once, and an Apply
    // of other values leaves it as it is.
    if (const std::string file = p.platform->SettingsFile(); !file.empty()) {
        p.settingsWatcher =
            std::make_unique<SettingsFileWatcher>(file, [&p] { return p.TakeOutsideChanges(); });
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

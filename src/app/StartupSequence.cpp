#include "app/StartupSequence.h"

#include "app/Session.h"
#include "diag/CaughtError.h"
#include "diag/Trace.h"
#include "road/Road.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsRecord.h"
#include "ui/StatusDisplay.h"
#include "ui/common/Ansi.h"
#include "ui/common/MessageBoxService.h"
#include "ui/frmSerial.h"

namespace qm {
namespace {

constexpr const char* kFormLoad = "frmSerial.Form_Load";

}  // namespace

StartupSequence::StartupSequence(frmSerial& window, StartupParts parts)
    : window_(window), parts_(std::move(parts)) {}

bool StartupSequence::Fail(const std::string& message) {
    MsgBox(&window_, FromAnsi(message), MsgIcon::Critical);
    window_.Form_Unload();
    return false;
}

bool StartupSequence::Form_Load() {
    modTrace::TraceSwitchForStartUp();
    modTrace::DeleteLogFile();
    Trace(kFormLoad, TraceEntry, "");
    Trace(kFormLoad, TraceMessage, "Deleting previous log file...");
    if (!parts_.sessionNote.empty()) {
        Trace(kFormLoad, TraceMessage, parts_.sessionNote);
    }
    try {
        parts_.road->ClearReceivedBuffer();

        if (!parts_.GetSettings()) {
            // No setting says otherwise: tracing stays on, standard error included.
            modTrace::TraceSwitch(true);
            std::string message = "Could not retrieve one or more system settings";
            std::string detail = parts_.SettingsStoreError ? parts_.SettingsStoreError() : std::string();
            if (detail.empty() && parts_.SettingsLoadError) {
                detail = parts_.SettingsLoadError();
            }
            if (!detail.empty()) {
                message += "\r\n\r\n" + detail;
            }
            return Fail(message);
        }
        const SettingsRecord& settings = *parts_.settings;
        modTrace::TraceSwitch(settings.TracingEnabled() != 0);

        if (!window_.Status().InitialiseSysTray()) {
            return Fail("Could not initialise Systray Icon");
        }
        if (parts_.GetAvailablePorts(window_.Ports()) == 0) {
            return Fail("Could not detect communications ports");
        }
        if (!window_.LoadPortsList()) {
            return Fail("Could not Load ports list");
        }
        if (!window_.Status().UpdateTrayIconInfo()) {
            return Fail("Could not display Port Settings");
        }

        if (!window_.Reset()) {
            if (!window_.MissingSavedPort()) {
                // Reset has told the user already.
                window_.Form_Unload();
                return false;
            }
            // The window stays on screen so that another port can be chosen, and nothing is
            // opened by itself: the saved port is not there to open.
            const std::string& saved = *window_.MissingSavedPort();
            MsgBox(&window_,
                   FromAnsi((saved.empty()
                                 ? std::string("No saved port could be read from HKEY_LOCAL_MACHINE\\") +
                                       layout::kBaseKey + "Ports\\LastPort\\PortName."
                                 : "The saved port " + saved + " is not among the ports of this computer.") +
                            "\r\n\r\nChoose another port on the General tab, then press Apply or OK."),
                   MsgIcon::Exclamation);
            Trace(kFormLoad, TraceExit, "");
            return true;
        }

        if (settings.ConnectOnApplicationStartup() == 1) {
            window_.MinimiseWindow();
            parts_.session->ConnectAtStartup(window_.PendingPort(), &window_);
        }
        if (settings.RunOnSystemStartup() == 1) {
            window_.MinimiseWindow();
        }
        Trace(kFormLoad, TraceExit, "");
    } catch (...) {
        // The remaining steps are skipped and the window stays loaded.
        Trace(kFormLoad, TraceError, TrappedErrorDescription());
    }
    return true;
}

}  // namespace qm

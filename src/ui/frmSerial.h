#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/PendingState.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace qm {

class CodeListening;
class ExitQuestion;
class frmAbout;
class GeneralTab;
class RegistryApi;
class PortListView;
class Road;
class SessionControl;
class SettingsRecord;
class StatusDisplay;
class TrayIcon;
struct PortChoice;

// One row of the port list: the port name (the row's key and text), whether the open test found
// it held by another program, and the device the name stands for on this system.
struct PortListEntry {
    std::string Name;
    bool InUse = false;
    std::string Device;
};

// The program's one window, "Quillmotion : Properties": the tabbed settings editor with its
// pending edits, the tray icon's handlers, and the place where shutdown starts. The road of a
// character and the connection are the program's, not the window's: the window shows what the
// road and the session report, asks the session to connect with what its controls hold, and
// lends the road the working delay and bounce angle.
//
// Start-up is not here: the load sequence drives this window through its public methods.
//
// Pending edits live in two places: the line-setting lists, the selected port and the emulation
// check box hold theirs in the controls; every other setting is edited in Working(). Whoever
// changes a pending value calls CheckDirty() right after, which compares values (not edits) with
// the applied settings and enables Apply.
//
// The code editors on the Mouse tab and the translation tool on the Diagnostics tab are their
// own widgets, placed in the window's frames; the dialogs are opened by the window's click
// handlers, which hand them the working copy and take it back.
class frmSerial : public QWidget {
    Q_OBJECT
public:
    // What the window works with; every part must outlive the window.
    struct Parts {
        SettingsRecord* settings = nullptr;            // the applied settings
        std::function<bool()> SetSettings;             // saves the applied settings
        std::function<std::string()> LastSaveProblem;  // why the last save failed; may be empty
        std::function<bool()> Unsaved;                 // whether an applied value is not saved; may be empty
        TrayIcon* tray = nullptr;                      // the notification-area icon
        Road* road = nullptr;                          // the road of a character
        SessionControl* session = nullptr;             // the connection's life
        RegistryApi* registry = nullptr;               // what the About box reads; may be null
        std::string desktopInput;                      // which desktop input is in use (ANSI); may be empty
        std::string desktopNote;  // what the desktop input leaves the user to know (ANSI); may be empty
        CodeListening* codeListening = nullptr;  // the code editors' "Press the switch"; may be null
    };

    explicit frmSerial(Parts parts, QWidget* parent = nullptr);
    ~frmSerial() override;
    frmSerial(const frmSerial&) = delete;
    frmSerial& operator=(const frmSerial&) = delete;

    // --- Properties window -------------------------------------------------------------------
    void CheckDirty();
    bool SetProperties();
    bool Reset();
    // The applied settings took values another program stored; before holds them as they were.
    // Every pending value the user has not edited follows them, the others stay as edited.
    void TakeOutsideChanges(const SettingsRecord& before);
    bool Dirty() const { return dirty_; }
    // The settings edited through dialogs, pending until Apply or OK.
    WorkingCopy& Working() { return working_; }
    const WorkingCopy& Working() const { return working_; }
    // After a Reset that returned false because the saved port is not in the list: its name.
    const std::optional<std::string>& MissingSavedPort() const { return missingSavedPort_; }

    // --- Ports -------------------------------------------------------------------------------
    std::vector<PortListEntry>& Ports() { return ports_; }
    bool LoadPortsList();
    bool ShowPortSettings();
    // What Connect opens: the selected port and the line settings as the lists show them.
    PortChoice PendingPort() const;

    // --- Tray and lifecycle ------------------------------------------------------------------
    // The received list, the count and the tray icon.
    StatusDisplay& Status() { return *status_; }
    // Minimises the window; with a notification area that sends it to the tray.
    void MinimiseWindow();
    // The shutdown sequence; runs once. Emits unloaded() at its end.
    void Form_Unload();
    bool IsUnloaded() const { return unloaded_; }

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdApply_Click();
    void cmdOpenPort_Click();
    void cmdClosePort_Click();
    void cboBaudRate_Change();
    void cboBaudRate_Click() { CheckDirty(); }
    void cboDataBits_Click() { CheckDirty(); }
    void cboParity_Click() { CheckDirty(); }
    void cboStopBits_Click() { CheckDirty(); }
    void cboHandshaking_Click() { CheckDirty(); }
    void lvwPort_ItemClick(QTreeWidgetItem* item);
    void chkASCIISequenceEmulation_Click() { CheckDirty(); }
    void cmdResetBytesReceived_Click();
    // Asks before the program ends (see ExitQuestion); OK unloads the window.
    void cmdExit_Click();
    void mnuFileExit_Click() { cmdExit_Click(); }
    void mnuFileProperties_Click() { ShowNormalInFront(); }
    // The tray icon's double-click: the window in front, in the normal state.
    void RestoreFromTray() { ShowNormalInFront(); }
    void cmdStartupOptions_Click();
    void cmdAbout_Click();
    void cmdMouseAdvanced_Click();
    void cmdMoreCodes_Click();

signals:
    // The window has unloaded: the program ends.
    void unloaded();
    // A pending value may have changed (CheckDirty follows every change): what shows one follows.
    void PendingValuesChanged();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What the controls hold, as CheckDirty reads it.
    PendingControls CurrentControls() const;
    // Hides on minimise when the tray can bring the window back; otherwise leaves it reachable.
    void Form_Resize();
    // The handshaking the code editors warn for (the serial control's value).
    std::int32_t CodeEditorHandshaking() const;
    void WireHandlers();
    // Sets a drop-down list to one of its items; any other text is an error, as it always was.
    static void SetListText(QComboBox* list, const std::string& text);
    // The connection changed: the buttons and the tip follow.
    void SessionChanged();
    void ShowNormalInFront();
    void ShowNotAllSaved();

    // Controls, found from outside by their object names, which are their fields' names.
    // (The General and Diagnostics pages hold theirs.)
    QTabWidget* sstMain = nullptr;
    GeneralTab* general_ = nullptr;
    PortListView* lvwPort = nullptr;
    QComboBox* cboBaudRate = nullptr;
    QComboBox* cboDataBits = nullptr;
    QComboBox* cboParity = nullptr;
    QComboBox* cboStopBits = nullptr;
    QComboBox* cboHandshaking = nullptr;
    QGroupBox* fraButtons = nullptr;
    QGroupBox* fraMovement = nullptr;
    QPushButton* cmdMouseAdvanced = nullptr;
    QPushButton* cmdMoreCodes = nullptr;
    QGroupBox* fraDeviceEmulation = nullptr;
    QCheckBox* chkASCIISequenceEmulation = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

    Parts parts_;
    WorkingCopy working_;
    bool dirty_ = false;
    bool unloaded_ = false;
    std::optional<std::string> missingSavedPort_;
    std::string saveProblem_;         // why the last save of SetProperties failed
    std::string unshownLineSetting_;  // a saved line setting that its list does not offer
    std::vector<PortListEntry> ports_;

    frmAbout* about_ = nullptr;  // while the About box is open
    ExitQuestion* exitQuestion_ = nullptr;
    StatusDisplay* status_ = nullptr;
};

}  // namespace qm

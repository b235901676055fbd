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
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeWidgetItem;
class QVBoxLayout;

namespace qm {

class clsOSInfo;
class frmAbout;
class RegistryApi;
class PortListView;
class PortOptionsFrame;
class Road;
class SerialControl;
class SettingsRecord;
class TrayIcon;

// One row of the port list: the port name (the row's key and text), whether the open test found
// it held by another program, and the device the name stands for on this system.
struct PortListEntry {
    std::string Name;
    bool InUse = false;
    std::string Device;
};

// The program's one window, "Quillmotion : Properties": the tabbed settings editor with its
// pending edits, the tray icon's handlers, and the place where shutdown runs. The road of a
// character is the program's, not the window's: the window shows what the road reports and
// lends it the working delay and bounce angle.
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
        std::function<void()> Terminate;               // releases the settings store at unload
        std::function<std::string()> LastSaveProblem;  // why the last save failed; may be empty
        SerialControl* mscSerial = nullptr;            // the serial control
        TrayIcon* tray = nullptr;                      // the notification-area icon
        Road* road = nullptr;                          // the road of a character
        RegistryApi* registry = nullptr;               // what the About box reads; may be null
    };

    explicit frmSerial(Parts parts, QWidget* parent = nullptr);
    ~frmSerial() override;
    frmSerial(const frmSerial&) = delete;
    frmSerial& operator=(const frmSerial&) = delete;

    // --- Properties window -------------------------------------------------------------------
    void CheckDirty();
    bool SetProperties();
    bool Reset();
    bool Dirty() const { return dirty_; }
    // The settings edited through dialogs, pending until Apply or OK.
    WorkingCopy& Working() { return working_; }
    const WorkingCopy& Working() const { return working_; }
    // What the controls hold, as CheckDirty reads it.
    PendingControls CurrentControls() const;
    // After a Reset that returned false because the saved port is not in the list: its name.
    const std::optional<std::string>& MissingSavedPort() const { return missingSavedPort_; }

    // --- Ports -------------------------------------------------------------------------------
    std::vector<PortListEntry>& Ports() { return ports_; }
    bool LoadPortsList();
    std::int16_t GetComPortNumberFromName(const std::string& portName);
    bool ShowPortSettings();
    bool OpenPort();

    // --- Tray and lifecycle ------------------------------------------------------------------
    bool InitialiseSysTray();
    bool ShellTrayAdd();
    bool ShellTrayModify(const std::string& tip);
    void ShellTrayDelete();
    bool UpdateTrayIconInfo();
    // The tip for the present state: "Quillmotion Enabled", CR LF, then the connection.
    std::string TrayTipText() const;
    // Creates the OS information, and with it the parts of the road that need it.
    void CreateOSInfo();
    // Minimises the window; with a notification area that sends it to the tray.
    void MinimiseWindow();
    // Hides on minimise when the tray can bring the window back; otherwise leaves it reachable.
    void Form_Resize();
    // The shutdown sequence; runs once. Emits unloaded() at its end.
    void Form_Unload();
    bool IsUnloaded() const { return unloaded_; }

    // --- What the road reports -----------------------------------------------------------------
    const std::string& ReceivedBuffer() const;
    std::int32_t BytesReceived() const;
    // Empties the received-characters list (start-up does this before the settings load).
    void ClearReceivedBuffer();

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdApply_Click();
    void cmdOpenPort_Click();
    void cmdClosePort_Click();
    void cboBaudRate_Change();
    void cboBaudRate_Click();
    void cboDataBits_Click();
    void cboParity_Click();
    void cboStopBits_Click();
    void cboHandshaking_Click();
    void lvwPort_ItemClick(QTreeWidgetItem* item);
    void chkASCIISequenceEmulation_Click();
    void cmdResetBytesReceived_Click();
    void cmdExit_Click();
    void mnuFileExit_Click();
    void mnuFileProperties_Click();
    // The control closed the port by itself (the device went away): the window follows.
    void MscSerial_OnClosedByDevice(const std::string& reason);
    // The tray icon's double-click: the window in front, in the normal state.
    void RestoreFromTray();
    void cmdStartupOptions_Click();
    void cmdAbout_Click();
    void cmdMouseAdvanced_Click();
    void cmdMoreCodes_Click();

signals:
    // The window has unloaded: the program ends.
    void unloaded();
    // The mouse moves over the "Movement:" or the "Buttons:" frame itself (for the code editors'
    // hover texts).
    void MovementFrameHovered();
    void ButtonsFrameHovered();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildGeneralTab(QWidget* page);
    void BuildDiagnosticsTab(QWidget* page);
    void BuildMouseTab(QWidget* page);
    // The handshaking the code editors warn for (the serial control's value).
    std::int32_t CodeEditorHandshaking() const;
    void BuildEmulationTab(QWidget* page);
    void WireHandlers();
    // Sets a drop-down list to one of its items; any other text is an error, as it always was.
    static void SetListText(QComboBox* list, const std::string& text);
    void SetConnectedButtons(bool connected);
    void SetReceivedBufferText(const std::string& text);
    void SetBytesReceivedText(const std::string& text);
    // The received list and the count are shown once the event loop turns, with the latest
    // texts, and only in boxes that are on screen (a hidden box takes them when it is shown).
    void ShowReceivedLater();
    void ShowReceived();
    void ShowNormalInFront();
    void ShowNotAllSaved();
    // After a connect: tells once a run which actions the handshaking keeps from arriving.
    void WarnOfSwallowedCodes();

    // Controls, found from outside by their object names, which are their fields' names.
    QTabWidget* sstMain = nullptr;
    PortOptionsFrame* fraPortOptions = nullptr;
    PortListView* lvwPort = nullptr;
    QComboBox* cboBaudRate = nullptr;
    QComboBox* cboDataBits = nullptr;
    QComboBox* cboParity = nullptr;
    QComboBox* cboStopBits = nullptr;
    QComboBox* cboHandshaking = nullptr;
    QPushButton* cmdOpenPort = nullptr;
    QPushButton* cmdClosePort = nullptr;
    QLineEdit* txtBytesReceived = nullptr;
    QPushButton* cmdResetBytesReceived = nullptr;
    QPushButton* cmdStartupOptions = nullptr;
    QPushButton* cmdAbout = nullptr;
    QPushButton* cmdExit = nullptr;
    QGroupBox* fraReceived = nullptr;
    QPlainTextEdit* txtReceivedBuffer = nullptr;
    QGroupBox* fraCharacterTranslation = nullptr;
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
    bool xonXoffWarned_ = false;
    // Why the device of the last failed connect would not open, for the user; empty otherwise.
    std::string openProblem_;
    std::optional<std::string> missingSavedPort_;
    std::vector<PortListEntry> ports_;

    frmAbout* about_ = nullptr;  // while the About box is open

    // The texts for the received list and the count, until their boxes show them.
    // (ANSI, as the road reports them: converted only when shown.)
    std::optional<std::string> receivedText_;
    std::optional<std::string> bytesReceivedText_;
    QTimer* receivedTimer_ = nullptr;  // shows them a moment after they changed
};

}  // namespace qm

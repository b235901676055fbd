#include "ui/frmSerial.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"
#include "ports/LineSettings.h"
#include "ports/PortAPI.h"
#include "road/Road.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsRecord.h"
#include "ui/AccessibleInterfaces.h"
#include "ui/DiagnosticsTab.h"
#include "ui/EmulationTab.h"
#include "ui/ExitQuestion.h"
#include "ui/GeneralTab.h"
#include "ui/MouseTab.h"
#include "ui/NoticeLine.h"
#include "ui/Pictures.h"
#include "ui/PortOptionsFrame.h"
#include "ui/PortSettingsText.h"
#include "ui/SessionControl.h"
#include "ui/StatusDisplay.h"
#include "ui/TrayIcon.h"
#include "ui/WorkingCopyDialogs.h"
#include "ui/common/Ansi.h"
#include "ui/common/MessageBoxService.h"
#include "ui/common/Widgets.h"
#include "ui/frmAbout.h"
#include "ui/frmHelp.h"

namespace qm {
namespace {

constexpr const char* kCheckDirty = "frmSerial.CheckDirty";
constexpr const char* kSetProperties = "frmSerial.SetProperties";
constexpr const char* kReset = "frmSerial.Reset";
constexpr const char* kOK = "frmSerial.cmdOK_Click";
constexpr const char* kCancel = "frmSerial.cmdCancel_Click()";
constexpr const char* kShowPortSettings = "frmSerial.ShowPortSettings";
constexpr const char* kLoadPortsList = "frmSerial.LoadPortsList";
constexpr const char* kFormUnload = "frmSerial.Form_Unload";

constexpr const char* kNotCheckingMessage =
    "Not Checking as form is not visible : therefore combo boxes may not be populated";
constexpr const char* kNotAllSaved = "Not all properties were saved.  Please try again";

const char* BoolText(bool value) {
    return value ? "True" : "False";
}

[[noreturn]] void RaiseObjectNotSet() {
    throw RaisedError(91, "frmSerial", "Object variable or With block variable not set");
}

}  // namespace

frmSerial::frmSerial(Parts parts, QWidget* parent) : QWidget(parent), parts_(std::move(parts)) {
    InstallAccessibleInterfaces();
    setObjectName(QStringLiteral("frmSerial"));
    setWindowTitle(QStringLiteral("Quillmotion : Properties"));
    setWindowIcon(ApplicationIcon());

    sstMain = new QTabWidget(this);
    sstMain->setObjectName(QStringLiteral("sstMain"));
    general_ = new GeneralTab(sstMain);
    auto* diagnostics = new DiagnosticsTab(sstMain);
    // The code editors warn of codes that Xon/Xoff handshaking would keep from the program.
    auto* mouse = new MouseTab(
        &working_, [this] { return CodeEditorHandshaking(); }, parts_.codeListening, sstMain);
    fraButtons = mouse->fraButtons;
    fraMovement = mouse->fraMovement;
    cmdMoreCodes = mouse->cmdMoreCodes;
    cmdMouseAdvanced = mouse->cmdMouseAdvanced;
    // Every code dialog, OK or Cancel, may have changed a pending value.
    connect(mouse, &MouseTab::CodesEdited, this, &frmSerial::CheckDirty);
    connect(this, &frmSerial::PendingValuesChanged, mouse, &MouseTab::ShowCodes);
    auto* emulation = new EmulationTab(sstMain);
    fraDeviceEmulation = emulation->fraDeviceEmulation;
    chkASCIISequenceEmulation = emulation->chkASCIISequenceEmulation;
    // The port frame's controls are the ones the window reads most.
    lvwPort = general_->fraPortOptions->lvwPort;
    cboBaudRate = general_->fraPortOptions->cboBaudRate;
    cboDataBits = general_->fraPortOptions->cboDataBits;
    cboParity = general_->fraPortOptions->cboParity;
    cboStopBits = general_->fraPortOptions->cboStopBits;
    cboHandshaking = general_->fraPortOptions->cboHandshaking;
    sstMain->addTab(general_, QStringLiteral("General"));
    sstMain->addTab(diagnostics, QStringLiteral("Diagnostics"));
    sstMain->addTab(mouse, QStringLiteral("Mouse"));
    sstMain->addTab(emulation, QStringLiteral("Emulation"));

    cmdOK = MakeButton(this, "cmdOK", "OK");
    cmdCancel = MakeButton(this, "cmdCancel", "Cancel");
    cmdApply = MakeButton(this, "cmdApply", "Apply");
    cmdApply->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(frmHelp::AddTo(this));  // on the row's free left, where it moves nothing
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sstMain, 1);
    layout->addLayout(buttons);

    exitQuestion_ = new ExitQuestion(this);
    connect(exitQuestion_, &ExitQuestion::Confirmed, this, [this] {
        Form_Unload();
        hide();
    });

    WireHandlers();
    status_ = new StatusDisplay(*parts_.road, *parts_.session, parts_.tray, this);
    status_->ShowIn(diagnostics->txtReceivedBuffer, general_->txtBytesReceived);
    diagnostics->ShowDesktopInput(FromAnsi(parts_.desktopInput));
    general_->lblNotice->Watch(FromAnsi(parts_.desktopNote),
                               [tray = parts_.tray] { return tray == nullptr || tray->AreaAvailable(); });
    parts_.road->SetWorkingValues([this] {
        return MovementWorkingValues{working_.MovementDelay(), working_.BouncyMouseAngle()};
    });
    parts_.session->SetOnChanged([this] { SessionChanged(); });

    if (parts_.tray != nullptr) {
        parts_.tray->OnDoubleClick = [this] { RestoreFromTray(); };
        parts_.tray->OnExit = [this] { mnuFileExit_Click(); };
        parts_.tray->OnProperties = [this] { mnuFileProperties_Click(); };
    }
}

frmSerial::~frmSerial() {
    parts_.road->SetWorkingValues(nullptr);
    parts_.session->SetOnChanged(nullptr);
    if (parts_.tray != nullptr) {
        parts_.tray->OnDoubleClick = nullptr;
        parts_.tray->OnExit = nullptr;
        parts_.tray->OnProperties = nullptr;
    }
}

std::int32_t frmSerial::CodeEditorHandshaking() const {
    return parts_.session->HandshakingToWarnFor(cboHandshaking->currentData().toInt());
}

void frmSerial::WireHandlers() {
    connect(cmdOK, &QPushButton::clicked, this, &frmSerial::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSerial::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmSerial::cmdApply_Click);
    connect(general_->cmdOpenPort, &QPushButton::clicked, this, &frmSerial::cmdOpenPort_Click);
    connect(general_->cmdClosePort, &QPushButton::clicked, this, &frmSerial::cmdClosePort_Click);
    connect(general_->cmdResetBytesReceived, &QPushButton::clicked, this,
            &frmSerial::cmdResetBytesReceived_Click);
    connect(general_->cmdExit, &QPushButton::clicked, this, &frmSerial::cmdExit_Click);
    connect(general_->cmdStartupOptions, &QPushButton::clicked, this, &frmSerial::cmdStartupOptions_Click);
    connect(general_->cmdAbout, &QPushButton::clicked, this, &frmSerial::cmdAbout_Click);
    connect(cmdMouseAdvanced, &QPushButton::clicked, this, &frmSerial::cmdMouseAdvanced_Click);
    connect(cmdMoreCodes, &QPushButton::clicked, this, &frmSerial::cmdMoreCodes_Click);

    // The baud rate's text changes when typed and when set from code; choosing an item is a click.
    connect(cboBaudRate, &QComboBox::editTextChanged, this, &frmSerial::cboBaudRate_Change);
    connect(cboBaudRate, &QComboBox::currentIndexChanged, this, &frmSerial::cboBaudRate_Click);
    connect(cboDataBits, &QComboBox::currentIndexChanged, this, &frmSerial::cboDataBits_Click);
    connect(cboParity, &QComboBox::currentIndexChanged, this, &frmSerial::cboParity_Click);
    connect(cboStopBits, &QComboBox::currentIndexChanged, this, &frmSerial::cboStopBits_Click);
    connect(cboHandshaking, &QComboBox::currentIndexChanged, this, &frmSerial::cboHandshaking_Click);
    connect(lvwPort, &PortListView::ItemClick, this, &frmSerial::lvwPort_ItemClick);
    connect(chkASCIISequenceEmulation, &QCheckBox::toggled, this,
            &frmSerial::chkASCIISequenceEmulation_Click);
}

// --- Properties window ---------------------------------------------------------------------------

PendingControls frmSerial::CurrentControls() const {
    PendingControls controls;
    controls.BaudRate = ToAnsi(cboBaudRate->currentText());
    controls.DataBits = ToAnsi(cboDataBits->currentText());
    controls.StopBits = ToAnsi(cboStopBits->currentText());
    controls.Parity = ToAnsi(cboParity->currentText());
    controls.Handshaking = ToAnsi(cboHandshaking->currentText());
    if (QTreeWidgetItem* item = lvwPort->SelectedItem()) {
        controls.PortName = ToAnsi(item->text(0));
    }
    controls.ASCIISequence = chkASCIISequenceEmulation->isChecked() ? 1 : 0;
    return controls;
}

void frmSerial::CheckDirty() {
    Trace(kCheckDirty, TraceEntry, std::string("Dirty Currently = ") + BoolText(dirty_));
    emit PendingValuesChanged();
    try {
        if (!isVisible()) {
            // Hidden, the controls may be half filled; the state at hiding stands until the next check.
            Trace(kCheckDirty, TraceMessage, kNotCheckingMessage);
        } else {
            // An applied value that could not be saved keeps Apply enabled, so that it can be tried again.
            const bool dirty = PendingDiffers(CurrentControls(), working_, *parts_.settings) ||
                               (parts_.Unsaved && parts_.Unsaved());
            dirty_ = dirty;
            cmdApply->setEnabled(dirty);
        }
        Trace(kCheckDirty, TraceExit, std::string("Returned ") + BoolText(dirty_));
    } catch (...) {
        Trace(kCheckDirty, TraceError, TrappedErrorDescription());
    }
}

bool frmSerial::SetProperties() {
    saveProblem_.clear();
    return Traced(kSetProperties, false, [&] {
        SettingsRecord& s = *parts_.settings;
        // Stored in this order: a control that cannot be read stops the rest, and what was stored
        // before it stands.
        // Only a rate the serial control takes is saved, so what Apply keeps, Connect opens with.
        const auto baudRate = ParseBaudRate(ToAnsi(cboBaudRate->currentText()));
        if (!baudRate) {
            err::RaiseTypeMismatch("frmSerial");
        }
        s.BaudRate(*baudRate);
        s.ConnectOnApplicationStartup(working_.ConnectOnApplicationStartup());
        s.RunOnSystemStartup(working_.RunOnSystemStartup());
        s.DataBits(ToWholeNumber(ToAnsi(cboDataBits->currentText())));
        s.FlowControl("None");
        s.Handshaking(ToAnsi(cboHandshaking->currentText()));
        s.TestPorts(working_.TestPorts());
        QTreeWidgetItem* port = lvwPort->SelectedItem();
        if (port == nullptr) {
            RaiseObjectNotSet();
        }
        // Then every other setting the dialogs edited, with the rest of the controls on top.
        SettingsRecord next = working_;
        next.BaudRate(s.BaudRate());
        next.DataBits(s.DataBits());
        next.FlowControl(s.StoredFlowControl());
        next.Handshaking(s.Handshaking());
        next.PortName(ToAnsi(port->text(0)));
        next.Parity(ToAnsi(cboParity->currentText()));
        next.StopBits(StopBitsStored(ToAnsi(cboStopBits->currentText())));
        // Any nonzero value turns the mode on; one the box was not changed from is kept as stored,
        // so an Apply writes back only what the user touched.
        const bool sequence = chkASCIISequenceEmulation->isChecked();
        if (sequence != (s.ASCIISequence() != 0)) {
            next.ASCIISequence(static_cast<std::int16_t>(sequence ? 1 : 0));
        }
        s = next;
        working_ = next;
        // A value the store does not take stays applied, and stays pending: the store knows it is
        // not saved, and the next Apply tries it again.
        const bool saved = parts_.SetSettings ? parts_.SetSettings() : false;
        if (!saved && parts_.LastSaveProblem) {
            saveProblem_ = parts_.LastSaveProblem();
        }
        return saved;
    });
}

bool frmSerial::Reset() {
    Trace(kReset, TraceEntry, "");
    try {
        const SettingsRecord& s = *parts_.settings;
        missingSavedPort_.reset();
        working_ = s;

        if (!ShowPortSettings()) {
            std::string message = "Could not display Port Settings";
            if (!unshownLineSetting_.empty()) {
                message += "\r\n\r\n" + unshownLineSetting_;
            }
            MsgBox(this, FromAnsi(message), MsgIcon::Critical);
            return false;
        }

        // A saved port that is not listed selects nothing, but the rest of the reset still
        // happens: a working copy left half reset would later be applied over good settings.
        if (QTreeWidgetItem* item = lvwPort->FindKey(s.PortName())) {
            lvwPort->SelectRow(item);
        } else {
            missingSavedPort_ = s.PortName();
        }

        chkASCIISequenceEmulation->setChecked(s.ASCIISequence() != 0);
        CheckDirty();

        if (missingSavedPort_) {
            Trace(kReset, TraceError, "Element not found");
            return false;
        }
        Trace(kReset, TraceExit, "");
        return true;
    } catch (...) {
        Trace(kReset, TraceError, TrappedErrorDescription());
        return false;
    }
}

void frmSerial::TakeOutsideChanges(const SettingsRecord& before) {
    const SettingsRecord& now = *parts_.settings;
    for (const layout::Setting& setting : layout::Settings()) {
        if (layout::SameValue(setting, working_, before)) {
            layout::CopyValue(setting, now, working_);
        }
    }
    // The controls alike, each by the text it shows for the value it had.
    const auto follow = [](QComboBox* list, const std::string& was, const std::string& is) {
        if (was == is || ToAnsi(list->currentText()) != was) {
            return;
        }
        if (list->isEditable()) {
            list->setEditText(FromAnsi(is));
        } else if (list->findText(FromAnsi(is), Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0) {
            SetListText(list, is);
        }
    };
    follow(cboBaudRate, std::to_string(before.BaudRate()), std::to_string(now.BaudRate()));
    follow(cboDataBits, std::to_string(before.DataBits()), std::to_string(now.DataBits()));
    follow(cboParity, before.Parity(), now.Parity());
    follow(cboStopBits, StopBitsText(before.StopBits()), StopBitsText(now.StopBits()));
    follow(cboHandshaking, before.Handshaking(), now.Handshaking());
    QTreeWidgetItem* selected = lvwPort->SelectedItem();
    if (QTreeWidgetItem* port = lvwPort->FindKey(now.PortName());
        port != nullptr && selected != nullptr && ToAnsi(selected->text(0)) == before.PortName()) {
        lvwPort->SelectRow(port);
    }
    if (chkASCIISequenceEmulation->isChecked() == (before.ASCIISequence() != 0)) {
        chkASCIISequenceEmulation->setChecked(now.ASCIISequence() != 0);
    }
    CheckDirty();
}

void frmSerial::ShowNotAllSaved() {
    // The message says what could not be saved and why; when the tree lacks a key the program
    // may not create, trying again cannot help, and it says what adds the key.
    MsgBox(this,
           FromAnsi(saveProblem_.empty() ? std::string(kNotAllSaved)
                                         : kNotAllSaved + ("\r\n\r\n" + saveProblem_)),
           MsgIcon::Exclamation);
}

void frmSerial::cmdOK_Click() {
    Traced(kOK, [&] {
        if (dirty_ && !SetProperties()) {
            ShowNotAllSaved();
        }
        CheckDirty();
        MinimiseWindow();
    });
}

void frmSerial::cmdCancel_Click() {
    Traced(kCancel, [&] {
        if (!Reset()) {
            MsgBox(this, QStringLiteral("Failed to reset to last saved properties"), MsgIcon::Exclamation);
        }
        MinimiseWindow();
    });
}

void frmSerial::cmdApply_Click() {
    if (!dirty_) {
        return;
    }
    if (!SetProperties()) {
        ShowNotAllSaved();
    }
    CheckDirty();
}

void frmSerial::keyPressEvent(QKeyEvent* event) {
    // Cancel is the window's cancel button: Esc presses it when no control of the window took the
    // key first. An open drop-down list is a window of its own and takes its Esc itself, closing
    // alone with the edits kept, as a list does everywhere else.
    if (event->matches(QKeySequence::Cancel)) {
        cmdCancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// --- Ports ---------------------------------------------------------------------------------------

bool frmSerial::LoadPortsList() {
    return Traced(kLoadPortsList, false, [&] {
        Trace(kLoadPortsList, TraceMessage, "Included port count = " + std::to_string(ports_.size()));
        lvwPort->clear();
        for (const PortListEntry& port : ports_) {
            lvwPort->AddRow(port.Name, port.Device, port.InUse ? 2 : 0);
        }
        return true;
    });
}

void frmSerial::lvwPort_ItemClick(QTreeWidgetItem* item) {
    if (PortListView::SmallIcon(item) == 2) {
        // A port another program holds cannot be chosen: the saved port is selected again.
        lvwPort->SelectRow(lvwPort->FindKey(parts_.settings->PortName()));
        return;
    }
    CheckDirty();
}

void frmSerial::SetListText(QComboBox* list, const std::string& text) {
    const int index = list->findText(FromAnsi(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        throw RaisedError(383, "frmSerial", "'Text' property is read-only");
    }
    list->setCurrentIndex(index);
}

bool frmSerial::ShowPortSettings() {
    unshownLineSetting_.clear();
    return Traced(kShowPortSettings, false, [&] {
        const SettingsRecord& s = *parts_.settings;
        // A saved value its list does not offer came from the settings file: the message names
        // it, what the list offers and how to mend it.
        const auto show = [this](QComboBox* list, const std::string& text, const char* valueName) {
            if (list->findText(FromAnsi(text), Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
                QStringList offered;
                for (int i = 0; i < list->count(); ++i) {
                    offered << list->itemText(i);
                }
                unshownLineSetting_ =
                    layout::NotOffered(layout::Find(valueName), text, ToAnsi(offered.join(", ")));
            }
            SetListText(list, text);
        };
        const std::string baudRate = std::to_string(s.BaudRate());
        cboBaudRate->setEditText(FromAnsi(baudRate));
        Trace(kShowPortSettings, TraceMessage, "Set Baud Rate to " + baudRate);
        const std::string dataBits = std::to_string(s.DataBits());
        show(cboDataBits, dataBits, "DataBits");
        Trace(kShowPortSettings, TraceMessage, "Set DataBits to " + dataBits);
        show(cboParity, s.Parity(), "Parity");
        Trace(kShowPortSettings, TraceMessage, "Set Parity to " + s.Parity());
        const std::string stopBits = StopBitsText(s.StopBits());
        show(cboStopBits, stopBits, "StopBits");
        Trace(kShowPortSettings, TraceMessage, "Set StopBits to " + stopBits);
        show(cboHandshaking, s.Handshaking(), "Handshaking");
        Trace(kShowPortSettings, TraceMessage, "Set Handshaking to " + s.Handshaking());
        working_.TestPorts(s.TestPorts());
        Trace(kShowPortSettings, TraceMessage, "Set TestPorts to " + std::to_string(s.TestPorts()));
        return true;
    });
}

PortChoice frmSerial::PendingPort() const {
    PortChoice choice;
    if (QTreeWidgetItem* port = lvwPort->SelectedItem()) {
        choice.portName = ToAnsi(port->text(0));
    }
    choice.settings = ToAnsi(cboBaudRate->currentText()) + "," +
                      ParityLetter(ToAnsi(cboParity->currentText())) + "," +
                      ToAnsi(cboDataBits->currentText()) + "," + ToAnsi(cboStopBits->currentText());
    choice.handshaking = cboHandshaking->currentData().toInt();
    return choice;
}

void frmSerial::cmdOpenPort_Click() {
    parts_.session->Connect(PendingPort(), this);
}

void frmSerial::cmdClosePort_Click() {
    parts_.session->Disconnect();
}

void frmSerial::SessionChanged() {
    // While the session waits for a vanished device, Disconnect stays there to end the wait.
    const bool connected = parts_.session->Status().connection != SessionStatus::Connection::NotConnected;
    general_->cmdOpenPort->setEnabled(!connected);
    general_->cmdClosePort->setEnabled(connected);
    status_->UpdateTrayIconInfo();
}

void frmSerial::cboBaudRate_Change() {
    // The serial control's own rule: a text it would refuse at Connect is refused here, before
    // Apply can save it (a pasted " 9600", "1e3" or "9600.5" is a number, but no rate it opens with).
    if (!ParseBaudRate(ToAnsi(cboBaudRate->currentText()))) {
        std::string message = "Baud Rate must be a numeric value.  Please re-enter";
        std::string rate = std::to_string(parts_.settings->BaudRate());
        if (!ParseBaudRate(rate)) {
            // The saved rate is refused too: it came from the settings file, and giving it back
            // would only refuse it again.
            const layout::Setting& setting = layout::Find("BaudRate");
            const std::string fallback = setting.fallback.value.ToText();
            message += "\r\n\r\n" + layout::ValuePath(setting) + " holds " + rate +
                       ", which is no baud rate (1 to 2147483647). The box shows the default " + fallback +
                       " instead, which Apply saves.";
            rate = fallback;
        }
        MsgBox(this, FromAnsi(message), MsgIcon::Exclamation);
        cboBaudRate->setEditText(FromAnsi(rate));
    }
    CheckDirty();
}

void frmSerial::cmdResetBytesReceived_Click() {
    parts_.road->ResetBytesReceived();
}

// --- Lifecycle -----------------------------------------------------------------------------------

void frmSerial::MinimiseWindow() {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void frmSerial::Form_Resize() {
    if (isMinimized()) {
        // Hidden, the window comes back through the tray icon; with no notification area to
        // hold the icon it stays minimised where the user can still reach it.
        if (parts_.tray != nullptr && parts_.tray->AreaAvailable()) {
            hide();
        }
    } else if (!isVisible() && !unloaded_) {
        show();
    }
}

void frmSerial::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    }
}

void frmSerial::ShowNormalInFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void frmSerial::cmdExit_Click() {
    exitQuestion_->Ask();
}

void frmSerial::closeEvent(QCloseEvent* event) {
    // A close the window system delivers is a person's (the title bar's button): it is asked
    // about, and the window stays until the answer. The program's own closes end at once.
    if (event->spontaneous() && !unloaded_) {
        event->ignore();
        exitQuestion_->Ask();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmSerial::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    Trace(kFormUnload, TraceEntry, "");
    // Ended another way while a person was being asked: the question has no more to ask.
    exitQuestion_->Withdraw();
    status_->Stop();
    status_->ShellTrayDelete();
    parts_.session->End();
    Trace(kFormUnload, TraceExit, "");
    emit unloaded();
}

// --- The dialogs ----------------------------------------------------------------------------
void frmSerial::cmdStartupOptions_Click() {
    EditStartupOptions(this, working_);
    CheckDirty();
}

void frmSerial::cmdAbout_Click() {
    // The reference is held while the box is open, so the window knows it is showing.
    about_ = new frmAbout(parts_.registry, this);
    about_->exec();
    delete about_;
    about_ = nullptr;
}

void frmSerial::cmdMouseAdvanced_Click() {
    EditMovementTuning(this, working_);
    CheckDirty();
}

void frmSerial::cmdMoreCodes_Click() {
    EditMoreCodes(this, working_, CodeEditorHandshaking(), parts_.codeListening);
    CheckDirty();
}

}  // namespace qm

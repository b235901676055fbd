#include "ui/frmSerial.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "diag/CaughtError.h"
#include "diag/OSInfo.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"
#include "ports/LineSettings.h"
#include "ports/PortAPI.h"
#include "ports/SerialControl.h"
#include "ports/SerialErrors.h"
#include "ports/XonXoff.h"
#include "road/Road.h"
#include "settings/SettingsRecord.h"
#include "ui/CharacterTranslationTool.h"
#include "ui/MouseCodesPanel.h"
#include "ui/Pictures.h"
#include "ui/PortOptionsFrame.h"
#include "ui/PortSettingsText.h"
#include "ui/TrayIcon.h"
#include "ui/common/Ansi.h"
#include "ui/common/MessageBoxService.h"
#include "ui/frmAbout.h"
#include "ui/frmMoreCodes.h"
#include "ui/frmMouseMovementAdvanced.h"
#include "ui/frmStartupOptions.h"

namespace qm {
namespace {

// How long after a character the received list and the count show it (see ShowReceivedLater).
constexpr int kShowReceivedDelayMs = 10;

constexpr const char* kCheckDirty = "frmSerial.CheckDirty";
constexpr const char* kSetProperties = "frmSerial.SetProperties";
constexpr const char* kReset = "frmSerial.Reset";
constexpr const char* kOK = "frmSerial.cmdOK_Click";
constexpr const char* kCancel = "frmSerial.cmdCancel_Click()";
constexpr const char* kShowPortSettings = "frmSerial.ShowPortSettings";
constexpr const char* kOpenPort = "frmSerial.OpenPort";
constexpr const char* kClosePort = "frmSerial.cmdClosePort_Click";
constexpr const char* kClosedByDevice = "frmSerial.MscSerial_OnClosedByDevice";
constexpr const char* kLoadPortsList = "frmSerial.LoadPortsList";
constexpr const char* kInitialiseSysTray = "frmSerial.InitialiseSysTray";
constexpr const char* kUpdateTrayIconInfo = "frmSerial.UpdateTrayIconInfo";
constexpr const char* kShellTrayModify = "modSysTray.ShellTrayModify";
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

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QGroupBox* MakeFrame(QWidget* parent, const char* name, const char* caption) {
    auto* frame = new QGroupBox(QString::fromLatin1(caption), parent);
    frame->setObjectName(QString::fromLatin1(name));
    return frame;
}

// A button in the bottom right-hand corner of a frame, below what the frame holds.
QPushButton* AddCornerButton(QGroupBox* frame, QVBoxLayout* layout, const char* name, const char* caption) {
    auto* button = MakeButton(frame, name, caption);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    layout->addStretch(1);
    layout->addLayout(row);
    return button;
}

}  // namespace

frmSerial::frmSerial(Parts parts, QWidget* parent) : QWidget(parent), parts_(std::move(parts)) {
    setObjectName(QStringLiteral("frmSerial"));
    setWindowTitle(QStringLiteral("Quillmotion : Properties"));
    setWindowIcon(ApplicationIcon());
    receivedTimer_ = new QTimer(this);
    receivedTimer_->setSingleShot(true);
    receivedTimer_->setInterval(kShowReceivedDelayMs);
    connect(receivedTimer_, &QTimer::timeout, this, [this] { ShowReceived(); });

    sstMain = new QTabWidget(this);
    sstMain->setObjectName(QStringLiteral("sstMain"));
    auto* general = new QWidget(sstMain);
    general->setObjectName(QStringLiteral("tabGeneral"));
    auto* diagnostics = new QWidget(sstMain);
    diagnostics->setObjectName(QStringLiteral("tabDiagnostics"));
    auto* mouse = new QWidget(sstMain);
    mouse->setObjectName(QStringLiteral("tabMouse"));
    auto* emulation = new QWidget(sstMain);
    emulation->setObjectName(QStringLiteral("tabEmulation"));
    BuildGeneralTab(general);
    BuildDiagnosticsTab(diagnostics);
    BuildMouseTab(mouse);
    BuildEmulationTab(emulation);
    sstMain->addTab(general, QStringLiteral("General"));
    sstMain->addTab(diagnostics, QStringLiteral("Diagnostics"));
    sstMain->addTab(mouse, QStringLiteral("Mouse"));
    sstMain->addTab(emulation, QStringLiteral("Emulation"));

    cmdOK = MakeButton(this, "cmdOK", "OK");
    cmdCancel = MakeButton(this, "cmdCancel", "Cancel");
    cmdApply = MakeButton(this, "cmdApply", "Apply");
    cmdApply->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sstMain, 1);
    layout->addLayout(buttons);

    // Cancel is the window's cancel button: Esc anywhere in the window presses it.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("shortcutCancel"));
    connect(escape, &QShortcut::activated, cmdCancel, &QPushButton::click);

    WireHandlers();
    DispatcherView view;
    view.SetReceivedBufferText = [this](const std::string& text) { SetReceivedBufferText(text); };
    view.SetBytesReceivedText = [this](const std::string& text) { SetBytesReceivedText(text); };
    view.UpdateTrayIconInfo = [this] { return UpdateTrayIconInfo(); };
    parts_.road->SetView(std::move(view));
    parts_.road->SetWorkingValues([this] {
        return MovementWorkingValues{working_.MovementDelay(), working_.BouncyMouseAngle()};
    });
    parts_.mscSerial->SetOnClosedByDevice(
        [this](const std::string& reason) { MscSerial_OnClosedByDevice(reason); });
    parts_.road->SetOnWaitEnded([this] {
        SetConnectedButtons(parts_.mscSerial->PortOpen());
        UpdateTrayIconInfo();
    });

    if (parts_.tray != nullptr) {
        parts_.tray->OnDoubleClick = [this] { RestoreFromTray(); };
        parts_.tray->OnExit = [this] { mnuFileExit_Click(); };
        parts_.tray->OnProperties = [this] { mnuFileProperties_Click(); };
    }
}

frmSerial::~frmSerial() {
    parts_.road->SetView({});
    parts_.road->SetWorkingValues(nullptr);
    parts_.mscSerial->SetOnClosedByDevice(nullptr);
    parts_.road->SetOnWaitEnded(nullptr);
    if (parts_.tray != nullptr) {
        parts_.tray->OnDoubleClick = nullptr;
        parts_.tray->OnExit = nullptr;
        parts_.tray->OnProperties = nullptr;
    }
}

void frmSerial::BuildGeneralTab(QWidget* page) {
    fraPortOptions = new PortOptionsFrame(page);
    lvwPort = fraPortOptions->lvwPort;
    cboBaudRate = fraPortOptions->cboBaudRate;
    cboDataBits = fraPortOptions->cboDataBits;
    cboParity = fraPortOptions->cboParity;
    cboStopBits = fraPortOptions->cboStopBits;
    cboHandshaking = fraPortOptions->cboHandshaking;

    cmdOpenPort = MakeButton(page, "cmdOpenPort", "Connect");
    cmdClosePort = MakeButton(page, "cmdClosePort", "Disconnect");
    cmdClosePort->setEnabled(false);

    auto* lblBytesReceived = new QLabel(QStringLiteral("Bytes Received:"), page);
    lblBytesReceived->setObjectName(QStringLiteral("lblBytesReceived"));
    txtBytesReceived = new QLineEdit(QStringLiteral("0"), page);
    txtBytesReceived->setObjectName(QStringLiteral("txtBytesReceived"));
    txtBytesReceived->setReadOnly(true);
    txtBytesReceived->setAlignment(Qt::AlignRight);
    txtBytesReceived->setMaximumWidth(110);
    txtBytesReceived->installEventFilter(this);
    lblBytesReceived->setBuddy(txtBytesReceived);
    cmdResetBytesReceived = MakeButton(page, "cmdResetBytesReceived", "Reset");

    cmdStartupOptions = MakeButton(page, "cmdStartupOptions", "Startup...");
    cmdAbout = MakeButton(page, "cmdAbout", "About...");
    cmdExit = MakeButton(page, "cmdExit", "Exit");

    auto* connection = new QVBoxLayout;
    connection->addSpacing(8);
    connection->addWidget(cmdOpenPort);
    connection->addWidget(cmdClosePort);
    connection->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(fraPortOptions, 1);
    top->addLayout(connection);

    auto* count = new QHBoxLayout;
    count->addWidget(lblBytesReceived);
    count->addWidget(txtBytesReceived);
    count->addWidget(cmdResetBytesReceived);
    count->addStretch(1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cmdStartupOptions);
    bottom->addWidget(cmdAbout);
    bottom->addStretch(1);
    bottom->addWidget(cmdExit);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top, 1);
    layout->addLayout(count);
    layout->addLayout(bottom);
}

void frmSerial::BuildDiagnosticsTab(QWidget* page) {
    fraReceived = MakeFrame(page, "fraReceived", "Received Characters:");
    auto* lblMostRecent = new QLabel(
        QStringLiteral("Most Recent characters are displayed at the top of the list"), fraReceived);
    lblMostRecent->setObjectName(QStringLiteral("lblMostRecent"));
    lblMostRecent->setWordWrap(true);
    txtReceivedBuffer = new QPlainTextEdit(fraReceived);
    txtReceivedBuffer->setObjectName(QStringLiteral("txtReceivedBuffer"));
    txtReceivedBuffer->setReadOnly(true);
    txtReceivedBuffer->setFont(QFont(QStringLiteral("monospace")));
    txtReceivedBuffer->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtReceivedBuffer->installEventFilter(this);
    auto* received = new QVBoxLayout(fraReceived);
    received->addWidget(lblMostRecent);
    received->addWidget(txtReceivedBuffer, 1);

    // The translation tool is the "Character Translation:" frame itself.
    fraCharacterTranslation = new CharacterTranslationTool(page);

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(fraReceived, 1);
    layout->addWidget(fraCharacterTranslation, 1);
}

void frmSerial::BuildMouseTab(QWidget* page) {
    fraButtons = MakeFrame(page, "fraButtons", "Buttons:");
    auto* buttonCodes = new ButtonCodesPanel(fraButtons);
    buttonCodes->SetWorkingCopy(&working_);
    auto* buttons = new QVBoxLayout(fraButtons);
    buttons->addWidget(buttonCodes);
    cmdMoreCodes = AddCornerButton(fraButtons, buttons, "cmdMoreCodes", "More codes...");

    fraMovement = MakeFrame(page, "fraMovement", "Movement:");
    auto* compassCodes = new CompassCodesPanel(fraMovement);
    compassCodes->SetWorkingCopy(&working_);
    // The code editors warn of codes that Xon/Xoff handshaking would keep from the program.
    const auto handshaking = [this] { return CodeEditorHandshaking(); };
    compassCodes->SetHandshaking(handshaking);
    buttonCodes->SetHandshaking(handshaking);
    auto* movement = new QVBoxLayout(fraMovement);
    movement->addWidget(compassCodes, 1);
    cmdMouseAdvanced = AddCornerButton(fraMovement, movement, "cmdMouseAdvanced", "Advanced...");

    // The hover texts of the code editors are emptied when the mouse is over a frame itself.
    for (QGroupBox* frame : {fraButtons, fraMovement}) {
        frame->setMouseTracking(true);
        frame->installEventFilter(this);
    }
    connect(this, &frmSerial::MovementFrameHovered, compassCodes, &CompassCodesPanel::ClearHover);
    connect(this, &frmSerial::ButtonsFrameHovered, buttonCodes, &ButtonCodesPanel::ClearHover);
    // Every code dialog, OK or Cancel, may have changed a pending value.
    connect(compassCodes, &CompassCodesPanel::CodesEdited, this, &frmSerial::CheckDirty);
    connect(buttonCodes, &ButtonCodesPanel::CodesEdited, this, &frmSerial::CheckDirty);

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(fraButtons, 2);
    layout->addWidget(fraMovement, 3);
}

std::int32_t frmSerial::CodeEditorHandshaking() const {
    // Xon/Xoff in any of the places a code must live with: the choice on the General tab (used at
    // the next Connect), the applied setting (back after Cancel), and the port open now.
    const SerialControl& serial = *parts_.mscSerial;
    if (cboHandshaking->currentData().toInt() == comXOnXoff || parts_.settings->Handshaking() == "Xon/Xoff" ||
        (serial.PortOpen() && serial.Handshaking() == comXOnXoff)) {
        return comXOnXoff;
    }
    return cboHandshaking->currentData().toInt();
}

void frmSerial::BuildEmulationTab(QWidget* page) {
    fraDeviceEmulation = MakeFrame(page, "fraDeviceEmulation", "Device Emulation:");
    chkASCIISequenceEmulation = new QCheckBox(QStringLiteral("ASCII Sequence Mode"), fraDeviceEmulation);
    chkASCIISequenceEmulation->setObjectName(QStringLiteral("chkASCIISequenceEmulation"));
    auto* frame = new QVBoxLayout(fraDeviceEmulation);
    frame->addWidget(chkASCIISequenceEmulation);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(fraDeviceEmulation);
    layout->addStretch(1);
}

void frmSerial::WireHandlers() {
    connect(cmdOK, &QPushButton::clicked, this, &frmSerial::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSerial::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmSerial::cmdApply_Click);
    connect(cmdOpenPort, &QPushButton::clicked, this, &frmSerial::cmdOpenPort_Click);
    connect(cmdClosePort, &QPushButton::clicked, this, &frmSerial::cmdClosePort_Click);
    connect(cmdResetBytesReceived, &QPushButton::clicked, this, &frmSerial::cmdResetBytesReceived_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmSerial::cmdExit_Click);
    connect(cmdStartupOptions, &QPushButton::clicked, this, &frmSerial::cmdStartupOptions_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmSerial::cmdAbout_Click);
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
    try {
        if (!isVisible()) {
            // Hidden, the controls may be half filled; the state at hiding stands until the next check.
            Trace(kCheckDirty, TraceMessage, kNotCheckingMessage);
        } else {
            const bool dirty = PendingDiffers(CurrentControls(), working_, *parts_.settings);
            dirty_ = dirty;
            cmdApply->setEnabled(dirty);
        }
        Trace(kCheckDirty, TraceExit, std::string("Returned ") + BoolText(dirty_));
    } catch (...) {
        Trace(kCheckDirty, TraceError, TrappedErrorDescription());
    }
}

bool frmSerial::SetProperties() {
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
        next.ASCIISequence(static_cast<std::int16_t>(chkASCIISequenceEmulation->isChecked() ? 1 : 0));
        s = next;
        working_ = next;
        const bool saved = parts_.SetSettings ? parts_.SetSettings() : false;
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
            MsgBox(this, QStringLiteral("Could not display Port Settings"), MsgIcon::Critical);
            return false;
        }

        // A saved port that is not listed selects nothing, but the rest of the reset still
        // happens: a working copy left half reset would later be applied over good settings.
        if (QTreeWidgetItem* item = lvwPort->FindKey(s.PortName())) {
            lvwPort->SelectRow(item);
        } else {
            missingSavedPort_ = s.PortName();
        }

        chkASCIISequenceEmulation->setChecked(s.ASCIISequence() == 1);
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

void frmSerial::ShowNotAllSaved() {
    // Trying again cannot help when the tree lacks a key the program may not create: the
    // message says which, and what adds it.
    const std::string problem = parts_.LastSaveProblem ? parts_.LastSaveProblem() : std::string();
    MsgBox(this,
           FromAnsi(problem.empty() ? std::string(kNotAllSaved) : kNotAllSaved + ("\r\n\r\n" + problem)),
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

std::int16_t frmSerial::GetComPortNumberFromName(const std::string& portName) {
    return qm::GetComPortNumberFromName(portName);
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
    return Traced(kShowPortSettings, false, [&] {
        const SettingsRecord& s = *parts_.settings;
        const std::string baudRate = std::to_string(s.BaudRate());
        cboBaudRate->setEditText(FromAnsi(baudRate));
        Trace(kShowPortSettings, TraceMessage, "Set Baud Rate to " + baudRate);
        const std::string dataBits = std::to_string(s.DataBits());
        SetListText(cboDataBits, dataBits);
        Trace(kShowPortSettings, TraceMessage, "Set DataBits to " + dataBits);
        SetListText(cboParity, s.Parity());
        Trace(kShowPortSettings, TraceMessage, "Set Parity to " + s.Parity());
        const std::string stopBits = StopBitsText(s.StopBits());
        SetListText(cboStopBits, stopBits);
        Trace(kShowPortSettings, TraceMessage, "Set StopBits to " + stopBits);
        SetListText(cboHandshaking, s.Handshaking());
        Trace(kShowPortSettings, TraceMessage, "Set Handshaking to " + s.Handshaking());
        working_.TestPorts(s.TestPorts());
        Trace(kShowPortSettings, TraceMessage, "Set TestPorts to " + std::to_string(s.TestPorts()));
        return true;
    });
}

bool frmSerial::OpenPort() {
    return Traced<ErrorReport::Full>(kOpenPort, false, [&] {
        SerialControl& serial = *parts_.mscSerial;
        if (!serial.PortOpen()) {
            QTreeWidgetItem* port = lvwPort->SelectedItem();
            if (port == nullptr) {
                RaiseObjectNotSet();
            }
            serial.SetCommPort(GetComPortNumberFromName(ToAnsi(port->text(0))));
            const std::string settings =
                ToAnsi(cboBaudRate->currentText()) + "," + ParityLetter(ToAnsi(cboParity->currentText())) +
                "," + ToAnsi(cboDataBits->currentText()) + "," + ToAnsi(cboStopBits->currentText());
            serial.SetSettings(settings);
            serial.SetHandshaking(cboHandshaking->currentData().toInt());
            Trace(kOpenPort, TraceMessage,
                  "Opening Port " + parts_.settings->PortName() + " - " + "with settings : " + settings);
            try {
                serial.SetPortOpen(true);
            } catch (const RaisedError& error) {
                // The device itself refused: what it said (and what to do about a refused
                // permission) is worth the user's reading.
                if (error.Number() == comBadComm) {
                    openProblem_ = error.Description();
                }
                throw;
            }
        }
        return true;
    });
}

void frmSerial::SetConnectedButtons(bool connected) {
    cmdOpenPort->setEnabled(!connected);
    cmdClosePort->setEnabled(connected);
}

void frmSerial::cmdOpenPort_Click() {
    openProblem_.clear();
    if (!OpenPort()) {
        const std::string problem = openProblem_.empty() ? std::string() : "\r\n\r\n" + openProblem_;
        MsgBox(this, FromAnsi("Could not open specified port" + problem), MsgIcon::Exclamation);
    } else {
        SetConnectedButtons(true);
        WarnOfSwallowedCodes();
    }
    UpdateTrayIconInfo();
}

void frmSerial::WarnOfSwallowedCodes() {
    // Once a run: the user has been told, and may have a device that never sends those codes.
    const std::vector<XonXoffConflict> conflicts =
        XonXoffConflicts(*parts_.settings, parts_.mscSerial->Handshaking());
    if (conflicts.empty() || xonXoffWarned_) {
        return;
    }
    xonXoffWarned_ = true;
    std::string text =
        "With Xon/Xoff handshaking the line keeps codes 17 (XON) and 19 (XOFF) for itself, so "
        "these actions can never happen:";
    for (const XonXoffConflict& conflict : conflicts) {
        const std::string line = std::string(conflict.action) + " (" + conflict.setting + ") is code " +
                                 std::to_string(conflict.code) + " (" + FlowControlCodeName(conflict.code) +
                                 ")";
        Trace(kOpenPort, TraceMessage, "Swallowed by Xon/Xoff handshaking: " + line);
        text += "\r\n" + line;
    }
    text += "\r\n\r\nChoose other codes on the Mouse tab, or other handshaking on the General tab.";
    MsgBox(this, FromAnsi(text), MsgIcon::Exclamation);
}

void frmSerial::cmdClosePort_Click() {
    SerialControl& serial = *parts_.mscSerial;
    if (!serial.PortOpen() && parts_.road->Reconnecting()) {
        // Waiting for a vanished device: Disconnect ends the wait.
        parts_.road->PortClosed();
        SetConnectedButtons(false);
    } else if (serial.PortOpen()) {
        // A device that has gone may refuse the close; the buttons then follow what the control
        // says rather than what was asked, and the movement stops either way.
        try {
            serial.SetPortOpen(false);
        } catch (...) {
            Trace(kClosePort, TraceError, TrappedErrorReport());
        }
        SetConnectedButtons(serial.PortOpen());
        parts_.road->PortClosed();
    }
    UpdateTrayIconInfo();
}

void frmSerial::MscSerial_OnClosedByDevice(const std::string& reason) {
    // Nothing more will arrive: the buttons, the movement and the tip say so at once, and the
    // user can connect again when the device is back.
    Trace(kClosedByDevice, TraceMessage, "Port closed by the device: " + reason);
    parts_.road->DeviceVanished();
    // While the road waits for the device, Disconnect stays there to end the wait.
    SetConnectedButtons(parts_.mscSerial->PortOpen() || parts_.road->Reconnecting());
    UpdateTrayIconInfo();
}

void frmSerial::cboBaudRate_Change() {
    // The serial control's own rule: a text it would refuse at Connect is refused here, before
    // Apply can save it (a pasted " 9600", "1e3" or "9600.5" is a number, but no rate it opens with).
    if (!ParseBaudRate(ToAnsi(cboBaudRate->currentText()))) {
        MsgBox(this, QStringLiteral("Baud Rate must be a numeric value.  Please re-enter"),
               MsgIcon::Exclamation);
        cboBaudRate->setEditText(QString::number(parts_.settings->BaudRate()));
    }
    CheckDirty();
}

void frmSerial::cboBaudRate_Click() {
    CheckDirty();
}
void frmSerial::cboDataBits_Click() {
    CheckDirty();
}
void frmSerial::cboParity_Click() {
    CheckDirty();
}
void frmSerial::cboStopBits_Click() {
    CheckDirty();
}
void frmSerial::cboHandshaking_Click() {
    CheckDirty();
}
void frmSerial::chkASCIISequenceEmulation_Click() {
    CheckDirty();
}

// --- Received characters ---------------------------------------------------------------------------

const std::string& frmSerial::ReceivedBuffer() const {
    return parts_.road->ReceivedBuffer();
}

std::int32_t frmSerial::BytesReceived() const {
    return parts_.road->BytesReceived();
}

void frmSerial::ClearReceivedBuffer() {
    parts_.road->ClearReceivedBuffer();
}

void frmSerial::SetReceivedBufferText(const std::string& text) {
    receivedText_ = text;
    ShowReceivedLater();
}

void frmSerial::SetBytesReceivedText(const std::string& text) {
    bytesReceivedText_ = text;
    ShowReceivedLater();
}

void frmSerial::ShowReceivedLater() {
    // Every character changes both boxes: replaced per character they would cost more than the
    // character's own work, and nobody reads them faster than the window is drawn. They are
    // shown a moment later, after the desktop has taken in the event the character caused.
    if (!receivedTimer_->isActive()) {
        receivedTimer_->start();
    }
}

void frmSerial::ShowReceived() {
    if (receivedText_ && txtReceivedBuffer->isVisible()) {
        // The list keeps CR LF between entries; the box shows one entry per line.
        QString shown = FromAnsi(*receivedText_);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (shown.endsWith(QLatin1Char('\n'))) {
            shown.chop(1);
        }
        txtReceivedBuffer->setPlainText(shown);
        receivedText_.reset();
    }
    if (bytesReceivedText_ && txtBytesReceived->isVisible()) {
        txtBytesReceived->setText(FromAnsi(*bytesReceivedText_));
        bytesReceivedText_.reset();
    }
}

void frmSerial::cmdResetBytesReceived_Click() {
    parts_.road->ResetBytesReceived();
}

// --- Tray and lifecycle --------------------------------------------------------------------------

bool frmSerial::ShellTrayAdd() {
    return parts_.tray != nullptr && parts_.tray->Add("Quillmotion Enabled");
}

bool frmSerial::InitialiseSysTray() {
    return Traced(kInitialiseSysTray, false, [&] {
        // The window needs no hook of its own: the icon reports its clicks itself. Without a
        // notification area the icon waits for one and the program runs on without it.
        ShellTrayAdd();
        return true;
    });
}

bool frmSerial::ShellTrayModify(const std::string& tip) {
    return Traced(kShellTrayModify, false, [&] {
        const bool modified = parts_.tray != nullptr && parts_.tray->Modify(tip);
        return modified;
    });
}

void frmSerial::ShellTrayDelete() {
    if (parts_.tray != nullptr) {
        parts_.tray->Delete();
    }
}

std::string frmSerial::TrayTipText() const {
    std::string tip = "Quillmotion Enabled\r\n";
    const SerialControl& serial = *parts_.mscSerial;
    if (serial.PortOpen()) {
        tip += "Connected to COM" + std::to_string(serial.CommPort()) + ": at " +
               std::to_string(parts_.settings->BaudRate()) + "\r\n" + std::to_string(BytesReceived()) +
               " bytes received";
    } else if (parts_.road->Reconnecting()) {
        tip += "Waiting for COM" + std::to_string(serial.CommPort()) + ": to come back";
    } else {
        tip += "Not Connected";
    }
    if (parts_.road->LeftButtonLocked()) {
        tip += "\r\nLeft button held down";
    }
    const float speed = parts_.road->SpeedFactor();
    if (speed != 1.0F) {
        tip += speed < 1.0F ? "\r\nSpeed: half"
                            : "\r\nSpeed: " + std::to_string(static_cast<int>(speed)) + " times";
    }
    const std::string modifiers = parts_.road->HeldModifiers();
    if (!modifiers.empty()) {
        tip += "\r\n" + modifiers;
    }
    return tip;
}

bool frmSerial::UpdateTrayIconInfo() {
    return Traced(kUpdateTrayIconInfo, false, [&] {
        if (parts_.tray != nullptr) {
            parts_.tray->ShowButtonHeld(parts_.road->LeftButtonLocked());
        }
        const bool modified = ShellTrayModify(TrayTipText());
        return modified;
    });
}

void frmSerial::CreateOSInfo() {
    parts_.road->CreateOSInfo();
}

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

void frmSerial::RestoreFromTray() {
    ShowNormalInFront();
}

void frmSerial::mnuFileProperties_Click() {
    ShowNormalInFront();
}

void frmSerial::cmdExit_Click() {
    Form_Unload();
    hide();
}

void frmSerial::mnuFileExit_Click() {
    cmdExit_Click();
}

void frmSerial::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmSerial::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    Trace(kFormUnload, TraceEntry, "");
    ShellTrayDelete();
    bool wasOpen = false;
    try {
        if (parts_.mscSerial->PortOpen()) {
            wasOpen = true;
            parts_.mscSerial->SetPortOpen(false);
        }
    } catch (...) {
        // A port that cannot be closed must not keep the program from ending.
        Trace(kFormUnload, TraceError, TrappedErrorDescription());
    }
    // This may run inside a character's pending-events call: the road is told to stop and to
    // let go of what it holds, and stays whole until the program's event loop has returned.
    if (wasOpen) {
        parts_.road->PortClosed();
    }
    parts_.road->Shutdown();
    if (parts_.Terminate) {
        parts_.Terminate();
    }
    Trace(kFormUnload, TraceExit, "");
    emit unloaded();
}

// --- The dialogs ----------------------------------------------------------------------------
// Each dialog is made afresh, given the working copy, shown modally and read back after OK and
// Cancel alike (Cancel hands back what it was given), then released; CheckDirty follows.

void frmSerial::cmdStartupOptions_Click() {
    frmStartupOptions dialog(this);
    dialog.RunOnSystemStartup(working_.RunOnSystemStartup());
    dialog.ConnectOnStartup(working_.ConnectOnApplicationStartup());
    dialog.CheckPortsOnStartup(working_.TestPorts());
    dialog.ReconnectAutomatically(working_.ReconnectAutomatically());
    dialog.exec();
    // The dialog hands back check-box values, 0 or 1.
    working_.RunOnSystemStartup(static_cast<std::int16_t>(dialog.RunOnSystemStartup()));
    working_.ConnectOnApplicationStartup(static_cast<std::int16_t>(dialog.ConnectOnStartup()));
    working_.TestPorts(static_cast<std::int16_t>(dialog.CheckPortsOnStartup()));
    working_.ReconnectAutomatically(static_cast<std::int16_t>(dialog.ReconnectAutomatically()));
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
    MovementTuning tuning{working_.MovementDelay(),       working_.MovementIncrementX(),
                          working_.MovementIncrementY(),  working_.BouncyMouse(),
                          working_.BouncyMouseAngle(),    working_.Acceleration(),
                          working_.AccelerationMaximum(), working_.AccelerationTime()};
    frmMouseMovementAdvanced::Edit(this, tuning);
    // The movement engine reads the working delay and angle at each step, so they act at once.
    working_.MovementDelay(tuning.MovementDelay);
    working_.MovementIncrementX(tuning.MovementIncrementX);
    working_.MovementIncrementY(tuning.MovementIncrementY);
    working_.BouncyMouse(tuning.BouncyMouse);
    working_.BouncyMouseAngle(tuning.BouncyMouseAngle);
    working_.Acceleration(tuning.Acceleration);
    working_.AccelerationMaximum(tuning.AccelerationMaximum);
    working_.AccelerationTime(tuning.AccelerationTime);
    CheckDirty();
}

void frmSerial::cmdMoreCodes_Click() {
    frmMoreCodes dialog(this);
    dialog.Codes(working_);
    dialog.Handshaking(CodeEditorHandshaking());
    dialog.exec();
    working_ = dialog.Codes();
    CheckDirty();
}

bool frmSerial::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && (watched == txtReceivedBuffer || watched == txtBytesReceived)) {
        ShowReceived();
    } else if (event->type() == QEvent::MouseMove) {
        if (watched == fraMovement) {
            emit MovementFrameHovered();
        } else if (watched == fraButtons) {
            emit ButtonsFrameHovered();
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace qm

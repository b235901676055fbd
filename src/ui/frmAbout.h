#pragma once

#include <QDialog>
#include <QLabel>
#include <functional>
#include <string>

#include "settings/RegistryApi.h"

class QFrame;
class QPushButton;
class QScrollBar;

namespace qm {

// A web address shown in blue that opens in the desktop's browser when clicked; it turns red
// while a mouse button is down on it. It takes the focus with Tab, shown by a frame, and opens
// with Space or Enter too.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& address, const QString& tip, QWidget* parent = nullptr);
    QColor TextColour() const;
    // Opens the link as a click does (for the keyboard and assistive tools).
    void Press() { emit Clicked(); }

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void SetTextColour(const QColor& colour);
    bool pressed_ = false;
};

// The About box: title, version, copyright, disclaimer, a scrolling description with three links,
// a fourth link below it, OK and "System Info...". Create it owned by the main window, exec() it,
// and delete it afterwards. The registry is read for the system information program; it may be
// null, and must outlive the box.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    using ProgramStarter = std::function<bool(const QString& program)>;

    explicit frmAbout(RegistryApi* registry, QWidget* parent = nullptr);

    // Starts the system information program: the one the registry names, else (away from
    // Windows) the first of the stand-ins found on PATH; otherwise tells the user there is none.
    void StartSysInfo();
    // Reads one registry value as text, asking only for read access. False (KeyVal empty) when
    // the key or value cannot be read; a value neither text nor number leaves KeyVal as it was.
    bool GetKeyValue(HKEY KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                     std::string& KeyVal);

    // How programs are started (detached); tests replace it.
    void SetProgramStarter(ProgramStarter starter) { startProgram_ = std::move(starter); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    LinkLabel* AddLink(QWidget* parent, const char* name, const char* address, const char* tip);
    void LayoutDescription();
    bool Start(const QString& program);

    RegistryApi* registry_;
    ProgramStarter startProgram_;
    QFrame* pctDescription_ = nullptr;
    QWidget* pctContainer_ = nullptr;
    QScrollBar* vscDescription_ = nullptr;
};

}  // namespace qm

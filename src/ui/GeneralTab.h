#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace qm {

class NoticeLine;
class PortOptionsFrame;

// The "General" page of the Properties window: the "Port Options:" frame, Connect and
// Disconnect beside it, the bytes-received count with Reset, a line for what the desktop leaves
// the user to know, and "Startup...", "About..." and "Exit". The window wires the controls; each
// is found from outside by its object name, which is its field's name.
class GeneralTab : public QWidget {
    Q_OBJECT
public:
    explicit GeneralTab(QWidget* parent = nullptr);

    PortOptionsFrame* fraPortOptions = nullptr;
    QPushButton* cmdOpenPort = nullptr;
    QPushButton* cmdClosePort = nullptr;
    QLineEdit* txtBytesReceived = nullptr;
    QPushButton* cmdResetBytesReceived = nullptr;
    QPushButton* cmdStartupOptions = nullptr;
    QPushButton* cmdAbout = nullptr;
    QPushButton* cmdExit = nullptr;
    NoticeLine* lblNotice = nullptr;
};

}  // namespace qm

#pragma once

#include <QString>

class QWidget;

namespace qm {

enum class MsgIcon { None, Critical, Exclamation, Question, Information };
enum class MsgButtons { OK, YesNo, OKCancel };
enum class MsgResult { OK, Cancel, Yes, No };

// Every message box of the program goes through here, so tests can answer and record them.
// The caption is the application title unless a window asks for another.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual MsgResult Show(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons,
                           const QString& title) = 0;
};

// The application title every message box carries.
inline const char* const kAppTitle = "Quillmotion";

// Shows a message box through the service in force.
MsgResult MsgBox(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons = MsgButtons::OK,
                 const QString& title = QString::fromLatin1(kAppTitle));

// Replaces the service in force (nullptr: the real dialogs again). Tests install a scripted one.
void SetMessageBoxService(MessageBoxService* service);

}  // namespace qm

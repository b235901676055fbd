#pragma once

#include <cstdint>

class QWidget;

namespace qm {

class CodeListening;
class SettingsRecord;

// The dialogs the Properties window opens on its working copy. Each is made afresh, given the
// copy's values, shown modally and read back after OK and Cancel alike (Cancel hands back what
// it was given), then released; the window then sees what changed.
void EditStartupOptions(QWidget* owner, SettingsRecord& working);
void EditMovementTuning(QWidget* owner, SettingsRecord& working);
// handshaking: the line's, for the warning of codes that Xon/Xoff keeps from the program;
// listening: where the dialog takes a code from the device (may be null).
void EditMoreCodes(QWidget* owner, SettingsRecord& working, std::int32_t handshaking,
                   CodeListening* listening);

}  // namespace qm

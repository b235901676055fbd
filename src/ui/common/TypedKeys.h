#pragma once

#include <optional>

class QKeyEvent;
class QLineEdit;

namespace qm {

// The character a key press types, as a Windows KeyPress handler sees it: its ANSI code (a
// character with no Windows-1252 form types '?'), 8 for Backspace, 13 for Enter, 1 to 26 for Ctrl
// with a letter. Keys that type nothing (Delete, Tab, Esc, arrows, Alt combinations, a modifier
// alone) give nothing and stay with the box and its window, so focus moves and Esc still work.
std::optional<int> TypedCharacter(const QKeyEvent& event);

// Whether the key presses a control as a button's own keys do: Enter (either key), and Space
// where withSpace asks for it. A held key's repeats press nothing.
bool PressesControl(const QKeyEvent& event, bool withSpace);

// Lets the user put at most maxLength characters into the box, by typing, pasting or dropping.
// Texts set by the program are shown whole, so a stored value longer than that is never cut.
void LimitTypedLength(QLineEdit* box, int maxLength);

// Discards every typed character other than the digits 0 to 9, Backspace included. Editing keys
// such as Delete, and the box's up-down control, still change the text; Enter presses the
// dialog's default button.
void AcceptDigitsOnly(QLineEdit* box);

}  // namespace qm

#pragma once

class QGroupBox;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace qm {

// A push button found by its object name; it never becomes the default button by having focus.
QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption);
// A captioned frame found by its object name.
QGroupBox* MakeFrame(QWidget* parent, const char* name, const char* caption);
// A button in the bottom right-hand corner of a frame, below what the frame holds.
QPushButton* AddCornerButton(QGroupBox* frame, QVBoxLayout* layout, const char* name, const char* caption);

}  // namespace qm

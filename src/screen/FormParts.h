// Pieces the record editors and pick lists are built from, so that every such window has the same
// number field, description field and buttons, and reads its number the same way: buttons are never
// a dialog's default button, Enter on a focused button presses it, and a number that is not a whole
// number is reported in the toolkit's error box and not returned.
#pragma once

#include <QString>
#include <optional>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kvl {

class TMaskEdit;

// The texts the editors accept: at most this many characters, stored trimmed.
inline constexpr int kDescriptionLength = 30;

// The window takes its font from the window that owns it (the main window's smaller font), as
// child controls do, so that text fits the pixel widths the lists are laid out in.
void TakeOwnerFont(QWidget* window);

// Lays the window out at once for what its FormShow has just put in it, so that the dialog's
// centring on its owner, which follows, goes by the size the window is seen at.
void SettleLayout(QWidget* window);

// Keeps the window of layout at least as wide as its title bar needs to show caption whole, in
// the desktop's bold caption font beside the window's icon and buttons.
void RoomForCaption(QBoxLayout* layout, const QString& caption);

QPushButton* FormButton(QWidget* parent, const char* name, const QString& text);
// "Cancel": the focus moving to it runs no field's check, so that it closes the window without
// change whatever a field holds.
QPushButton* CancelButton(QWidget* parent);
// A "Help" button that opens the help file at topic.
QPushButton* HelpButton(QWidget* parent, int topic);
QLabel* FormLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy);
// A masked field as wide as its places and literals, in the program's mask notation.
TMaskEdit* MaskField(QWidget* parent, const char* name, const QString& mask);
// Mask "!99/99/00;1;_" (the date entry rule).
TMaskEdit* DateField(QWidget* parent, const char* name);
// Mask "!9999;1;_".
TMaskEdit* NumberField(QWidget* parent, const char* name);
QLineEdit* DescriptionField(QWidget* parent, const char* name);

// The trimmed text as the toolkit converts it; nothing after the error box for any other text.
std::optional<int> ReadNumberField(TMaskEdit* field);
// Plain decimal, without placeholders until the field is edited or left; a number that does not
// fit the four places leaves the field blank.
void ShowNumber(TMaskEdit* field, int number);

}  // namespace kvl

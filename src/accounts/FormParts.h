// Pieces the record editors and pick lists are built from, so that every such window has the same
// number field, description field and buttons and reads its number the same way.
//
// Buttons never act as a dialog's default button: Enter in a field or a grid does only what the
// window itself gives it. A number field carries the mask "!9999;1;_"; ReadNumberField converts its
// trimmed text as the toolkit does and reports a text that is not a whole number in the toolkit's
// error box (the caller then writes nothing). ShowNumber puts a number in plain decimal, or leaves
// the field blank when the number does not fit its four places.
#pragma once

#include <QString>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kvl {

class TMaskEdit;

// The texts the editors accept: at most this many characters, stored trimmed.
inline constexpr int kDescriptionLength = 30;

QPushButton* FormButton(QWidget* parent, const char* name, const QString& text);
// A "Help" button that opens the help file at topic.
QPushButton* HelpButton(QWidget* parent, int topic);
QLabel* FormLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy);
TMaskEdit* NumberField(QWidget* parent, const char* name);
QLineEdit* DescriptionField(QWidget* parent, const char* name);

std::optional<int> ReadNumberField(TMaskEdit* field);
void ShowNumber(TMaskEdit* field, int number);

}  // namespace kvl

// Pieces the expense and income windows share: their date and amount fields, the account and
// folder lists that keep each entry's number beside its text, and the help key.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace kvl {

class TDropDownList;
class TMaskEdit;
struct Choices;

// A masked field of the entry windows, whose whole text is selected when the field is entered
// from the keyboard, by the program or with its window (not by a click, nor when the focus comes
// back from a message box), so that what is typed replaces it: Qt puts the caret on the first
// empty place of a masked field, and "55.25" typed into "   102.21" would give "55102.25".
TMaskEdit* EntryField(QWidget* parent, const char* name, const QString& mask);
// A date field (date entry rule) and an amount field (its mask is set again at each showing,
// from the locale's decimal separator then in force).
TMaskEdit* DateField(QWidget* parent, const char* name);
TMaskEdit* AmountField(QWidget* parent, const char* name);

// Replaces the entries and chooses choices.index (none when empty).
void FillChoices(TDropDownList* list, const Choices& choices);
// The number of the chosen entry; none when nothing is chosen.
std::optional<int> ChosenNumber(const TDropDownList* list);

// F1 anywhere in the window opens the help file at topic.
void HelpKey(QWidget* window, int topic);

}  // namespace kvl

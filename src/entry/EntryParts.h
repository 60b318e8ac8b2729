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

// A date field (date entry rule) and an amount field (its mask is set at each showing, from the
// locale's decimal separator then in force).
TMaskEdit* DateField(QWidget* parent, const char* name);
TMaskEdit* AmountField(QWidget* parent, const char* name);

// Replaces the entries and chooses choices.index (none when empty).
void FillChoices(TDropDownList* list, const Choices& choices);
// The number of the chosen entry; none when nothing is chosen.
std::optional<int> ChosenNumber(const TDropDownList* list);

// F1 anywhere in the window opens the help file at topic.
void HelpKey(QWidget* window, int topic);

}  // namespace kvl

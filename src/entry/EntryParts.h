// Pieces the expense and income windows share: their amount field, the account and folder lists
// that keep each entry's number beside its text, and the help key.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace kvl {

class TDropDownList;
class TMaskEdit;
struct Choices;

// An amount field (amount entry rule); its mask is set again at each showing, from the locale's
// decimal separator then in force.
TMaskEdit* AmountField(QWidget* parent, const char* name);

// Replaces the entries and chooses choices.index (none when empty).
void FillChoices(TDropDownList* list, const Choices& choices);
// The number of the chosen entry; none when nothing is chosen.
std::optional<int> ChosenNumber(const TDropDownList* list);

// F1 anywhere in the window opens the help file at topic.
void HelpKey(QWidget* window, int topic);

}  // namespace kvl

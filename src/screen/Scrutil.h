// The parts of the entry rules that touch a field: the date field's check, the amount field's keys,
// leaving and colour, and the toolkit's conversion error boxes. The rules themselves (reading and
// formatting dates, amounts and whole numbers) are in data/EntryRules.h.
//
// CheckDateField warns "Invalid Date Entered" and returns false for a text that is not a date (the
// caller takes the focus back); otherwise it rewrites the field in the short date form and returns
// true. Conversion failures that the program does not catch itself show the toolkit's error box
// texts: "'%s' is not a valid integer value" and "'%s' is not a valid floating point value".
#pragma once

#include <QDate>
#include <QString>
#include <optional>

#include "data/EntryRules.h"

class QKeyEvent;

namespace kvl {

class TMaskEdit;

bool CheckDateField(TMaskEdit* field, QDate* date = nullptr);

// Red while the field's text holds a minus sign, black otherwise.
void SetAmountColour(TMaskEdit* field);
// The key handling and the leaving of an amount field with entry format "%9.2f".
void AmountFieldKeyPress(TMaskEdit* field, QKeyEvent* event, bool* swallow);
void AmountFieldExit(TMaskEdit* field);

// ReadIntegerText, showing the toolkit's conversion error box when the text is not a number.
std::optional<int> StrToIntOrError(const QString& text);

}  // namespace kvl

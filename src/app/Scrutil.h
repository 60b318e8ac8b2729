// The system-wide entry rules for dates and amounts, and the number texts every window shows.
//
// Dates: a date field carries DateEditMask(); its text is read with the locale's short date order
// (month-day-year, day-month-year or year-month-day), blanks allowed before each number, and a year
// of at most two digits falls in the hundred years beginning 60 years before today's year (the
// clock of data/Clock.h). Impossible dates are not dates. CheckDateField warns "Invalid Date
// Entered" and returns false for a text that is not a date (the caller takes the focus back);
// otherwise it rewrites the field in the short date form and returns true.
// Amounts: an amount field carries AmountEditMask(); NormalizeAmountText reads its text without
// blanks (a lone separator or sign reads as zero) and formats it, keeping a typed minus sign in
// front of a zero. Formats are "%W.Pf" (no grouping) and "%W.Pn" (with the locale's thousands
// separator); both use the locale's decimal separator, round half away from zero and are padded
// on the left to W characters.
// Conversion failures that the program does not catch itself show the toolkit's error box texts:
// "'%s' is not a valid integer value" and "'%s' is not a valid floating point value".
#pragma once

#include <QDate>
#include <QString>
#include <optional>

class QKeyEvent;

namespace kvl {

class TMaskEdit;

// Date entry rule.
QString DateEditMask();  // "!99/99/00;1;_"
std::optional<QDate> ReadDateText(const QString& text);
QString DateToShortText(const QDate& date);  // the locale's short date form, for lists
QString DateToFieldText(const QDate& date);  // the same in a date field's 2-2-2 places
bool CheckDateField(TMaskEdit* field, QDate* date = nullptr);

// Amount entry rule.
QString AmountEditMask();  // "!######" + decimal separator + "99;1;_"
std::optional<double> ReadAmountText(const QString& text);
std::optional<QString> NormalizeAmountText(const QString& text, const QString& format);
QString FormatAmount(double value, const QString& format);
// Red while the field's text holds a minus sign, black otherwise.
void SetAmountColour(TMaskEdit* field);
// The key handling and the leaving of an amount field with entry format "%9.2f".
void AmountFieldKeyPress(TMaskEdit* field, QKeyEvent* event, bool* swallow);
void AmountFieldExit(TMaskEdit* field);

// Whole numbers as the toolkit converts them: optional sign and decimal digits, nothing else.
std::optional<int> ReadIntegerText(const QString& text);
// ReadIntegerText, showing the toolkit's conversion error box when the text is not a number.
std::optional<int> StrToIntOrError(const QString& text);

}  // namespace kvl

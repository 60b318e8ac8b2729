// The system-wide text rules for dates, amounts and whole numbers, without any widget, so that the
// windows, the report builders and kvl-cli read and write the same texts.
//
// Dates: a date field carries DateEditMask(); its text is read with the locale's short date order
// (month-day-year, day-month-year or year-month-day), blanks allowed before each number, and a year
// of at most two digits falls in the century window of data/DbUtil.h. Impossible dates are not
// dates.
// Amounts: an amount field carries AmountEditMask(); NormalizeAmountText reads its text without
// blanks (a lone separator or sign reads as zero) and formats it, keeping a typed minus sign in
// front of a zero. Formats are "%W.Pf" (no grouping) and "%W.Pn" (with the locale's thousands
// separator); both use the locale's decimal separator, round half away from zero and are padded
// on the left to W characters. Entry fields show "%9.2f", pick lists "%12.2n", reports "%13.2n".
// The locale is the one of data/Clock.h.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace kvl {

// Date entry rule.
QString DateEditMask();  // "!99/99/00;1;_"
std::optional<QDate> ReadDateText(const QString& text);
QString DateToShortText(const QDate& date);  // the locale's short date form, for lists
QString DateToFieldText(const QDate& date);  // the same in a date field's 2-2-2 places

// Amount entry rule.
QString AmountEditMask();  // "!######" + decimal separator + "99;1;_"
std::optional<double> ReadAmountText(const QString& text);
std::optional<QString> NormalizeAmountText(const QString& text, const QString& format);
QString FormatAmount(double value, const QString& format);

// The largest number a four-digit account or folder field holds.
inline constexpr int kHighestNumber = 9999;

// Whole numbers as the toolkit converts them: optional sign and decimal digits, nothing else.
std::optional<int> ReadIntegerText(const QString& text);

}  // namespace kvl

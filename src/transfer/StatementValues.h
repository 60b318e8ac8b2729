// The values of a statement line read from the bank's text: dates, amounts and check numbers, as
// both statement readers take them.
//
// A date is YYYY-MM-DD or DD.MM.YYYY, or MM/DD/YYYY or DD/MM/YYYY when that format is chosen (a
// slash date read automatically is ambiguous and refused), optionally followed by a blank or "T"
// and a time. An amount is negative for a debit, with a leading or trailing "-" or in parentheses,
// a currency sign $ € £ ¥ allowed beside it; with a decimal point "," groups thousands, with a
// decimal comma "." does; blanks and "'" group thousands too; groups after the first hold three
// digits; decimals beyond the second must be zero. A check number is empty (none) or a whole
// number of at most 8 digits' value.
#pragma once

#include <QDate>
#include <QString>
#include <QStringView>
#include <optional>

namespace kvl {

enum class CsvDateFormat { Automatic, YearMonthDay, MonthDayYear, DayMonthYear, DayMonthYearDots };

// "YYYY-MM-DD", "MM/DD/YYYY", "DD/MM/YYYY", "DD.MM.YYYY"; Automatic is "automatic".
std::optional<CsvDateFormat> ParseCsvDateFormat(const QString& text);
QString CsvDateFormatName(CsvDateFormat format);

// *ambiguous is set for a slash date read automatically.
std::optional<QDate> ReadStatementDate(QStringView text, CsvDateFormat format,
                                       bool* ambiguous = nullptr);
// Cents, negative for a debit. An amount too large for any field reads as more than
// kLargestCents in magnitude, not as a failure.
std::optional<qint64> ReadStatementAmount(QStringView text, bool decimalComma);
// 0 for an empty text.
std::optional<long> ReadCheckNumber(QStringView text);

}  // namespace kvl

// Archiving and de-archiving without a window: the range the dialog proposes and the change that
// marks every expense and income record of a date range as archived ("T") or not ("F").
//
// The mark only keeps records out of the pick lists; reports read them all. ArchiveRange opens EXP5
// and INC5 itself and leaves no table open. It first walks both tables and then writes the marks of
// both together on staged copies (data/StagedChange.h), so a crash or a full disk leaves every mark
// of the range as it was or every mark written, never a part.
#pragma once

#include <QDate>

#include "transfer/Outcome.h"

namespace kvl {

// The last complete fiscal year before today: through the day before the current fiscal year's
// start, from the start of the year before. The fiscal year starts on month fyMonth, day fyDay
// (1 January when that is no valid start, as FiscalYearStart takes it).
void LastCompleteFiscalYear(const QDate& today, int fyMonth, int fyDay, QDate* from,
                            QDate* through);

// Both dates pass the century window (as stored dates do). Every record dated from..through (both
// inclusive) ends with the mark, whether or not it had it; records without a date and records
// marked deleted (which the tags hide) are left alone. Both tables are walked in date order with
// the progress box "Archiving Data", also when the range is empty or From is after Through.
// *marked, when given, receives the number of records in the range. Failed (with a warning saying
// why, and nothing changed) when the marks could not be written; otherwise Done.
ChangeResult ArchiveRange(bool archive, const QDate& from, const QDate& through,
                          long* marked = nullptr);

}  // namespace kvl

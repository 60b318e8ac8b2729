// Stored forms of dates and key numbers, shared by every unit that seeks or stores records.
//
// A stored date is 8 characters CCYYMMDD; a null or invalid QDate is "date 0" (no date) and is
// stored as blank text. Every date passes the century window before it is stored: its year is
// moved by one century into the hundred years that begin 60 years before the current year of
// kvl::Today(). Key numbers are right-aligned in a fixed width, as STR(n, width) writes them, so
// that a seek key built here equals the key the tags hold.
#pragma once

#include <QDate>
#include <QString>

namespace kvl {

// The first year of the century window: the current year less 60.
int CenturyWindowStart();

// A year written with at most two digits, read in the century window: 66 to 99 give 1966 to 1999
// and 00 to 65 give 2000 to 2065 when the current year is 2026.
int TwoDigitYear(int written);

// The date with its year moved into [Y-60, Y+39], Y being the current year. A 29 February that
// lands in a year without one becomes the 28th. Date 0 stays date 0.
QDate WindowYear(const QDate& date);

// "yyyymmdd" of the windowed date; the empty text for date 0.
QString DateToKey(const QDate& date);
// The same eight characters written at key, for the store of every record; false (nothing
// written) for date 0 and for a year outside 0 to 9999, which only DateToKey writes.
bool DateKeyInto(const QDate& date, char* key);

// Blank text gives date 0; otherwise characters 1-4, 5-6 and 7-8 are year, month and day. Text that
// does not name a real day also gives date 0.
QDate KeyToDate(const QString& text);
QDate KeyToDate(const char* text);

// The decimal text of n with blanks on the left up to width characters; longer text is kept whole.
QString PadNumber(long n, int width);

}  // namespace kvl

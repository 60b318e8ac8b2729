// What the archive, rate change and payment import commands share: their values read from the
// command line as the windows read theirs from fields, refusing with the windows' "Data Conversion
// Error" message (and a line naming the value), and the exit code of a change's end.
//
// Dates are YYYY-MM-DD within the century window of stored dates; rates are decimal numbers with a
// point; numbers are whole. A command exits 0 when the change is in place, 2 when an input was
// refused (nothing changed) and 1 when the change could not be written (nothing changed either).
#pragma once

#include <QDate>
#include <optional>
#include <string>

#include "data/CodeBase.h"
#include "transfer/Outcome.h"

namespace kvl::cli {

// Each reads its text, or shows the conversion error naming option and gives nothing.
std::optional<QDate> ReadDateArg(const char* command, const char* option, const std::string& text);
std::optional<double> ReadRateArg(const char* command, const char* option, const std::string& text);
std::optional<int> ReadNumberArg(const char* command, const char* option, const std::string& text);

// The period --from through --through, each read as ReadDateArg reads it (--from first).
struct DateArgs {
    QDate from, through;
};
std::optional<DateArgs> ReadPeriodArgs(const char* command, const std::string& from,
                                       const std::string& through);

// The preconditions the windows check before they take their values. Each says yes, or shows the
// window's message and says no; an engine error ends the program, as it does there.
// The table (open) holds a record: a command that needs a chart or the folders refuses an empty
// one with emptyMessage, an information.
bool HasRecords(DATA4* table, const char* emptyMessage);
// The table's tag holds number (as its four-character key), or the warning "There is no <what>
// <number>."; the table must be open with that tag selected.
bool NumberListed(DATA4* table, int number, const char* what);

// "2026-03-01".
std::string IsoText(const QDate& date);

int ExitCodeOf(ChangeResult result);

}  // namespace kvl::cli

// A change to the expense or income table that a crash leaves complete or absent.
//
// The change is made on a copy, through the staged replacement of data/Replacement.h. The live
// table is closed and copied into the staging directory; the program's handles (dbExpenses or
// dbIncome and their fields) are bound to the copy, and the edit runs there through the engine and
// the program's buffer routines. The copy's index group is built beside it, and the copy with its
// tag and group files replaces the live ones together: before the replacement's commit record
// nothing in the data directory has changed, and after it the start-up (or the next writing
// kvl-cli command) finishes whatever renames a crash cut short. So after a crash the table is
// wholly as before or wholly as after the change, with index files that describe it.
//
// Whatever happens short of that, the live table is opened again afterwards by its open routine
// (OpenExpenses or OpenIncome), so the caller's handles are valid as before. The edit must not
// touch other tables; they may stay open. A failure before the commit record leaves every live
// file as it was and is returned. A failure after it (a rename refused part way) leaves the change
// to be finished at the next start: the program says so and ends, as nothing can be trusted to
// describe the table until then.
#pragma once

#include <QString>
#include <functional>

namespace kvl {

enum class StagedTable { Expenses, Income };

// Runs edit on a staged copy of the table and puts the result in place. edit returns false to give
// up, with the engine's pending error (if any) as the reason. True when the change is in place;
// false when nothing was changed, with the reason in *failure.
bool ChangeStaged(StagedTable which, const std::function<bool()>& edit, QString* failure);

}  // namespace kvl

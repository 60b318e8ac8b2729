// A change to the expense table, the income table or both that a crash leaves complete or absent.
//
// The change is made on copies, through the staged replacement of data/Replacement.h. Each live
// table named is closed and copied into the staging directory; the program's handles (dbExpenses,
// dbIncome and their fields) are bound to the copies, and the edit runs there through the engine
// and the program's buffer routines. Each copy's index group is built beside it, and the copies
// with their tag and group files replace the live ones together: before the replacement's commit
// record nothing in the data directory has changed, and after it the start-up (or the next writing
// kvl-cli command) finishes whatever renames a crash cut short. So after a crash the tables are
// wholly as before or wholly as after the change, with index files that describe them.
//
// Whatever happens short of that, each live table named is opened again afterwards by its open
// routine (OpenExpenses or OpenIncome), so the caller's handles are valid as before. The edit must
// not touch other tables; they may stay open. A failure before the commit record leaves every live
// file as it was and is returned. A failure after it (a rename refused part way) leaves the change
// to be finished at the next start: the program says so and ends, as nothing can be trusted to
// describe the table until then.
//
// An edit that only appends records (it changes no record that was there before) may say so. The
// tables are then not copied: the live tables, open by their open routines with their tags, take
// the records in place, under an undo record (data/AppendUndo.h) written before the first one and
// removed once every table and tag is synced. A failure takes the records back out at once; a
// crash leaves the undo record for the next start, which cuts the tables back and rebuilds their
// tags. The cost then follows the records added, not the size of the tables.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace kvl {

enum class StagedTable { Expenses, Income };
enum class StagedEdit { Rewrite, AppendOnly };

// Runs edit on a staged copy of the table and puts the result in place. edit returns false to give
// up, with the engine's pending error (if any) as the reason. True when the change is in place;
// false when nothing was changed, with the reason in *failure.
bool ChangeStaged(StagedTable which, const std::function<bool()>& edit, QString* failure);
// The same over several tables (each named once), replaced together or not at all.
bool ChangeStaged(const std::vector<StagedTable>& which, const std::function<bool()>& edit,
                  QString* failure, StagedEdit kind = StagedEdit::Rewrite);

}  // namespace kvl

// A change to the expense or income table that a crash leaves complete or absent.
//
// The change is made on a copy. The live table is closed and copied into the staging directory
// (kStagingDir, inside the data directory, so that a rename can move files out of it); the
// program's handles (dbExpenses or dbIncome and their fields) are bound to the copy, and the edit
// runs there through the engine and the program's buffer routines. The copy's index group is then
// built from its records, the live tags are marked as being changed, the copy replaces the live
// table in one rename, and its tags and group file replace the live ones. A crash before that
// rename leaves the table as it was; a crash after it leaves the changed table. A tag still marked
// is refused by the engine and rebuilt from whichever table is in place by the start-up rebuild,
// as after an interrupted pack. A staging directory left by a crash holds nothing the program
// reads; the start-up rebuild and the next staged change clear it.
//
// Whatever happens, the live table is opened again afterwards by its open routine (OpenExpenses or
// OpenIncome), so the caller's handles are valid as before. The edit must not touch other tables;
// they may stay open. A failure of the engine or the file system before the rename leaves every
// live file as it was and is returned, never ending the program.
#pragma once

#include <QString>
#include <functional>

namespace kvl {

inline constexpr const char* kStagingDir = ".kvlstage";

enum class StagedTable { Expenses, Income };

// Runs edit on a staged copy of the table and puts the result in place. edit returns false to give
// up, with the engine's pending error (if any) as the reason. True when the change is in place;
// false when nothing was changed, with the reason in *failure.
bool ChangeStaged(StagedTable which, const std::function<bool()>& edit, QString* failure);

// Removes the staging directory of the current directory with everything in it, if there is one.
void ClearStaging();

}  // namespace kvl

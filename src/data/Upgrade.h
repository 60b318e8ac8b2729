// Conversion of the older generation's data (Inc3.dbf, Exp3.dbf, Acc.dbf, Folder.dbf in a chosen
// directory) into the current tables, replacing everything entered so far.
//
// Folders and expense accounts are taken over as whole files (each must be a dBASE table with the
// fields of FOLDER or ACC); the income chart becomes the one account 1 "Ordinary Income",
// taxable; every old income record becomes an INC5 record of account 1 and every old expense an
// EXP5 record, in file order, deleted old records included and live, none archived. Progress
// "Converting Data Files": 5, 10, 15, 20, up to 60 through the income records and up to 100
// through the expenses.
//
// All or nothing: the five new tables and their index groups are built in a staging area and
// replace the data set's together only when the whole conversion succeeded (Replacement.h); a
// conversion that stops says why and leaves every data file as it was. Run while no table is
// open; the old tables are only read.
#pragma once

#include <QString>

namespace kvl {

enum class UpgradeOutcome {
    Converted,
    NotFound,  // an old table is missing ("Data files not found in ...")
    Declined,  // the overwrite warning was answered Cancel
    Failed,    // stopped part way; nothing changed
};

// Asks "Warning: All previously entered data will be overwritten" first, with Cancel the default.
UpgradeOutcome UpgradeOldData(const QString& directory, QString* why = nullptr);

// Where the chooser starts for an upgrade: "kelvane_bus" at the root of the volume holding the
// current directory when it holds Inc3.dbf, else "kelvane" there when that does; else empty.
QString DefaultOldDataDirectory();

// What the Upgrade button does once a directory is chosen: the conversion, then, whatever its
// outcome, the engine closed, the full rebuild of the index files and the pack of every table.
UpgradeOutcome RunUpgrade(const QString& directory, QString* why = nullptr);

}  // namespace kvl

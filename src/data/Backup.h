// Backup of the five data tables to a directory the user chooses, and restore from it.
//
// A backup set is one byte copy of each table, NAME.bak, in the chosen directory. Tables go in the
// order ACC, ACCI, FOLDER, EXP5, INC5, with the progress box "Copying Data Files" at 10, 30, 40,
// 50 and 90 before each and 100 at the end; a failure leaves the box up for the caller to hide.
// Every copy is written under a temporary name and renamed over its target when complete, so a
// failed copy never costs the file it was replacing.
//
// Backup: a full disk asks "Disk Full. Insert another disk." with the file name, a write-protected
// disk "Disk is Write Protected", both with OK and Cancel, through the message seam; OK copies the
// same file again to whatever disk is then mounted at the directory, Cancel ends the backup. A
// caller without anyone to answer (kvl-cli) gets Cancel and the reason.
//
// Restore: all or nothing. Every backup file is copied into a staging area and must be a dBASE
// table with its table's fields before anything is replaced; their index groups are built there;
// then all five tables with their index files replace the data set's together (Replacement.h). A
// restore that stops before that leaves every data file as it was and says so. A backup file that
// is missing from a removable volume is asked for ("Insert disk containing NAME.bak", OK or
// Cancel); missing elsewhere it ends the restore ("Unable to find ...").
//
// Run while no table is open; the current directory is the data directory.
#pragma once

#include <QString>

namespace kvl {

enum class CopyDirection { Backup, Restore };

// The directory trimmed and ending in '/'.
QString WithTrailingSlash(const QString& directory);

// True when all five files were copied (and, for a restore, replaced the tables). *why gets the
// reason of a failure, also when the user cancelled.
bool CopyDataFiles(CopyDirection direction, const QString& directory, QString* why = nullptr);

// One table by its bare name ("EXP5"); directory ends in '/'. A restore copies into the staging
// area of the replacement CopyDataFiles has begun.
bool CopyDataFile(CopyDirection direction, const QString& directory, const QString& name,
                  QString* why = nullptr);

// What the Backup button does once a directory is chosen: the backup, "Backup Failed . . Check
// that disk is not write protected" when it fails, and the progress box hidden.
bool RunBackup(const QString& directory, QString* why = nullptr);

// What the Restore button does once a directory is chosen: the restore, "Restore Failed . . Check
// that your disk is not full." when it fails, the progress box hidden and, whatever the outcome,
// the full rebuild of the index files.
bool RunRestore(const QString& directory, QString* why = nullptr);

}  // namespace kvl

// Backup of the five data tables to a directory the user chooses, and restore from it.
//
// A backup set is one byte copy of each table, NAME.bak, in the chosen directory. Tables go in the
// order ACC, ACCI, FOLDER, EXP5, INC5, with the progress box "Copying Data Files" at 10, 30, 40,
// 50 and 90 before each and 100 at the end; a failure hides the box before it is told.
// Every copy is written under a temporary name and renamed over its target when complete, so a
// failed copy never costs the file it was replacing.
//
// Backup: a full disk asks "Disk Full. Insert another disk." with the file name, a write-protected
// disk "Disk is Write Protected", both with OK and Cancel, through the message seam; after OK the
// caller's NextDiskDirectory says where the next disk is (by default where the last one was), the
// same file is copied again there and the later tables follow it; Cancel ends the backup. A caller
// without anyone to answer (kvl-cli) gets Cancel and the reason.
//
// Restore: all or nothing. Every backup file is copied into a staging area and must be a dBASE
// table with its table's fields before anything is replaced; their index groups are built there;
// then all five tables with their index files replace the data set's together (Replacement.h). A
// restore that stops before that leaves every data file as it was and says so. A backup file that
// is missing is asked for ("Insert disk containing NAME.bak", OK or Cancel, Cancel the default)
// on a removable volume, and, where the caller can say where the next disk is, once an earlier
// file of the set was found; the later files are looked for where it is found. Missing elsewhere
// it ends the restore ("Unable to find ...").
//
// Run while no table is open; the current directory is the data directory.
#pragma once

#include <QString>
#include <functional>

namespace kvl {

enum class CopyDirection { Backup, Restore };

// Where the next disk of a backup set is, after the user has said OK to a question asking for it:
// given the directory in use, the directory to go on in (empty gives up, as Cancel does). The
// desktop shows its directory chooser on the directory in use.
using NextDiskDirectory = std::function<QString(const QString& current)>;

// The directory trimmed and ending in '/'.
QString WithTrailingSlash(const QString& directory);

// True when all five files were copied (and, for a restore, replaced the tables). *why gets the
// reason of a failure, also when the user cancelled. Without nextDisk the next disk is looked for
// where the last one was.
bool CopyDataFiles(CopyDirection direction, const QString& directory, QString* why = nullptr,
                   const NextDiskDirectory& nextDisk = {});

// One table by its bare name ("EXP5"); directory ends in '/'. A restore copies into the staging
// area of the replacement CopyDataFiles has begun.
bool CopyDataFile(CopyDirection direction, const QString& directory, const QString& name,
                  QString* why = nullptr);

// The first of the five backup files (ACC.bak, ...) that directory lacks, looked for ignoring case
// as a restore looks for it; empty when the set is complete. For a refusal before anything starts.
QString MissingBackupFile(const QString& directory);

// What the Backup button does once a directory is chosen: the backup, the progress box hidden,
// and "Backup Failed . . Check that disk is not write protected" when it failed.
bool RunBackup(const QString& directory, QString* why = nullptr,
               const NextDiskDirectory& nextDisk = {});

// What the Restore button does once a directory is chosen: the restore, the progress box hidden,
// "Restore Failed . . Check that your disk is not full." when it failed (not after a backup file
// was refused as no backup of its table: that refusal is told alone) and, whatever the outcome,
// the full rebuild of the index files.
bool RunRestore(const QString& directory, QString* why = nullptr,
                const NextDiskDirectory& nextDisk = {});

}  // namespace kvl

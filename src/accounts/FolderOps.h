// The folder list without a window: the folder cycle's selection, the numbering rule, and the walks
// that carry income and expenses along when a folder is renumbered, merged or deleted. Callers have
// FOLDER.dbf open with FolTag selected and INC5 and EXP5 closed (the walks open and close both);
// a pending engine error during a walk ends the program.
#pragma once

namespace kvl {

// The folder cycle's selection: below 0 leave, 0 a new folder, above 0 the record number to edit.
extern int CurrentFolder;

// The lowest number from 1 up that no folder carries (records marked deleted carry none). Numbers
// below 1 are passed over, so a folder renumbered to 0 does not make 1 look free. With every
// number from 1 to kHighestNumber in use the result is kHighestNumber + 1.
int NextFolderNo();

// False when a folder not marked deleted carries n; the seek then leaves that folder current.
bool FolderNoFree(int n);

// Every income and expense record filed under oldNo is filed under newNo.
void MoveFolderEntries(int oldNo, int newNo);

// Marks deleted every income and then every expense record filed under number, and then the
// folder record itself; returns the number of entries marked. The tables need a pack afterwards.
long DeleteFolder(long record, int number);

}  // namespace kvl

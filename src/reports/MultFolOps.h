// The folders a period report covers: how the selection is obtained (directly with fewer than two
// folders, otherwise from the caller's chooser: the folder dialog or kvl-cli's --folders), how a
// builder tests a record's folder against it, and how the selection shows on the report (the
// folder's name before the title with one folder, an "Included Folders:" block at the end with
// several). FOLDER is open with its tag FolTag (folder-number order, deleted records hidden).
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace kvl {

class ReportContext;

// Folder numbers in the order of the folder dialog's list; empty when no report is to be built.
extern std::vector<int> FolderSelection;

// The folder list as the dialog shows it: for each live folder in number order, its number
// right-aligned in 4 characters, " - " and the stored name ("   5 - Office").
QStringList FolderListItems();
// The number in the first 4 characters of such an item; 0 when there is none.
int ItemFolderNumber(const QString& item);

// Empties the selection and fills it: no folder shows "Create folders before running reports";
// one folder is the selection; two or more ask ctx.ChooseFolders(). True when the selection is
// not empty, so that a builder returns at once otherwise. A walk of FOLDER that meets an engine
// error selects nothing and says nothing more (RunReport shows the engine's message).
bool SelectReportFolders(ReportContext& ctx);
// The folder's position in the selection, or -1.
int FolderSelected(int folder);
// The folder's name, trimmed; empty when there is no such folder.
QString FolderName(int folder);
// The first title line of a period report: with one folder selected, its name, a space and kind
// ("Office General Ledger"); otherwise kind.
QString FolderTitle(const QString& kind);
// Two blank rows, then "Included Folders:" at column 0 and each selected folder's stored name at
// column 18, one a row, with a page check without column headers before each.
void AddIncludedFolders();

}  // namespace kvl

// The undo record of a change that only appends records to data tables in place (see
// data/StagedChange.h): what each table file was before the change, kept in the staging directory
// while the change runs, so that a crash leaves nothing of it.
//
// begin() writes the record (synced) before the first record is added: each table file's size,
// the first 32 bytes of its header (the record count among them) and its last byte (the end of
// file mark the first append writes over). commit() removes the record: from then on the records
// belong to the table. rollBack(), and RollBackInterruptedAppend at the next start, cut each
// table file back to what it was, byte for byte, and build its index group again, since its tags
// may hold keys of records that are gone or be marked as left mid-change. A record found at the
// start is rolled back before anything else happens to the data directory
// (FinishInterruptedReplacement does it); a rollback that fails leaves the record in place to be
// tried again.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "data/TableLayouts.h"

namespace kvl {

class AppendUndo {
  public:
    AppendUndo() = default;
    ~AppendUndo() = default;
    AppendUndo(const AppendUndo&) = delete;
    AppendUndo& operator=(const AppendUndo&) = delete;

    // The tables must be closed. False, with the reason, when the record cannot be written; then
    // nothing has changed.
    bool begin(const std::vector<const TableLayout*>& tables, QString* why);
    bool commit(QString* why);
    // The tables must be closed again.
    bool rollBack(QString* why);

    struct TableState {
        std::string name;  // bare table name, as the layouts have it
        uint64_t size = 0;
        std::string header;  // the first bytes of the file, up to 32
        int lastByte = -1;   // the byte at size - 1; -1 for an empty file
    };

  private:
    bool active_ = false;
    std::vector<TableState> states_;
};

// Rolls back an append that a writer left unfinished in dir. False when one was found and could
// not be rolled back (its record stays).
bool RollBackInterruptedAppend(const std::string& dir, QString* why = nullptr);

}  // namespace kvl

// Making a table sound again after a write to it failed part way, so that what the program reads
// next is what the file holds.
//
// A write that fails after the record reached the table (a full disk or an I/O error at an index
// page) leaves the record in the file and a tag without its key. The engine marks such a tag as
// being changed, so every later open refuses it until it is rebuilt. The records are the books and
// the tags are made from them, so the table is kept as its file holds it and only its index group
// is rebuilt, and only when it is not sound. The group and tag files are removed before the new
// ones are written, so that a nearly full disk has their room; a crash in between leaves them
// missing, which the start-up rebuilds.
#pragma once

#include <QString>

#include "data/TableLayouts.h"

namespace kvl {

// Closes table (one of the program's handles), rebuilds its index group when that is not sound
// (setting *rebuilt), and opens the table again with open, its open routine. The engine's pending
// error is cleared first: the caller takes the reason of the failure before. False, with the
// reason in *why, when the group could not be rebuilt: the table is then closed, and its tags are
// rebuilt at the next start.
bool ReopenAfterFailedWrite(const TableLayout& layout, bool (*open)(), DATA4*& table, bool* rebuilt,
                            QString* why);

}  // namespace kvl

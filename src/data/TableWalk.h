// A walk of a whole table in record order, split in parts that run side by side.
//
// For walks that read every record of the books once and learn from each (the statement import's
// payee walk): the records are read straight from the table's file in large blocks, without
// moving the table, and the table's range is cut into parts of about equal size that run on the
// calling thread and one more (one after another while a fault plan is installed, so such tests
// see every read in order). Every part's thread is joined before the walk returns.
#pragma once

#include <functional>
#include <string_view>

#include "data/CodeBase.h"

namespace kvl {

// visit(part, first, block) is called for each block of a part on the thread that runs it, in
// record order within the part, with the record number of the block's first record and its
// records' images (deletion byte first) one after another. Parts share nothing the visitor changes
// unless it guards it. The table's pending change is written first. 0, or the negative code of
// the first failure, which is then pending in the engine.
[[nodiscard]] int WalkTableParts(DATA4* table, int parts,
                                 const std::function<void(int, long, std::string_view)>& visit);

}  // namespace kvl

// Walks that must see every record of a table, records marked deleted included.
//
// Renumbering, merging and cascading deletion rewrite entries by number; a record marked deleted
// but not yet packed still carries its number and must follow, so these walks go in record-number
// order, not through a tag (every tag hides deleted records). After every step the engine is
// tested: a pending engine error ends the program (error4exitTest) instead of leaving a walk half
// done without a word.
#pragma once

#include <functional>

#include "data/CodeBase.h"

namespace kvl {

// Selects record-number order on table: the lookup of an empty tag name, with the tag-name error
// turned off around it, gives "no tag".
void SelectRecordOrder(DATA4* table);

// Selects record-number order and calls visit with each record current, from the first to the
// last. Changes made by visit are written when the walk moves on.
void ForEachRecord(DATA4* table, const std::function<void()>& visit);

}  // namespace kvl

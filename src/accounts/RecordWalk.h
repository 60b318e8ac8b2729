// Walks that must see every record of a table, records marked deleted included (they still carry
// their numbers, and every tag hides them), in record-number order, with the engine tested after
// every step so that an engine error ends the program instead of leaving a walk half done.
#pragma once

#include <functional>

#include "data/CodeBase.h"

namespace kvl {

// Selects record-number order and calls visit with each record current, from the first to the
// last. Changes made by visit are written when the walk moves on.
void ForEachRecord(DATA4* table, const std::function<void()>& visit);

}  // namespace kvl

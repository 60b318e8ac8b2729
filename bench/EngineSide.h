// The engine's side of every workload, run as the program runs it: the data store's open routines,
// field handles and record buffers, the CodeBase calls where the program makes them, and the
// maintenance routines for reindex and pack. Tables live in the current directory, opened by their
// bare names; every workload opens what it needs and closes everything at the end, as each
// operation of the main window does. Each timed call returns seconds; a failure throws
// std::runtime_error with the engine's message.
#pragma once

#include <vector>

#include "Books.h"
#include "Results.h"

namespace bench {

class EngineSide {
  public:
    explicit EngineSide(const Books& books);
    ~EngineSide();
    EngineSide(const EngineSide&) = delete;
    EngineSide& operator=(const EngineSide&) = delete;

    // A new data set in the current directory, the expense chart and the folders filled, the
    // expense table empty with its two tags.
    void prepare();

    double load();
    double reindex();
    double summary(std::vector<SummaryRow>& rows);
    double browse(std::vector<long>& list);
    // The expense pick list's first showing for the browse folder: its RecordList and first page.
    double picklist(PickShowing& showing);
    double seek(SeekTotals& totals);
    void markDeleted();  // untimed: the records the pack removes
    double pack();

    // Untimed: the live records in record order, checked against the count of both tags.
    TableTotals totals();

  private:
    const Books& books_;
};

}  // namespace bench

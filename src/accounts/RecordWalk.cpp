#include "accounts/RecordWalk.h"

#include "data/dbFiles.h"

namespace kvl {

void ForEachRecord(DATA4* table, const std::function<void()>& visit) {
    SelectRecordOrder(table);
    int rc = d4top(table);
    error4exitTest(cb);
    while (rc == r4success) {
        visit();
        rc = d4skip(table, 1);
        error4exitTest(cb);
    }
}

}  // namespace kvl

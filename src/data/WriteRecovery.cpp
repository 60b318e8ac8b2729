#include "data/WriteRecovery.h"

#include "data/Maintenance.h"
#include "data/dbFiles.h"
#include "engine/Files.h"

namespace kvl {

bool ReopenAfterFailedWrite(const TableLayout& layout, bool (*open)(), DATA4*& table, bool* rebuilt,
                            QString* why) {
    code4errorCode(cb, 0);
    if (table) {
        // A tag the failure left half-changed keeps its mark through the close.
        (void)d4close(table);  // the failure being told is the one that counts
        table = nullptr;
        code4errorCode(cb, 0);
    }
    *rebuilt = IndexFilesMissing(layout) || IndexGroupUnsound(layout);
    if (*rebuilt) {
        xb::RemoveFile(xb::ResolvePath(".", layout.groupFile));
        for (const TagLayout& tag : layout.tags)
            xb::RemoveFile(xb::ResolvePath(".", tag.fileName()));
        if (!BuildIndexGroupAt(xb::ResolvePath(".", layout.fileName), layout, why)) return false;
    }
    open();
    return true;
}

}  // namespace kvl

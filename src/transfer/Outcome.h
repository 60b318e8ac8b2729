// What the transfer operations share: how a change ended, and the message every dialog of the
// folder shows for a value that does not convert.
#pragma once

namespace kvl {

inline constexpr const char* kDataConversionError =
    "Data Conversion Error. Please check values and try again";

enum class ChangeResult {
    Refused,  // a check failed; its message was shown; nothing changed
    Done,     // the change is in place
    Failed,   // the change could not be written; the message was shown; nothing changed
};

}  // namespace kvl

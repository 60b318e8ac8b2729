// Result codes and the status value every engine call returns.
//
// The engine never throws across its interface. Positional calls (top, skip, seek, go) return an
// int: 0 success, a positive code for a position result, a negative code for an error. Calls that
// can only succeed or fail return a Status that carries the negative code and a message naming the
// file and the fault. Both are to be looked at: a caller tests s.ok() (never a conversion to bool)
// and one that drops a result on purpose says why.
#pragma once

#include <string>
#include <utility>

namespace xb {

// Position results.
inline constexpr int r4success = 0;
inline constexpr int r4after = 2;  // a seek landed on a greater key
inline constexpr int r4eof = 3;    // no record at or after the position
inline constexpr int r4bof = 4;    // moved before the first record

// Errors (negative). The numbers follow the CodeBase convention so that logs read familiarly.
inline constexpr int e4create = -20;
inline constexpr int e4open = -60;
inline constexpr int e4read = -70;
inline constexpr int e4write = -80;
inline constexpr int e4data = -200;  // not a table, or a table whose header lies
inline constexpr int e4fieldName = -210;
inline constexpr int e4index = -310;  // damaged, foreign or half-written index file
inline constexpr int e4tagName = -330;
inline constexpr int e4expr = -400;  // expression that cannot be parsed or is not supported
inline constexpr int e4info = -910;  // call made in a state that does not allow it
inline constexpr int e4parm = -930;  // bad argument

struct [[nodiscard]] Status {
    int code = 0;
    std::string message;

    bool ok() const { return code == 0; }

    static Status Ok() { return {}; }
    static Status Error(int code, std::string message) { return Status{code, std::move(message)}; }
};

}  // namespace xb

// The table engine under the call names the program uses.
//
// Everything above the engine reaches tables through these calls, the open routines of dbFiles and
// their field handles and buffers. The calls keep the engine's conventions: 0 success, r4eof (3)
// at the end, r4after (2) when a seek lands on a greater key, a negative code pending in the engine
// after a failed open or tag lookup (code4errorCode returns it and clears it). Texts passed in and
// out are the table's raw Windows-1252 bytes; FieldText/AssignText in dbFiles convert at the
// program's boundary. code4exit and error4exitTest end the program through EndProgram
// (ProgramExit.h), so tests can catch it. Calls whose result carries a position or a failure the
// engine does not keep are [[nodiscard]]; closing everything (code4close, code4initUndoP) is not:
// a failure there stays pending in the engine like every other.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Engine.h"
#include "engine/Status.h"

typedef xb::Engine CODE4;
typedef xb::Table DATA4;
typedef xb::Tag TAG4;
typedef xb::Field FIELD4;

struct TAG4INFO {
    const char* name;  // nullptr ends the list
    const char* expression;
    const char* filter;  // nullptr or "" for none
    short unique;
    unsigned short descending;
};

using xb::r4after;
using xb::r4bof;
using xb::r4eof;
using xb::r4success;

CODE4* code4initP();
int code4initUndoP(CODE4* cb);
// Settings: each sets the value and returns the previous one.
int code4autoOpen(CODE4* cb, int on);
int code4safety(CODE4* cb, int on);
int code4accessMode(CODE4* cb, int mode);  // 1: others may only read; 0: shared
int code4errTagName(CODE4* cb, int on);
// Returns the pending code and replaces it by value.
int code4errorCode(CODE4* cb, int value);
// Ends the program after showing the engine's message when the pending code is negative.
int error4exitTest(CODE4* cb);
// Shows the engine's pending error as error4exitTest words it ("Error <code>: <message>", an error
// box) and takes it, for a walk that stops without ending the program. False, showing nothing,
// when no error is pending.
bool ShowEngineError(CODE4* cb);
[[noreturn]] void code4exit(CODE4* cb);
int code4close(CODE4* cb);

DATA4* d4open(CODE4* cb, const char* name);
[[nodiscard]] int d4close(DATA4* d);
TAG4* d4tag(DATA4* d, const char* name);
void d4tagSelect(DATA4* d, TAG4* t);
[[nodiscard]] int d4top(DATA4* d);
[[nodiscard]] int d4bottom(DATA4* d);
[[nodiscard]] int d4skip(DATA4* d, long n);
[[nodiscard]] int d4seek(DATA4* d, const char* key);
[[nodiscard]] int d4go(DATA4* d, long recno);
long d4recNo(DATA4* d);
long d4recCountDo(DATA4* d);
[[nodiscard]] int d4appendBlank(DATA4* d);
// Until the table next moves, flushes or closes, the keys of the records appended are gathered and
// then put into each tag in key order, the tags side by side: for a long run of appends.
void d4gatherKeys(DATA4* d);
void d4delete(DATA4* d);
int d4deleted(DATA4* d);
[[nodiscard]] int d4pack(DATA4* d);
[[nodiscard]] int d4zap(DATA4* d, long first, long count);
[[nodiscard]] int d4refresh(DATA4* d);
// d4refresh, then the table's header and every tag's changed pages: once it returns, the record and
// its keys are in the files (the system's cache of them) and a death of the process loses neither.
[[nodiscard]] int d4flush(DATA4* d);
// The entries of the selected tag from the first whose key is not below `from` up to the last
// whose key, over the length of `through`, is not greater than it: counted on the tag alone, no
// record read. The table stays on its record and its next skip continues from there. Negative,
// with the code pending, on a damaged tag.
[[nodiscard]] long d4tagCount(DATA4* d, const char* from, const char* through);
// d4tagCount, giving also the entries' record numbers in the tag's order (each a record of the
// table, or the count fails with e4index): a walk over a long range goes to them in turn (d4go)
// instead of reading the tag's pages again.
[[nodiscard]] long d4tagRecords(DATA4* d, const char* from, const char* through,
                                std::vector<uint32_t>& recnos);
// A handle of its own on the selected tag's file: its count (NtxIndex::count) may run on another
// thread while the table only goes from record to record (d4go). nullptr, nothing raised, when the
// tag has changes not yet written or cannot be opened again.
std::unique_ptr<xb::NtxIndex> d4tagReader(DATA4* d);
// Leaves an error pending in the table's engine, as a failed call would: for a failure met on
// another thread, raised on the table's own.
int d4raise(DATA4* d, int code, const std::string& message);
// Asks the processor for a record's bytes ahead of a d4go to it, when they are cached.
void d4prefetch(DATA4* d, long recno);
FIELD4* d4field(DATA4* d, const char* name);
// The current record's whole image, deletion byte first: valid while the table stays on it.
std::string_view d4recordImage(DATA4* d);
[[nodiscard]] int i4create(DATA4* d, const char* group, const TAG4INFO* tags);

// The raw text of the field at full width, valid until the next f4str call.
const char* f4str(FIELD4* f);
// The same text as f4str (up to a NUL byte, as a C string ends) without copying it: valid while
// the table stays on its record. For loops that read every record.
std::string_view f4view(FIELD4* f);
int f4int(FIELD4* f);
// What f4view and f4long give for a field's bytes at full width taken from a copy of a record
// (d4recordImage): for a walk that hands its records on to be read elsewhere.
std::string_view f4viewText(std::string_view raw);
long f4longText(std::string_view raw);
long f4long(FIELD4* f);
[[nodiscard]] int f4double2(FIELD4* f, double* out);
// The value in whole cents, as llround of f4double2's value times 100 gives it; the usual text of
// an amount (blanks, a sign, digits, a point and two decimals) is read without the general parse.
long long f4cents(FIELD4* f);
int f4true(FIELD4* f);
void f4assign(FIELD4* f, const char* text);
void f4assignInt(FIELD4* f, int value);
void f4assignLong(FIELD4* f, long value);
void f4assignDouble(FIELD4* f, double value);

// The fuzz targets' entry points, shared by the libFuzzer programs and by the test that replays
// the saved corpora and the inputs of past findings.
//
// Each takes arbitrary bytes, drives the engine with them and returns 0. A crash, a sanitizer
// report, a hang or an abort from Require (an engine result that contradicts another) is a
// finding; an engine call that refuses the input with an error code is the expected outcome.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Field.h"

namespace kvlfuzz {

// Opens the bytes as a .dbf, scans and reads every field; a small table is also changed and
// packed, and must then hold what was written.
int FuzzDbf(const uint8_t* data, size_t size);

// Opens the bytes as the .ntx of tag X of a valid table T, walks and seeks it, then changes records
// through the table; a tree that verified sound must stay sound.
int FuzzNtx(const uint8_t* data, size_t size);

// The text before the first newline is a key or filter expression over the fields of
// ExprFields(); the bytes after it are a record image. Parses and evaluates, and runs the number
// helpers on the text.
int FuzzExpr(const uint8_t* data, size_t size);

// The bytes are the group file of a table with tag files X and Y: read, written back and read
// again when accepted, and opened with the table, which must open exactly when the group reads.
int FuzzCgp(const uint8_t* data, size_t size);

// The first byte chooses the CSV reading options (decimal comma, date format, columns given or
// named by a header); the rest is a CSV statement. Every line read is mapped to its record.
int FuzzStatement(const uint8_t* data, size_t size);

// The table that FuzzNtx indexes: its fields and its records, as a table file image.
std::vector<xb::FieldDesc> NtxTableFields();
// Writes table T (dir/T.dbf) with its records and the group file listing tag X.
bool WriteNtxTable(const std::string& dir);

std::vector<xb::FieldDesc> ExprFields();

// A directory of the process's own for the targets' files, removed at exit.
const std::string& ScratchDir();

}  // namespace kvlfuzz

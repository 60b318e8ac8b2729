// The integrity check of a data set's five data tables and the repair of their index groups.
//
// For each table the check reports whether the table opens (its header agreeing with the file) with
// the fields the program binds, whether its group file lists exactly the table's tags, and whether
// every tag file is a sound tree built on the expected key expression and FOR condition that holds
// exactly one entry, with the key recomputed from the record, for each live record, in key order,
// and none for a deleted record. The check opens everything read-only and changes nothing. The
// repair rebuilds the index group of each faulty table whose records can be read, as a full
// rebuild would, and never changes a table's records.
#pragma once

#include <string>
#include <vector>

#include "data/TableLayouts.h"

namespace kvl {

struct TableCheck {
    std::string table;  // "EXP5"
    long records = 0;   // all records, deleted ones included
    int tags = 0;       // tag files that opened
    std::vector<std::string> faults;
    bool readable = false;  // the table opened with its fields: a rebuild can mend its group
    bool ok() const { return faults.empty(); }
};

TableCheck CheckTable(const std::string& dir, const TableLayout& table);
// The five data tables in rebuild order.
std::vector<TableCheck> CheckDataSet(const std::string& dir);

// Whether the file at path opens as a dBASE table whose header agrees with the file, that holds
// every field the layout binds with the layout's type, and whose every record can be read. False
// with the reason (without the path) in *why. A table file copied in from elsewhere is checked
// with this before it may replace one of the data set's.
bool TableFileFits(const std::string& path, const TableLayout& layout, std::string* why);

// "OK EXP5: 1234 records, 2 tags", or one "FAULT EXP5: ..." line per fault.
std::vector<std::string> CheckLines(const TableCheck& check);

// Rebuilds the group of every faulty, readable table in the current directory (through the
// program's engine handle `cb`) and returns the names of the tables rebuilt.
std::vector<std::string> RepairIndexes(const std::vector<TableCheck>& checks);

}  // namespace kvl

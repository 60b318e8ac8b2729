// The layouts of the six tables and the tags of the five data tables, in one place.
//
// Creating a data set, rebuilding indexes, checking them and the tests all take the field lists,
// group names, tag names, key expressions and file names from here, so the names the program opens
// and the files it creates cannot drift apart. Data tables are listed in the order in which
// indexes are rebuilt: ACC, ACCI, FOLDER, EXP5, INC5.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/CodeBase.h"
#include "engine/Field.h"

namespace kvl {

// Every tag is ascending, not unique, and hides records marked deleted.
inline constexpr const char* kTagFilter = ".NOT. DELETED()";

struct TagLayout {
    const char* name;        // as created; its file is name + ".ntx" ("EDate" -> "EDate.ntx")
    const char* expression;  // key expression
    const char* lookupName;  // as the open routine looks it up ("eDate")
    const char* failName;    // the tag file as the failure message names it ("eDate.Ntx")
    std::string fileName() const { return std::string(name) + ".ntx"; }
};

struct TableLayout {
    const char* name;       // bare name passed to d4open ("EXP5")
    const char* fileName;   // the table file ("EXP5.dbf")
    const char* failName;   // the table file as the failure message names it ("EXP5.DBF")
    const char* group;      // group name given to i4create ("exp5"); empty for the settings table
    const char* groupFile;  // the group file as the missing-only rebuild tests it ("Exp5.cgp")
    int rebuildProgress;    // bar position after this table in a full rebuild
    std::vector<xb::FieldDesc> fields;  // offsets left 0; the engine computes them
    std::vector<TagLayout> tags;        // the first is selected on open

    bool hasIndex() const { return !tags.empty(); }
};

const TableLayout& ExpenseAccountLayout();  // ACC
const TableLayout& IncomeAccountLayout();   // ACCI
const TableLayout& FolderLayout();          // FOLDER
const TableLayout& ExpenseLayout();         // EXP5
const TableLayout& IncomeLayout();          // INC5
const TableLayout& SettingsLayout();        // KVL1

// The five data tables in rebuild order.
const std::vector<const TableLayout*>& DataTableLayouts();
// All six tables: the settings table first, then the data tables in rebuild order.
const std::vector<const TableLayout*>& AllTableLayouts();
// The layout whose bare name equals name ignoring case, or nullptr.
const TableLayout* FindLayout(std::string_view name);

// The tag list for i4create, ended by an entry without a name. Valid as long as the layout.
std::vector<TAG4INFO> TagInfoList(const TableLayout& table);

}  // namespace kvl

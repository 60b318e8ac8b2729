// Tables of the older generation (Inc3.dbf, Exp3.dbf; Acc.dbf and Folder.dbf have today's
// layouts), written through the engine for the upgrade's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Engine.h"

namespace kvltest {

struct OldRecord {
    std::vector<std::string> fields;  // texts in field order
    bool deleted = false;
};

inline const std::vector<xb::FieldDesc> kOldIncome{{"INCDATE", 'D', 8, 0, 0},
                                                   {"INCDESC", 'C', 30, 0, 0},
                                                   {"INCAMT", 'N', 9, 2, 0},
                                                   {"FOLNO", 'N', 4, 0, 0},
                                                   {"INCIMP", 'L', 1, 0, 0}};
inline const std::vector<xb::FieldDesc> kOldExpenses{
    {"EXPDATE", 'D', 8, 0, 0}, {"CHECKNO", 'N', 8, 0, 0}, {"ACCNO", 'N', 4, 0, 0},
    {"FOLNO", 'N', 4, 0, 0},   {"PAYTO", 'C', 30, 0, 0},  {"AMOUNT", 'N', 9, 2, 0},
    {"EMEMO", 'C', 30, 0, 0}};

inline void WriteOldTable(const std::string& path, const std::vector<xb::FieldDesc>& fields,
                          const std::vector<OldRecord>& records) {
    ASSERT_TRUE(xb::CreateTable(path, fields).ok());
    xb::Engine engine;
    engine.settings.autoOpen = false;
    xb::Table* table = engine.open(path);
    ASSERT_TRUE(table);
    for (const OldRecord& r : records) {
        ASSERT_EQ(table->appendBlank(), 0);
        for (size_t i = 0; i < fields.size() && i < r.fields.size(); ++i)
            table->field(fields[i].name)->assign(r.fields[i]);
        table->setDeleted(r.deleted);
    }
    ASSERT_EQ(engine.closeAll(), 0);
}

}  // namespace kvltest

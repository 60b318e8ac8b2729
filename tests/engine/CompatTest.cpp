// Tables written by the engine read back by Debian's python3-dbfread, and tables written by
// python3-dbf opened and indexed by the engine.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "common/TempDir.h"
#include "engine/Engine.h"
#include "engine/Files.h"

using namespace xb;
using kvltest::TempDir;

namespace {

// Runs a Python script and returns its standard output; empty optional when Python fails.
bool RunPython(const TempDir& dir, const std::string& script, std::string& out) {
    std::string file = dir.file("script.py");
    std::ofstream(file) << script;
    std::string cmd = std::string(KVL_PYTHON) + " " + file + " 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return false;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    return ::pclose(p) == 0;
}

bool HasModule(const TempDir& dir, const char* module) {
    std::string out;
    return RunPython(dir, std::string("import ") + module + "\n", out);
}

TEST(Compat, DbfreadReadsWhatTheEngineWrites) {
    TempDir dir;
    if (!HasModule(dir, "dbfread")) GTEST_SKIP() << "python3-dbfread is not installed";
    ASSERT_TRUE(CreateTable(dir.file("INC5.dbf"), {{"INCACC", 'N', 4, 0, 0},
                                                   {"INCIMP", 'L', 1, 0, 0},
                                                   {"INCDATE", 'D', 8, 0, 0},
                                                   {"INCDESC", 'C', 30, 0, 0},
                                                   {"INCAMT", 'N', 9, 2, 0}})
                    .ok());
    Engine engine;
    Table* t = engine.open(dir.file("INC5"));
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->appendBlank(), r4success);
    t->field("INCACC")->assignNumber(12);
    t->field("INCIMP")->assign("T");
    t->field("INCDATE")->assign("20260315");
    t->field("INCDESC")->assign(Utf8ToCp1252("Façade repair – Ørsted"));
    t->field("INCAMT")->assignNumber(-45.5);
    ASSERT_EQ(t->appendBlank(), r4success);
    t->field("INCACC")->assignNumber(3);
    t->field("INCIMP")->assign("F");
    t->field("INCAMT")->assignNumber(123456.78);
    ASSERT_EQ(t->appendBlank(), r4success);
    t->setDeleted(true);
    ASSERT_EQ(engine.closeAll(), 0);

    std::string out;
    ASSERT_TRUE(RunPython(dir,
                          "import dbfread\n"
                          "t = dbfread.DBF('" + dir.file("INC5.dbf") + "', encoding='cp1252')\n"
                          "print(len(t.records), len(t.deleted))\n"
                          "for r in t:\n"
                          "    print(repr((r['INCACC'], r['INCIMP'], r['INCDATE'], r['INCDESC'], "
                          "r['INCAMT'])))\n",
                          out))
        << out;
    EXPECT_EQ(out,
              "2 1\n"
              "(12, True, datetime.date(2026, 3, 15), 'Façade repair – Ørsted', -45.5)\n"
              "(3, False, None, '', 123456.78)\n");
}

TEST(Compat, EngineReadsAndIndexesWhatPythonDbfWrites) {
    TempDir dir;
    if (!HasModule(dir, "dbf")) GTEST_SKIP() << "python3-dbf is not installed";
    std::string out;
    ASSERT_TRUE(RunPython(dir,
                          "import dbf, datetime\n"
                          "t = dbf.Table('" + dir.file("acc.dbf") +
                              "', 'ACCNO N(4,0); ACDESC C(30); ACDED L; OPENED D', "
                              "dbf_type='db3', codepage='cp1252')\n"
                              "t.open(dbf.READ_WRITE)\n"
                              "t.append((17, 'Rent', True, datetime.date(2020, 2, 29)))\n"
                              "t.append((3, 'Café supplies', False, None))\n"
                              "t.append((-4, 'Adjustment', True, datetime.date(1999, 12, 31)))\n"
                              "t.close()\n",
                          out))
        << out;
    Engine engine;
    Table* t = engine.open(dir.file("ACC"));
    ASSERT_NE(t, nullptr) << engine.errorMessage();
    ASSERT_EQ(t->recCount(), 3);
    ASSERT_EQ(t->createIndex("Acc", {{"AccTag", "STR(ACCNO, 4)", ".NOT. DELETED()"},
                                     {"OpenTag", "DTOS(OPENED)", ""}}),
              r4success)
        << engine.errorMessage();
    t->select(t->tag("acctag"));
    std::vector<std::string> seen;
    for (int rc = t->top(); rc == r4success; rc = t->skip(1)) {
        std::string d(t->field("ACDESC")->raw());
        d.erase(d.find_last_not_of(' ') + 1);
        seen.push_back(std::string(t->field("ACCNO")->raw()) + "|" + Cp1252ToUtf8(d) + "|" +
                       (t->field("ACDED")->truth() ? "T" : "F") + "|" +
                       std::string(t->field("OPENED")->raw()));
    }
    // STR keys compare as text: "   3" sorts before "  -4", as in every xBase tool.
    EXPECT_EQ(seen, (std::vector<std::string>{"   3|Café supplies|F|        ",
                                              "  -4|Adjustment|T|19991231",
                                              "  17|Rent|T|20200229"}));
    EXPECT_EQ(t->seek("  17"), r4success);
    EXPECT_EQ(t->field("ACCNO")->integer(), 17);
}

}  // namespace

// Tables written by the engine read back by Debian's python3-dbfread, and tables written by
// python3-dbf opened and indexed by the engine.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "common/TempDir.h"
#include "engine/CodePage.h"
#include "engine/Engine.h"

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

bool RunCommand(const std::string& cmd, std::string& out) {
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
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
    ASSERT_TRUE(
        RunPython(dir,
                  "import dbfread\n"
                  "t = dbfread.DBF('" +
                      dir.file("INC5.dbf") +
                      "', encoding='cp1252')\n"
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
                          "t = dbf.Table('" +
                              dir.file("acc.dbf") +
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
    EXPECT_EQ(seen,
              (std::vector<std::string>{"   3|Café supplies|F|        ",
                                        "  -4|Adjustment|T|19991231", "  17|Rent|T|20200229"}));
    EXPECT_EQ(t->seek("  17"), r4success);
    EXPECT_EQ(t->field("ACCNO")->integer(), 17);
}

// Perl's XBase::Index (Debian's libdbd-xbase-perl) is an independent NTX reader. It knows the
// plain signature only, so the filtered tags are read from a copy with the plain signature: the
// pages are the same either way.
TEST(Compat, PerlXBaseReadsTheEnginesIndexPages) {
    TempDir dir;
    std::string probe;
    if (!RunCommand("perl -MXBase::Index -e 1", probe)) GTEST_SKIP() << "libdbd-xbase-perl missing";
    ASSERT_TRUE(
        CreateTable(dir.file("EXP5.dbf"),
                    {{"EXPDATE", 'D', 8, 0, 0}, {"ACCNO", 'N', 4, 0, 0}, {"FOLNO", 'N', 4, 0, 0}})
            .ok());
    Engine engine;
    Table* t = engine.open(dir.file("EXP5"));
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->createIndex("exp5", {{"EAcc", "STR(ACCNO,4) + DTOS(EXPDATE)", ".NOT. DELETED()"},
                                      {"FolTag", "FOLNO", ""}}),
              r4success);
    // Enough records for a tree of several levels, inserted one by one so pages split.
    for (int i = 0; i < 6000; ++i) {
        ASSERT_EQ(t->appendBlank(), r4success);
        char date[16];
        std::snprintf(date, sizeof date, "%04d%02d%02d", 2020 + i % 7, 1 + i % 12, 1 + i % 28);
        t->field("EXPDATE")->assign(date);
        t->field("ACCNO")->assignNumber((i * 37) % 101);
        t->field("FOLNO")->assignNumber((i * 13) % 41 - 20);
        if (i % 10 == 3) t->setDeleted(true);
    }
    std::vector<std::string> fromEngine[2];
    for (int w = 0; w < 2; ++w) {
        Tag* tag = t->tags()[w];
        t->select(tag);
        std::string key;
        for (int rc = t->top(); rc == r4success; rc = t->skip(1)) {
            if (w == 0) {
                tag->keyOf(t->record(), key);
                fromEngine[w].push_back(key + "|" + std::to_string(t->recno()));
            } else {
                fromEngine[w].push_back(std::to_string(t->field("FOLNO")->integer()) + "|" +
                                        std::to_string(t->recno()));
            }
        }
    }
    ASSERT_EQ(fromEngine[0].size(), 5400u);
    ASSERT_EQ(fromEngine[1].size(), 6000u);
    ASSERT_EQ(engine.closeAll(), 0);

    std::string plain = dir.file("plain.ntx");
    {
        std::ifstream in(dir.file("EAcc.ntx"), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        ASSERT_EQ(bytes[0], 7) << "a filtered tag carries the conditional signature";
        bytes[0] = 6;
        std::ofstream(plain, std::ios::binary) << bytes;
    }
    const char* reader =
        "perl -MXBase::Index -e 'my $i = XBase::Index->new($ARGV[0], type => $ARGV[1]) or die "
        "XBase::Index->errstr; $i->prepare_select; while (my ($k, $v) = $i->fetch) "
        "{ print \"$k|$v\\n\" }' ";
    for (int w = 0; w < 2; ++w) {
        std::string out;
        std::string cmd =
            std::string(reader) + (w == 0 ? plain + " C" : dir.file("FolTag.ntx") + " N");
        ASSERT_TRUE(RunCommand(cmd, out)) << out;
        std::vector<std::string> lines;
        size_t pos = 0;
        while (pos < out.size()) {
            size_t end = out.find('\n', pos);
            lines.push_back(out.substr(pos, end - pos));
            pos = end + 1;
        }
        EXPECT_EQ(lines, fromEngine[w]) << (w == 0 ? "EAcc" : "FolTag");
    }
}

}  // namespace

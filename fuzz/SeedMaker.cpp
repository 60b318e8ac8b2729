// kvl-fuzz-seeds DIR: writes the seed corpora of the five fuzz targets into DIR/fuzz_dbf,
// DIR/fuzz_ntx, DIR/fuzz_expr, DIR/fuzz_cgp and DIR/fuzz_statement, every file made by the engine
// itself (tables, tags, groups), taken from the expressions the program uses, a group as edited by
// hand, or a statement as banks write them. Run it again after a change of either file format and
// commit what it writes.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/Files.h"
#include "engine/Group.h"
#include "targets/Support.h"
#include "targets/Targets.h"

namespace {

namespace fs = std::filesystem;

bool Fail(const std::string& what) {
    std::fprintf(stderr, "kvl-fuzz-seeds: %s\n", what.c_str());
    return false;
}

bool Keep(const std::string& from, const fs::path& to) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) return Fail("cannot copy " + from + " to " + to.string() + ": " + ec.message());
    return true;
}

struct Row {
    std::vector<std::string> texts;  // one per field, assigned as text
    bool deleted = false;
};

bool MakeTable(const std::string& path, const std::vector<xb::FieldDesc>& fields,
               const std::vector<Row>& rows) {
    std::error_code ec;
    fs::remove(path, ec);
    if (xb::Status s = xb::CreateTable(path, fields); !s) return Fail(s.message);
    xb::Engine e;
    e.settings.autoOpen = false;
    xb::Table* t = e.open(path);
    if (!t) return Fail(e.errorMessage());
    for (const Row& row : rows) {
        if (t->appendBlank() != xb::r4success) return Fail(e.errorMessage());
        for (size_t i = 0; i < row.texts.size() && i < fields.size(); ++i)
            t->field(fields[i].name)->assign(row.texts[i]);
        t->setDeleted(row.deleted);
    }
    return e.closeAll() == xb::r4success || Fail(e.errorMessage());
}

bool DbfSeeds(const std::string& work, const fs::path& out) {
    const std::string t = work + "/seed.dbf";
    const std::vector<xb::FieldDesc> expense = {
        {"EXPDATE", 'D', 8, 0, 0}, {"CHECKNO", 'N', 8, 0, 0}, {"ACCNO", 'N', 4, 0, 0},
        {"FOLNO", 'N', 4, 0, 0},   {"PAYTO", 'C', 30, 0, 0},  {"AMOUNT", 'N', 9, 2, 0},
        {"EMEMO", 'C', 30, 0, 0},  {"ARCHIVE", 'L', 1, 0, 0}};
    std::vector<Row> rows;
    for (int i = 1; i <= 12; ++i)
        rows.push_back({{"202601" + std::string(i < 10 ? "0" : "") + std::to_string(i),
                         std::to_string(1000 + i), std::to_string(i % 4 + 1), "1",
                         "Payee \x80\xe9 " + std::to_string(i), std::to_string(i * 10.25), "memo",
                         i % 2 ? "T" : "F"},
                        i % 5 == 0});
    if (!MakeTable(t, expense, rows) || !Keep(t, out / "expenses.dbf")) return false;
    if (!MakeTable(t, expense, {}) || !Keep(t, out / "empty.dbf")) return false;
    if (!MakeTable(t, {{"NOTE", 'C', 254, 0, 0}, {"N", 'N', 20, 4, 0}},
                   {{{std::string(254, 'w'), "-12345.6789"}}, {{"short", ""}, true}}) ||
        !Keep(t, out / "wide.dbf"))
        return false;
    if (!MakeTable(t, {{"SETTING", 'C', 59, 0, 0}, {"FYMONTH", 'N', 2, 0, 0}},
                   {{{"User name", "7"}}}) ||
        !Keep(t, out / "settings.dbf"))
        return false;
    return true;
}

bool NtxSeeds(const std::string& work, const fs::path& out) {
    struct Seed {
        const char* file;
        const char* key;
        const char* filter;
    };
    const Seed seeds[] = {{"name.ntx", "NAME", ""},
                          {"name-live.ntx", "NAME", ".NOT. DELETED()"},
                          {"num.ntx", "NUM", ".NOT. DELETED()"},
                          {"str-num.ntx", "STR(NUM,8,2)", ""},
                          {"when.ntx", "Dtos(When)", ""},
                          {"date-name.ntx", "DTOS(WHEN) + NAME", ".NOT. DELETED()"}};
    for (const Seed& s : seeds) {
        if (!kvlfuzz::WriteNtxTable(work)) return Fail("cannot write the indexed table");
        xb::Engine e;
        e.settings.autoOpen = false;
        e.settings.safety = false;
        xb::Table* t = e.open(work + "/T");
        if (!t) return Fail(e.errorMessage());
        if (t->createIndex("T", {{"X", s.key, s.filter}}) != xb::r4success)
            return Fail(e.errorMessage());
        if (e.closeAll() != xb::r4success) return Fail(e.errorMessage());
        if (!Keep(work + "/X.ntx", out / s.file)) return false;
    }
    // The last tag changed in place: split and merged pages, free pages on the list.
    {
        xb::Engine e;
        xb::Table* t = e.open(work + "/T");
        if (!t) return Fail(e.errorMessage());
        xb::Tag* x = t->tag("X");
        for (long r = 1; r <= 120; ++r) {
            t->go(r);
            if (r % 3)
                t->setDeleted(true);
            else
                t->field("WHEN")->assign("19990101");
        }
        t->select(x);
        t->top();
        if (e.closeAll() != xb::r4success) return Fail(e.errorMessage());
        if (!Keep(work + "/X.ntx", out / "changed.ntx")) return false;
    }
    return true;
}

bool ExprSeeds(const fs::path& out) {
    const char* const exprs[] = {"NAME",
                                 "STR(INT, 4)",
                                 "STR(INT,4,0)+DTOS(WHEN)",
                                 "DTOS(WHEN) + STR(INT,4)",
                                 "Str(Int,4,0)+DTOS(WHEN)",
                                 "NUM",
                                 "STR(NUM,8,2)",
                                 "STR(BIG,20,4)",
                                 ".NOT. DELETED()",
                                 "DELETED()",
                                 "NAME + CITY",
                                 "OK",
                                 ".NOT. OK",
                                 "MEMO",
                                 "str(num)",
                                 "UPPER(NAME)"};
    int n = 0;
    for (const char* e : exprs) {
        std::string text = std::string(e) + "\n" + " Smith     Springfield         " + "  -12.50" +
                           "  42" + "20260131" + "T";
        const fs::path p = out / ("expr" + std::to_string(++n) + ".txt");
        if (!kvlfuzz::WriteFile(p.string(), text.data(), text.size()))
            return Fail("cannot write " + p.string());
    }
    return true;
}

bool GroupSeeds(const std::string& work, const fs::path& out) {
    const std::vector<std::pair<const char*, std::vector<std::string>>> written = {
        {"one.cgp", {"X"}},
        {"two.cgp", {"X", "Y"}},
        {"program.cgp", {"EDate", "EAcc"}},
        {"missing-tag.cgp", {"X", "Gone", "y"}},
        {"empty.cgp", {}}};
    for (const auto& [name, tags] : written) {
        if (xb::Status s = xb::WriteGroup(work + "/seed.cgp", tags); !s) return Fail(s.message);
        if (!Keep(work + "/seed.cgp", out / name)) return false;
    }
    std::vector<std::string> many;
    for (int i = 0; i < 47; ++i) many.push_back("T" + std::to_string(i));
    if (xb::Status s = xb::WriteGroup(work + "/seed.cgp", many); !s) return Fail(s.message);
    if (!Keep(work + "/seed.cgp", out / "full.cgp")) return false;
    const std::pair<const char*, std::string> edited[] = {
        {"by-hand.cgp", "KVL-CGP 1\r\n# tags of T\r\n\r\nx  \r\nY\t\r\n"},
        {"no-signature.cgp", "X\nY\n"},
        {"long-name.cgp", "KVL-CGP 1\nABCDEFGHIJK\n"}};
    for (const auto& [name, text] : edited) {
        const fs::path p = out / name;
        if (!kvlfuzz::WriteFile(p.string(), text.data(), text.size()))
            return Fail("cannot write " + p.string());
    }
    return true;
}

}  // namespace

// Statements as banks write them, each after the byte that chooses the reading options.
bool StatementSeeds(const fs::path& out) {
    const std::pair<char, const char*> seeds[] = {
        {0x00, "Date,Description,Amount,Memo,Check Number\r\n2026-03-02,\"Shell, Oil\",-45.10,"
               "card 1234,\r\n2026-03-03,\"Say \"\"hi\"\"\nthere\",\"1,312.40\",,2201\r\n"},
        {0x11 | (4 << 1), "02.03.2026;Caf\xc3\xa9;-1.234,5\n03.03.2026;Refund;7;memo;12\n"},
        {0x20 | (3 << 1), "When\tWho\tOut\tIn\n03/04/2026\tM\xfcller \x80\t12.00\t\n"
                          "03/05/2026\tClient\t\t99.5\n"},
        {0x10 | (2 << 1), "\xef\xbb\xbf" "1/5/2026,POS 01/05 SHELL OIL XXXX5541,(12.50),,\n"},
        {0x00, "Posted Date,Payee,Debit,Credit\n2026-01-02,A,1\n"},
    };
    int n = 0;
    for (const auto& [options, text] : seeds) {
        const std::string bytes = std::string(1, options) + text;
        const fs::path p = out / ("statement" + std::to_string(++n) + ".csv");
        if (!kvlfuzz::WriteFile(p.string(), bytes.data(), bytes.size()))
            return Fail("cannot write " + p.string());
    }
    return true;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kvl-fuzz-seeds DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* t : {"fuzz_dbf", "fuzz_ntx", "fuzz_expr", "fuzz_cgp", "fuzz_statement"}) {
        std::error_code ec;
        fs::create_directories(root / t, ec);
        if (ec) return Fail("cannot make " + (root / t).string()) ? 0 : 1;
    }
    const std::string work = kvlfuzz::ScratchDir();
    bool ok = DbfSeeds(work, root / "fuzz_dbf") && NtxSeeds(work, root / "fuzz_ntx") &&
              ExprSeeds(root / "fuzz_expr") && GroupSeeds(work, root / "fuzz_cgp") &&
              StatementSeeds(root / "fuzz_statement");
    return ok ? 0 : 1;
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include "common/TempDir.h"
#include "engine/CodePage.h"
#include "engine/Engine.h"
#include "engine/Files.h"

using namespace xb;
using kvltest::TempDir;

namespace {

std::vector<FieldDesc> ExpenseFields() {
    return {{"EXPDATE", 'D', 8, 0, 0}, {"CHECKNO", 'N', 8, 0, 0}, {"ACCNO", 'N', 4, 0, 0},
            {"FOLNO", 'N', 4, 0, 0},   {"PAYTO", 'C', 30, 0, 0},  {"AMOUNT", 'N', 9, 2, 0},
            {"EMEMO", 'C', 30, 0, 0},  {"ARCHIVE", 'L', 1, 0, 0}};
}

const std::vector<TagSpec> kExpenseTags = {
    {"EDate", "DTOS(EXPDATE) + STR(ACCNO,4)", ".NOT. DELETED()"},
    {"EAcc", "STR(ACCNO,4) + DTOS(EXPDATE)", ".NOT. DELETED()"},
    {"FolTag", "FOLNO", ".NOT. DELETED()"}};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string Trim(std::string_view s) {
    auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return "";
    auto e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

// The records of an open table as a tag lists them: (record number, key).
std::vector<std::pair<long, std::string>> Walk(Table* t, Tag* tag) {
    std::vector<std::pair<long, std::string>> out;
    t->select(tag);
    std::string key;
    for (int rc = t->top(); rc == r4success; rc = t->skip(1)) {
        tag->keyOf(t->record(), key);
        out.emplace_back(t->recno(), key);
    }
    return out;
}

class TableTest : public ::testing::Test {
  protected:
    TempDir dir;
    Engine engine;
    std::string path() { return dir.file("EXP5"); }

    Table* Create() {
        EXPECT_TRUE(CreateTable(dir.file("EXP5.dbf"), ExpenseFields()).ok());
        Table* t = engine.open(path());
        EXPECT_NE(t, nullptr) << engine.errorMessage();
        return t;
    }
    void Add(Table* t, const char* date, int acc, int fol, double amount, const char* payee = "") {
        ASSERT_EQ(t->appendBlank(), r4success);
        t->field("EXPDATE")->assign(date);
        t->field("ACCNO")->assignNumber(acc);
        t->field("FOLNO")->assignNumber(fol);
        t->field("AMOUNT")->assignNumber(amount);
        t->field("PAYTO")->assign(payee);
        t->field("ARCHIVE")->assign("F");
        ASSERT_EQ(t->refresh(), r4success);
    }
};

TEST_F(TableTest, FieldValuesSurviveCloseAndReopen) {
    Table* t = Create();
    ASSERT_EQ(t->appendBlank(), r4success);
    const std::string accented = Utf8ToCp1252("Café Müller – 5 €");
    t->field("PAYTO")->assign(accented);
    t->field("EMEMO")->assign(std::string(40, 'x'));  // cut to the width
    t->field("AMOUNT")->assignNumber(-1234.565);
    t->field("CHECKNO")->assignNumber(12345678);
    t->field("ACCNO")->assignNumber(123456);  // does not fit: stars
    t->field("EXPDATE")->assign("20260131");
    t->field("ARCHIVE")->assign("T");
    ASSERT_EQ(t->appendBlank(), r4success);  // the second stays blank
    ASSERT_EQ(engine.closeAll(), 0);

    std::string bytes = Slurp(dir.file("EXP5.dbf"));
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x03);
    EXPECT_EQ(static_cast<unsigned char>(bytes[29]), kCp1252Driver);
    EXPECT_EQ(bytes.back(), '\x1A');

    t = engine.open(path());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->recCount(), 2);
    ASSERT_EQ(t->go(1), r4success);
    EXPECT_EQ(Cp1252ToUtf8(Trim(t->field("PAYTO")->raw())), "Café Müller – 5 €");
    EXPECT_EQ(t->field("EMEMO")->raw(), std::string(30, 'x'));
    EXPECT_EQ(t->field("AMOUNT")->raw(), " -1234.57");
    EXPECT_DOUBLE_EQ(t->field("AMOUNT")->number(), -1234.57);
    EXPECT_EQ(t->field("CHECKNO")->integer(), 12345678);
    EXPECT_EQ(t->field("ACCNO")->raw(), "****");
    EXPECT_EQ(t->field("EXPDATE")->raw(), "20260131");
    EXPECT_TRUE(t->field("ARCHIVE")->truth());
    ASSERT_EQ(t->go(2), r4success);
    EXPECT_EQ(t->field("EXPDATE")->raw(), "        ");
    EXPECT_EQ(t->field("AMOUNT")->number(), 0.0);
    EXPECT_FALSE(t->field("ARCHIVE")->truth());
    EXPECT_EQ(t->field("NOSUCH"), nullptr);
    EXPECT_EQ(engine.takeError(), e4fieldName);
}

TEST_F(TableTest, EveryCode1252ByteRoundTripsThroughUtf8) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    EXPECT_EQ(Utf8ToCp1252("日本"), "??");
}

TEST_F(TableTest, DeletedRecordsAreHiddenFromTagsButCountedAndReachable) {
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success) << engine.errorMessage();
    Add(t, "20260105", 7, 1, 10);
    Add(t, "20260106", 7, 1, 20);
    Add(t, "20260107", 9, 2, 30);
    ASSERT_EQ(t->go(2), r4success);
    t->setDeleted(true);
    ASSERT_EQ(t->refresh(), r4success);

    for (Tag* tag : t->tags()) {
        auto recs = Walk(t, tag);
        ASSERT_EQ(recs.size(), 2u) << tag->name();
        for (auto& [r, k] : recs) EXPECT_NE(r, 2) << tag->name();
    }
    t->select(t->tag("edate"));
    EXPECT_EQ(t->seek("20260106"), r4after);
    EXPECT_EQ(t->recno(), 3);
    t->select(t->tag("EACC"));
    EXPECT_EQ(t->seek("   7"), r4success);
    EXPECT_EQ(t->recno(), 1);
    EXPECT_EQ(t->skip(1), r4success);
    EXPECT_EQ(t->recno(), 3);
    EXPECT_EQ(t->recCount(), 3);
    ASSERT_EQ(t->go(2), r4success);
    EXPECT_TRUE(t->deleted());

    // Recalled, it is back in every tag.
    t->setDeleted(false);
    ASSERT_EQ(t->refresh(), r4success);
    for (Tag* tag : t->tags()) EXPECT_EQ(Walk(t, tag).size(), 3u) << tag->name();
}

// A range's record numbers stand in for a walk of the tag: an entry naming a record the table does
// not hold fails them as it fails the walk.
TEST_F(TableTest, ARangesRecordNumbersAreRecordsOfTheTable) {
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success) << engine.errorMessage();
    Add(t, "20260105", 7, 1, 10);
    Add(t, "20260106", 9, 1, 20);
    Add(t, "20260106", 3, 1, 30);
    t->select(t->tag("EDate"));
    std::vector<uint32_t> recnos{99};  // what was there stays
    EXPECT_EQ(t->countTag("20260106", "20260106", &recnos), 2);
    EXPECT_EQ(recnos, (std::vector<uint32_t>{99, 3, 2}));
    ASSERT_TRUE(t->tag("EDate")->index().insert("20260106   5", 4).ok());
    EXPECT_EQ(t->countTag("2026", "2026"), 4);
    EXPECT_EQ(t->countTag("2026", "2026", &recnos), e4index);
    EXPECT_NE(engine.errorMessage().find("entry for record 4 which the table does not hold"),
              std::string::npos)
        << engine.errorMessage();
}

TEST_F(TableTest, SeekResultsFollowTheKeyLengthGiven) {
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success);
    Add(t, "20251231", 7, 3, 1);
    Add(t, "20260115", 7, 3, 2);
    Add(t, "20260101", 12, 5, 3);
    Add(t, "20250101", 3, -2, 4);
    t->select(t->tag("EAcc"));
    // Account 7 from 1 January 2026: its first expense of that day or later.
    EXPECT_EQ(t->seek("   720260101"), r4after);
    EXPECT_EQ(t->recno(), 2);
    // Account 7 after its last expense lands on the next account.
    EXPECT_EQ(t->seek("   720270101"), r4after);
    EXPECT_EQ(t->recno(), 3);
    EXPECT_EQ(t->seek("   720260115"), r4success);
    EXPECT_EQ(t->seek("   8"), r4after);
    EXPECT_EQ(t->seek("9999"), r4eof);
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(t->recno(), 5);

    // A numeric tag reads the seek text as a number; negatives sort first.
    t->select(t->tag("FolTag"));
    EXPECT_EQ(t->seek("5"), r4success);
    EXPECT_EQ(t->recno(), 3);
    EXPECT_EQ(t->seek("   3"), r4success);
    EXPECT_EQ(t->recno(), 1);
    EXPECT_EQ(t->top(), r4success);
    EXPECT_EQ(t->recno(), 4);
    EXPECT_EQ(t->seek("4"), r4after);
    EXPECT_EQ(t->recno(), 3);

    // Without a tag a seek is an error, not a scan.
    t->select(nullptr);
    EXPECT_LT(t->seek("x"), 0);
}

TEST_F(TableTest, SkipContinuesFromWhereAChangedKeyMovedTheRecord) {
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success);
    Add(t, "20260101", 1, 1, 1);
    Add(t, "20260102", 1, 1, 1);
    Add(t, "20260103", 1, 1, 1);
    t->select(t->tag("EDate"));
    ASSERT_EQ(t->top(), r4success);
    ASSERT_EQ(t->recno(), 1);
    t->field("EXPDATE")->assign("20260110");  // moves to the end of date order
    EXPECT_EQ(t->skip(1), r4eof);
    ASSERT_EQ(t->top(), r4success);
    EXPECT_EQ(t->recno(), 2);
    // A record deleted under the cursor: the next skip lands on its successor.
    t->setDeleted(true);
    EXPECT_EQ(t->skip(1), r4success);
    EXPECT_EQ(t->recno(), 3);
    EXPECT_EQ(t->skip(-1), r4bof);
    EXPECT_EQ(t->recno(), 3);
    EXPECT_EQ(t->bottom(), r4success);
    EXPECT_EQ(t->recno(), 1);
}

// Random appends, key changes, deletes, recalls and packs, checked after every step against a
// sorted model of the keys each tag must hold.
TEST_F(TableTest, TagsMatchAModelThroughRandomChanges) {
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success);
    struct Rec {
        std::string date;
        int acc, fol;
        bool deleted;
    };
    std::vector<Rec> model;
    std::mt19937 rng(20261207);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto date = [&] {
        char b[16];
        std::snprintf(b, sizeof b, "%04d%02d%02d", 2024 + pick(3), 1 + pick(12), 1 + pick(28));
        return std::string(b);
    };
    auto expected = [&](int which) {
        std::vector<std::pair<std::string, long>> keys;
        for (size_t i = 0; i < model.size(); ++i) {
            const Rec& r = model[i];
            if (r.deleted) continue;
            char acc[8], fol[8];
            std::snprintf(acc, sizeof acc, "%4d", r.acc);
            std::snprintf(fol, sizeof fol, "%04d", r.fol);
            std::string k = which == 0 ? r.date + acc : which == 1 ? acc + r.date : fol;
            keys.emplace_back(k, static_cast<long>(i + 1));
        }
        std::sort(keys.begin(), keys.end());
        std::vector<std::pair<long, std::string>> out;
        for (auto& [k, r] : keys) out.emplace_back(r, k);
        return out;
    };
    for (int step = 0; step < 600; ++step) {
        int op = pick(10);
        if (op < 5 || model.empty()) {
            Rec r{date(), 1 + pick(40), 1 + pick(9), false};
            ASSERT_EQ(t->appendBlank(), r4success);
            t->field("EXPDATE")->assign(r.date);
            t->field("ACCNO")->assignNumber(r.acc);
            t->field("FOLNO")->assignNumber(r.fol);
            model.push_back(r);
        } else if (op < 8) {
            long n = 1 + pick(static_cast<int>(model.size()));
            ASSERT_EQ(t->go(n), r4success);
            Rec& r = model[n - 1];
            if (pick(2)) r.date = date(), t->field("EXPDATE")->assign(r.date);
            if (pick(2)) r.acc = 1 + pick(40), t->field("ACCNO")->assignNumber(r.acc);
        } else if (op < 9) {
            long n = 1 + pick(static_cast<int>(model.size()));
            ASSERT_EQ(t->go(n), r4success);
            model[n - 1].deleted = !model[n - 1].deleted;
            t->setDeleted(model[n - 1].deleted);
        } else if (pick(8) == 0) {
            ASSERT_EQ(t->pack(), r4success) << engine.errorMessage();
            model.erase(
                std::remove_if(model.begin(), model.end(), [](auto& r) { return r.deleted; }),
                model.end());
        }
        ASSERT_EQ(t->refresh(), r4success) << engine.errorMessage();
        if (step % 25 == 0 || step == 599) {
            auto tags = t->tags();
            for (int w = 0; w < 3; ++w) ASSERT_EQ(Walk(t, tags[w]), expected(w)) << "step " << step;
        }
    }
    // The files on disk say the same after a close.
    ASSERT_EQ(engine.closeAll(), 0);
    t = engine.open(path());
    ASSERT_NE(t, nullptr) << engine.errorMessage();
    auto tags = t->tags();
    ASSERT_EQ(tags.size(), 3u);
    for (int w = 0; w < 3; ++w) EXPECT_EQ(Walk(t, tags[w]), expected(w));
    EXPECT_EQ(t->recCount(), static_cast<long>(model.size()));
}

TEST_F(TableTest, PackAndZapReplaceTheTableAndRebuildTags) {
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success);
    for (int i = 1; i <= 10; ++i) Add(t, "20260101", i, i, i);
    for (long r : {2L, 5L, 9L}) {
        ASSERT_EQ(t->go(r), r4success);
        t->setDeleted(true);
    }
    ASSERT_EQ(t->pack(), r4success);
    EXPECT_EQ(t->recCount(), 7);
    auto recs = Walk(t, t->tag("EAcc"));
    ASSERT_EQ(recs.size(), 7u);
    std::vector<int> accs;
    for (auto& [r, k] : recs) {
        ASSERT_EQ(t->go(r), r4success);
        accs.push_back(static_cast<int>(t->field("ACCNO")->integer()));
    }
    EXPECT_EQ(accs, (std::vector<int>{1, 3, 4, 6, 7, 8, 10}));

    ASSERT_EQ(t->zap(2, 3), r4success);  // drops accounts 3, 4, 6
    EXPECT_EQ(t->recCount(), 4);
    EXPECT_EQ(Walk(t, t->tag("EDate")).size(), 4u);
    ASSERT_EQ(t->zap(1, 4), r4success);
    EXPECT_EQ(t->recCount(), 0);
    EXPECT_EQ(t->top(), r4eof);
    ASSERT_EQ(engine.closeAll(), 0);
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".kvltmp"), std::string::npos) << e.path();
}

// The tags of an index creation and of a pack are built on two threads beside the table's copy;
// what they write is byte for byte what a build one after another writes (a fault plan without
// limits keeps every job on the calling thread). Keys of 12 bytes are sorted packed, the 34-byte
// payee key and the numeric folder key as given.
TEST_F(TableTest, TagsBuiltSideBySideEqualTagsBuiltInTurn) {
    Table* t = Create();
    std::mt19937 rng(5);
    const char* payees[] = {"Hardware", "Rent", "Post", "Café"};
    for (int i = 0; i < 3000; ++i) {
        const std::string date =
            "2026" + std::to_string(10 + rng() % 3) + "1" + std::to_string(rng() % 10);
        Add(t, date.c_str(), 1 + static_cast<int>(rng() % 60), static_cast<int>(rng() % 12),
            (rng() % 100000) / 100.0, payees[rng() % 4]);
    }
    for (long r = 3; r <= 3000; r += 7) {
        ASSERT_EQ(t->go(r), r4success);
        t->setDeleted(true);
    }
    ASSERT_EQ(engine.closeAll(), 0);
    const std::string table = Slurp(dir.file("EXP5.dbf"));
    std::vector<TagSpec> tags = kExpenseTags;
    tags.push_back({"Payee", "PAYTO + STR(ACCNO,4)", ".NOT. DELETED()"});
    engine.settings.safety = false;
    // Every file after the index creation and after the pack, in a directory of its own.
    auto run = [&](bool inTurn) {
        TempDir own;
        Spit(own.file("EXP5.dbf"), table);
        if (inTurn) InstallFaultPlan(FaultPlan{});
        std::vector<std::string> files;
        Table* u = engine.open(own.file("EXP5"));
        EXPECT_NE(u, nullptr) << engine.errorMessage();
        if (!u) return files;
        EXPECT_EQ(u->createIndex("exp5", tags), r4success) << engine.errorMessage();
        for (const TagSpec& tag : tags) files.push_back(Slurp(own.file(tag.name + ".ntx")));
        EXPECT_EQ(u->pack(), r4success) << engine.errorMessage();
        EXPECT_EQ(u->close(), r4success);
        for (const TagSpec& tag : tags) files.push_back(Slurp(own.file(tag.name + ".ntx")));
        files.push_back(Slurp(own.file("EXP5.dbf")).substr(4));  // past the date of the update
        RemoveFaultPlan();
        return files;
    };
    const std::vector<std::string> sideBySide = run(false), inTurn = run(true);
    ASSERT_EQ(sideBySide.size(), 2 * tags.size() + 1);
    for (size_t i = 0; i < sideBySide.size(); ++i) EXPECT_TRUE(sideBySide[i] == inTurn[i]) << i;
    EXPECT_NE(sideBySide[0], sideBySide[tags.size()]);  // the pack dropped records
}

// Keys gathered over runs of appends (asked for, or by a long run itself) reach each tag as a
// build from the records puts them there, through moves, records the FOR condition leaves out and
// a change of an older record in a run.
TEST_F(TableTest, GatheredKeysGiveTheTagsABuildGives) {
    engine.settings.cachePages = 16;  // pages leave the cache while the keys go in
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success);
    std::mt19937 rng(11);
    long live = 0;
    auto add = [&](int n) {
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(t->appendBlank(), r4success);
            t->field("EXPDATE")->assign("2026" + std::to_string(10 + rng() % 3) + "1" +
                                        std::to_string(rng() % 10));
            t->field("ACCNO")->assignNumber(1 + static_cast<int>(rng() % 60));
            t->field("FOLNO")->assignNumber(static_cast<int>(rng() % 12));
            t->setDeleted(i % 97 == 0);
            live += i % 97 != 0;
        }
    };
    const auto inTag = [&] { return t->tag("EAcc")->index().count("", "\xff"); };
    add(30);  // a short run: its keys go in one by one
    ASSERT_EQ(t->refresh(), r4success);
    EXPECT_EQ(inTag(), live);
    t->gatherKeys();
    add(1200);
    ASSERT_EQ(t->refresh(), r4success);
    EXPECT_LT(inTag(), live);  // gathered, not yet in the tag
    t->select(t->tag("EAcc"));
    ASSERT_EQ(t->seek("  60"), t->seek("  60"));  // a move puts the keys in first
    EXPECT_EQ(inTag(), live);
    add(1000);  // a long run gathers by itself
    ASSERT_EQ(t->refresh(), r4success);
    EXPECT_LT(inTag(), live);
    ASSERT_EQ(t->go(2000), r4success);  // an older record changes its keys
    t->field("ACCNO")->assignNumber(61);
    t->gatherKeys();
    add(1300);
    ASSERT_EQ(t->close(), r4success) << engine.errorMessage();

    t = engine.open(path());
    ASSERT_NE(t, nullptr) << engine.errorMessage();
    std::vector<std::vector<std::pair<long, std::string>>> kept, built;
    for (Tag* tag : t->tags()) {
        std::vector<std::string> problems;
        EXPECT_TRUE(tag->index().verify([](std::string_view, uint32_t) {}, problems))
            << problems.front();
        kept.push_back(Walk(t, tag));
    }
    engine.settings.safety = false;
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success);
    for (Tag* tag : t->tags()) built.push_back(Walk(t, tag));
    ASSERT_EQ(kept.size(), kExpenseTags.size());
    EXPECT_EQ(static_cast<long>(kept[0].size()), live);
    EXPECT_TRUE(kept == built);
}

// A run of gathered keys cut short by a failed write leaves the tags refused, never missing keys
// in silence.
TEST_F(TableTest, GatheredKeysCutShortLeaveTheTagsRefused) {
    engine.settings.cachePages = 8;
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success);
    for (int i = 0; i < 400; ++i) Add(t, "20260101", 1 + i % 40, 1, 1.0);
    ASSERT_EQ(engine.closeAll(), 0);
    const std::string files[] = {"EXP5.dbf", "EDate.ntx", "EAcc.ntx", "FolTag.ntx"};
    std::map<std::string, std::string> before;
    for (const std::string& f : files) before[f] = Slurp(dir.file(f));
    for (const int64_t cut : {int64_t{0}, int64_t{1024}, int64_t{20000}, int64_t{1} << 30}) {
        SCOPED_TRACE("writes cut after " + std::to_string(cut) + " bytes");
        for (const auto& [name, bytes] : before) Spit(dir.file(name), bytes);
        t = engine.open(path());
        ASSERT_NE(t, nullptr) << engine.errorMessage();
        t->gatherKeys();
        for (int i = 0; i < 600; ++i) Add(t, "20251231", 41 - i % 40, 2, 2.0);
        FaultPlan plan;
        plan.writeBytes = cut;
        InstallFaultPlan(plan);
        const int rc = t->close();
        RemoveFaultPlan();
        engine.takeError();
        t = engine.open(path());
        if (t == nullptr) {
            EXPECT_LT(rc, 0);
            EXPECT_NE(engine.errorMessage().find("being changed"), std::string::npos)
                << engine.errorMessage();
            engine.takeError();
            continue;
        }
        for (Tag* tag : t->tags()) EXPECT_EQ(Walk(t, tag).size(), 1000u) << tag->name();
        ASSERT_EQ(t->close(), r4success);
    }
}

TEST_F(TableTest, GroupOpensListedTagsThatExist) {
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success);
    ASSERT_EQ(engine.closeAll(), 0);
    // The group is named after the table, found ignoring case; a missing tag file is simply absent.
    std::filesystem::rename(dir.file("exp5.cgp"), dir.file("Exp5.CGP"));
    std::filesystem::remove(dir.file("EAcc.ntx"));
    t = engine.open(dir.file("exp5"));
    ASSERT_NE(t, nullptr) << engine.errorMessage();
    EXPECT_NE(t->tag("eDate"), nullptr);
    EXPECT_EQ(t->tag("eAcc"), nullptr);
    (void)engine.closeAll();

    engine.settings.autoOpen = false;
    t = engine.open(path());
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->tags().empty());
}

TEST_F(TableTest, IndexCreationChecksEverythingBeforeWriting) {
    Table* t = Create();
    EXPECT_EQ(t->createIndex("exp5", {{"EDate", "DTOS(EXPDATE)", ""}, {"Bad", "UPPER(PAYTO)", ""}}),
              e4expr);
    EXPECT_FALSE(FileExists(dir.file("EDate.ntx")));
    EXPECT_FALSE(FileExists(dir.file("exp5.cgp")));
    EXPECT_EQ(t->createIndex("exp5", {{"EDate", "DTOS(EXPDATE)", "PAYTO"}}), e4expr);
    ASSERT_EQ(t->createIndex("exp5", {{"EDate", "DTOS(EXPDATE)", ""}}), r4success);
    // Safety on: existing files are not overwritten; off: they are.
    EXPECT_EQ(t->createIndex("exp5", {{"EDate", "DTOS(EXPDATE)", ""}}), e4create);
    engine.settings.safety = false;
    EXPECT_EQ(t->createIndex("exp5", {{"EDate", "DTOS(EXPDATE)", ""}}), r4success);
}

TEST_F(TableTest, RecordNumberOrderShowsDeletedRecords) {
    Table* t = Create();
    Add(t, "20260101", 1, 1, 1);
    Add(t, "20260101", 2, 1, 1);
    ASSERT_EQ(t->go(1), r4success);
    t->setDeleted(true);
    t->select(nullptr);
    std::vector<long> seen;
    for (int rc = t->top(); rc == r4success; rc = t->skip(1)) seen.push_back(t->recno());
    EXPECT_EQ(seen, (std::vector<long>{1, 2}));
    EXPECT_EQ(t->go(3), e4parm);
}

// Files that are not tables, or whose header lies, fail to open with a message naming the file.
TEST_F(TableTest, DamagedTablesAreRefusedWithAReason) {
    ASSERT_TRUE(CreateTable(dir.file("GOOD.dbf"), ExpenseFields()).ok());
    {
        Table* t = engine.open(dir.file("GOOD"));
        ASSERT_NE(t, nullptr);
        for (int i = 0; i < 3; ++i) ASSERT_EQ(t->appendBlank(), r4success);
        ASSERT_EQ(engine.closeAll(), 0);
    }
    const std::string good = Slurp(dir.file("GOOD.dbf"));
    const size_t hdr = static_cast<unsigned char>(good[8]) | static_cast<unsigned char>(good[9])
                                                                 << 8;
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", ""});
    cases.push_back({"text", "hello, this is not a table at all, but it is long enough\n"});
    cases.push_back({"truncated", good.substr(0, hdr + 20)});
    std::string b = good;
    b[4] = 100;  // count beyond the file
    cases.push_back({"count", b});
    b = good;
    b[10] = 7, b[11] = 0;  // record length that the fields do not add up to
    cases.push_back({"reclen", b});
    b = good;
    b[8] = static_cast<char>(0xFF), b[9] = 0x7F;  // header length past the end
    cases.push_back({"hdrlen", b});
    b = good;
    b[hdr - 1] = 'X';  // terminator gone
    for (size_t i = 32; i < hdr; i += 32) b[i] = 'Z';
    cases.push_back({"terminator", b});
    b = good;
    b[32 + 16] = 0;  // a field of width 0
    cases.push_back({"width", b});
    b = good;
    b[0] = 0x42;
    cases.push_back({"version", b});
    for (auto& c : cases) {
        std::string file = dir.file(std::string("BAD") + c.name + ".dbf");
        Spit(file, c.bytes);
        Table* t = engine.open(file);
        EXPECT_EQ(t, nullptr) << c.name;
        EXPECT_LT(engine.errorCode(), 0) << c.name;
        EXPECT_NE(engine.errorMessage().find(file), std::string::npos)
            << c.name << ": " << engine.errorMessage();
        engine.takeError();
    }
    EXPECT_EQ(engine.open(dir.file("MISSING")), nullptr);
    EXPECT_EQ(engine.takeError(), e4open);
}

TEST_F(TableTest, DamagedIndexFailsTheOpen) {
    Table* t = Create();
    ASSERT_EQ(t->createIndex("exp5", kExpenseTags), r4success);
    Add(t, "20260101", 1, 1, 1);
    ASSERT_EQ(engine.closeAll(), 0);
    std::string ntx = Slurp(dir.file("EAcc.ntx"));
    Spit(dir.file("EAcc.ntx"), ntx.substr(0, 100));
    EXPECT_EQ(engine.open(path()), nullptr);
    EXPECT_EQ(engine.takeError(), e4index);

    // A tag whose key expression no longer matches the table's fields.
    Spit(dir.file("EAcc.ntx"), ntx);
    ASSERT_NE(engine.open(path()), nullptr);
    (void)engine.closeAll();
    std::vector<FieldDesc> other = ExpenseFields();
    other[2].length = 6;  // ACCNO widened: STR(ACCNO,4) still 4, fine; rename instead
    other[2].name = "ACCNUM";
    std::filesystem::remove(dir.file("EXP5.dbf"));
    ASSERT_TRUE(CreateTable(dir.file("EXP5.dbf"), other).ok());
    EXPECT_EQ(engine.open(path()), nullptr);
    EXPECT_EQ(engine.takeError(), e4index);
}

}  // namespace

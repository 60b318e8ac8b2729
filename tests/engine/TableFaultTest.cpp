// Packs, zaps, index rebuilds and appends that cannot write: on a full disk, in a read-only
// directory or file system, when a rename fails or when writing stops at any byte. Each reports a
// negative code with a message and leaves the files as they were before it began (or, where the
// failure strikes after the table was replaced, the new table with every tag sound or refused).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "engine/Engine.h"
#include "engine/Files.h"
#include "engine/Ntx.h"

namespace xb {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

constexpr long kRecords = 400;

class TableFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(
            CreateTable(dir_.file("T.dbf"),
                        {{"NAME", 'C', 12, 0, 0}, {"NUM", 'N', 6, 0, 0}, {"WHEN", 'D', 8, 0, 0}})
                .ok());
        Engine e;
        e.settings.autoOpen = false;
        Table* t = e.open(dir_.file("T"));
        ASSERT_NE(t, nullptr);
        for (long r = 1; r <= kRecords; ++r) {
            ASSERT_EQ(t->appendBlank(), 0);
            t->field("NAME")->assign("N" + std::to_string(r * 7919 % 1000));
            t->field("NUM")->assignNumber(static_cast<double>(r));
            t->field("WHEN")->assign("2026" + std::string(r % 9 < 9 ? "0" : "") +
                                     std::to_string(r % 9 + 1) + "15");
            t->setDeleted(r % 5 == 0);
        }
        ASSERT_EQ(t->createIndex("T", {{"TNAME", "NAME", ".NOT. DELETED()"},
                                       {"TWHEN", "DTOS(WHEN) + NAME", ".NOT. DELETED()"}}),
                  0);
        ASSERT_EQ(e.closeAll(), 0);
        before_ = Snapshot();
    }
    void TearDown() override { RemoveFaultPlan(); }

    Files Snapshot() const {
        Files out;
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            std::ifstream in(e.path(), std::ios::binary);
            out[e.path().filename().string()] =
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return out;
    }

    void Restore(const Files& files) {
        for (const auto& e : fs::directory_iterator(dir_.path()))
            if (!files.count(e.path().filename().string())) fs::remove(e.path());
        for (const auto& [name, bytes] : files)
            std::ofstream(dir_.file(name), std::ios::binary | std::ios::trunc) << bytes;
    }

    static std::string Differences(const Files& a, const Files& b) {
        std::string out;
        for (const auto& [name, bytes] : a) {
            auto it = b.find(name);
            if (it == b.end())
                out += name + " is gone; ";
            else if (it->second != bytes)
                out += name + " changed; ";
        }
        for (const auto& [name, bytes] : b)
            if (!a.count(name)) out += name + " appeared; ";
        return out;
    }

    Table* Open(Engine& e) {
        Table* t = e.open(dir_.file("T"));
        EXPECT_NE(t, nullptr) << e.errorMessage();
        return t;
    }

    // Bytes the operation makes files grow by when nothing fails.
    template <typename Op>
    uint64_t GrowthOf(Op op) {
        Restore(before_);
        Engine e;
        Table* t = Open(e);
        InstallFaultPlan(FaultPlan{});
        EXPECT_EQ(op(*t), 0) << e.errorMessage();
        const uint64_t grown = FaultCountsSoFar().bytesGrown;
        RemoveFaultPlan();
        EXPECT_EQ(e.closeAll(), 0);
        return grown;
    }

    // Runs op on a disk that has room for only `room` more bytes, for room from 0 to just short
    // of what op needs: each run must fail with ENOSPC and leave every file as it was.
    template <typename Op>
    void ExpectFullDiskLeavesFilesAlone(Op op, int points) {
        const uint64_t need = GrowthOf(op);
        ASSERT_GT(need, 0u);
        std::vector<uint64_t> rooms = {0, 1, need - 1};
        for (int i = 1; i < points; ++i) rooms.push_back(need * i / points);
        for (uint64_t room : rooms) {
            SCOPED_TRACE("room for " + std::to_string(room) + " of " + std::to_string(need) +
                         " bytes");
            Restore(before_);
            Engine e;
            Table* t = Open(e);
            ASSERT_NE(t, nullptr);
            InstallFaultPlan(FaultPlan::FullDisk(static_cast<int64_t>(room)));
            const int rc = op(*t);
            RemoveFaultPlan();
            EXPECT_LT(rc, 0);
            EXPECT_NE(e.errorMessage().find(std::strerror(ENOSPC)), std::string::npos)
                << e.errorMessage();
            e.takeError();
            EXPECT_EQ(e.closeAll(), 0) << e.errorMessage();
            const Files after = Snapshot();
            EXPECT_TRUE(after == before_) << Differences(before_, after);
        }
    }

    static long LiveRecords() {
        long live = 0;
        for (long r = 1; r <= kRecords; ++r) live += r % 5 != 0;
        return live;
    }

    kvltest::TempDir dir_;
    Files before_;
};

TEST_F(TableFaultTest, PackOnAFullDiskLeavesEveryFileAsItWas) {
    ExpectFullDiskLeavesFilesAlone([](Table& t) { return t.pack(); }, 40);
}

TEST_F(TableFaultTest, ZapOnAFullDiskLeavesEveryFileAsItWas) {
    ExpectFullDiskLeavesFilesAlone([](Table& t) { return t.zap(10, 50); }, 12);
}

TEST_F(TableFaultTest, IndexRebuildOnAFullDiskLeavesEveryFileAsItWas) {
    ExpectFullDiskLeavesFilesAlone(
        [](Table& t) {
            t.engine().settings.safety = false;
            return t.createIndex("T", {{"TNAME", "NAME", ".NOT. DELETED()"},
                                       {"TWHEN", "DTOS(WHEN) + NAME", ".NOT. DELETED()"}});
        },
        20);
}

TEST_F(TableFaultTest, AppendOnAFullDiskLeavesEveryFileAsItWas) {
    ExpectFullDiskLeavesFilesAlone(
        [](Table& t) {
            if (int rc = t.appendBlank(); rc < 0) return rc;
            t.field("NAME")->assign("NEW");
            t.field("WHEN")->assign("20270101");
            return t.refresh();
        },
        8);
}

TEST_F(TableFaultTest, PackWithRoomSucceedsAndKeepsTheLiveRecords) {
    Engine e;
    Table* t = Open(e);
    ASSERT_NE(t, nullptr);
    Tag* when = t->tag("TWHEN");
    t->select(when);
    InstallFaultPlan(FaultPlan::FullDisk(1 << 20));
    ASSERT_EQ(t->pack(), 0) << e.errorMessage();
    RemoveFaultPlan();
    EXPECT_EQ(t->recCount(), LiveRecords());
    EXPECT_EQ(t->selected(), when);  // the order survives the pack
    long n = 0;
    for (int rc = t->top(); rc == 0; rc = t->skip(1)) ++n;
    EXPECT_EQ(n, LiveRecords());
    ASSERT_EQ(e.closeAll(), 0);
    for (const auto& [name, bytes] : Snapshot())
        EXPECT_EQ(name.find(".kvltmp"), std::string::npos) << name;
}

TEST_F(TableFaultTest, PackInAReadOnlyDirectoryOrFileSystemChangesNothing) {
    for (const auto& [plan, error] : {std::pair{FaultPlan::ReadOnlyDirectory(), EACCES},
                                      std::pair{FaultPlan::ReadOnlyFileSystem(), EROFS}}) {
        SCOPED_TRACE(std::strerror(error));
        Restore(before_);
        Engine e;
        Table* t = Open(e);
        ASSERT_NE(t, nullptr);
        InstallFaultPlan(plan);
        EXPECT_LT(t->pack(), 0);
        EXPECT_NE(e.errorMessage().find(std::strerror(error)), std::string::npos)
            << e.errorMessage();
        EXPECT_EQ(t->recCount(), kRecords);  // still the old table, still usable
        EXPECT_EQ(t->go(1), 0);
        RemoveFaultPlan();
        e.takeError();
        EXPECT_EQ(e.closeAll(), 0);
        EXPECT_TRUE(Snapshot() == before_) << Differences(before_, Snapshot());
    }
}

TEST_F(TableFaultTest, PackWhoseTableRenameFailsChangesNothing) {
    Engine e;
    Table* t = Open(e);
    FaultPlan plan;
    plan.renames = 2;  // the two tag files are built and renamed into their temporary names
    InstallFaultPlan(plan);
    EXPECT_LT(t->pack(), 0);
    RemoveFaultPlan();
    EXPECT_NE(e.errorMessage().find("cannot replace"), std::string::npos) << e.errorMessage();
    e.takeError();
    EXPECT_EQ(e.closeAll(), 0);
    EXPECT_TRUE(Snapshot() == before_) << Differences(before_, Snapshot());
}

TEST_F(TableFaultTest, PackWhoseTagRenamesFailLeavesTheNewTableAndRefusedTags) {
    Engine e;
    Table* t = Open(e);
    FaultPlan plan;
    plan.renames = 3;  // two tags built, the table replaced; the tags' replacements fail
    InstallFaultPlan(plan);
    EXPECT_LT(t->pack(), 0);
    RemoveFaultPlan();
    EXPECT_NE(e.errorMessage().find("cannot replace"), std::string::npos) << e.errorMessage();
    e.takeError();
    EXPECT_EQ(t->recCount(), LiveRecords());
    // Dropped: their files still describe the old table.
    EXPECT_EQ(t->tag("TNAME"), nullptr);
    EXPECT_EQ(t->tag("TWHEN"), nullptr);
    EXPECT_EQ(e.closeAll(), 0);

    for (const char* tag : {"TNAME.ntx", "TWHEN.ntx"}) {
        std::unique_ptr<NtxIndex> idx;
        EXPECT_EQ(NtxIndex::open(dir_.file(tag), true, idx).code, e4index) << tag;
    }
    Engine again;
    EXPECT_EQ(again.open(dir_.file("T")), nullptr);
    EXPECT_EQ(again.errorCode(), e4index);
    for (const auto& [name, bytes] : Snapshot())
        EXPECT_EQ(name.find(".kvltmp"), std::string::npos) << name;
}

// Writes that stop at any byte (an I/O error, or a process that dies there): the table is the old
// one or the new one, and each tag is sound for it or refused.
TEST_F(TableFaultTest, PackStoppedAtAnyByteLeavesOneTableAndSoundOrRefusedTags) {
    uint64_t total = 0;
    {
        Engine e;
        Table* t = Open(e);
        InstallFaultPlan(FaultPlan{});
        ASSERT_EQ(t->pack(), 0);
        total = FaultCountsSoFar().bytesWritten;
        RemoveFaultPlan();
    }
    int oldTable = 0, newTable = 0;
    for (uint64_t cut = 0; cut < total; cut += 1 + total / 60) {
        SCOPED_TRACE("writes stop after " + std::to_string(cut) + " bytes");
        Restore(before_);
        {
            Engine e;
            Table* t = Open(e);
            FaultPlan plan;
            plan.writeBytes = static_cast<int64_t>(cut);
            plan.writeError = EIO;
            InstallFaultPlan(plan);
            (void)t->pack();
            (void)e.closeAll();
            RemoveFaultPlan();
        }
        Engine e;
        e.settings.autoOpen = false;
        e.settings.readOnly = true;
        Table* t = e.open(dir_.file("T"));
        ASSERT_NE(t, nullptr) << e.errorMessage();
        const long count = t->recCount();
        if (count == kRecords) {
            ++oldTable;
            EXPECT_EQ(Snapshot().at("T.dbf"), before_.at("T.dbf"));
        } else {
            ASSERT_EQ(count, LiveRecords());
            ++newTable;
        }
        for (const char* tag : {"TNAME.ntx", "TWHEN.ntx"}) {
            std::unique_ptr<NtxIndex> idx;
            Status s = NtxIndex::open(dir_.file(tag), true, idx);
            if (!s.ok()) {
                EXPECT_EQ(s.code, e4index) << tag << ": " << s.message;
                continue;
            }
            std::vector<std::string> problems;
            long entries = 0;
            EXPECT_TRUE(idx->verify(
                [&](std::string_view, uint32_t r) {
                    ++entries;
                    EXPECT_LE(r, static_cast<uint32_t>(count)) << tag;
                },
                problems))
                << tag;
            EXPECT_EQ(entries, LiveRecords()) << tag;
        }
        for (const auto& [name, bytes] : Snapshot())
            EXPECT_EQ(name.find(".kvltmp"), std::string::npos) << name;
    }
    EXPECT_GT(oldTable, 0);
}

TEST_F(TableFaultTest, TemporariesOfAnInterruptedRewriteAreClearedByTheNextWriter) {
    const std::vector<std::string> leftovers = {".T.dbf.kvltmp", ".TNAME.ntx.kvltmp",
                                                "..TWHEN.ntx.kvltmp.kvltmp", ".T.cgp.kvltmp"};
    for (const auto& name : leftovers) std::ofstream(dir_.file(name)) << "half";
    {
        Engine reader;
        reader.settings.readOnly = true;
        ASSERT_NE(reader.open(dir_.file("T")), nullptr);
        for (const auto& name : leftovers) EXPECT_TRUE(fs::exists(dir_.file(name))) << name;
    }
    Engine writer;
    ASSERT_NE(writer.open(dir_.file("T")), nullptr);
    for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(dir_.file(name))) << name;
    ASSERT_EQ(writer.closeAll(), 0);
    EXPECT_TRUE(Snapshot() == before_) << Differences(before_, Snapshot());
}

// Tag files that cannot be trusted make the table's open fail with e4index naming the file, so
// nothing reads or changes records through them.
TEST_F(TableFaultTest, UnsoundTagsAreRefusedWhenTheTableOpens) {
    {
        // Grown one insert at a time, so that the root is not the file's last page.
        Engine e;
        Table* t = Open(e);
        for (int i = 0; i < 3000; ++i) {
            ASSERT_EQ(t->appendBlank(), 0);
            t->field("NAME")->assign("G" + std::to_string(i * 7907 % 10007));
        }
        ASSERT_EQ(e.closeAll(), 0);
    }
    const Files grown = Snapshot();
    const std::string tag = grown.at("TNAME.ntx");
    ASSERT_GT(tag.size(), 40 * 1024u);
    struct Case {
        std::string name;
        std::string bytes;
    };
    std::vector<Case> cases;
    for (size_t cut = 1024; cut < tag.size(); cut += tag.size() / 7)
        cases.push_back({"cut to " + std::to_string(cut) + " bytes", tag.substr(0, cut)});
    std::string marked = tag;
    marked[279] = 0x4B;
    cases.push_back({"left being changed", marked});
    cases.push_back({"empty", ""});
    cases.push_back({"not an index file", std::string(4096, 'x')});
    for (size_t page = 1; page < tag.size() / 1024; ++page) {
        std::string b = tag;
        const size_t first = static_cast<uint8_t>(b[page * 1024 + 2]) |
                             static_cast<uint8_t>(b[page * 1024 + 3]) << 8;
        const bool branch = b.compare(page * 1024 + first, 4, std::string(4, '\0')) != 0;
        if (!branch) continue;
        for (size_t i = 0; i < 1024; ++i) b[page * 1024 + i] = static_cast<char>(i * 31 + 7);
        cases.push_back({"branch page " + std::to_string(page) + " overwritten", b});
    }
    {
        // Another program's tag under the same name: keys of another length for NAME.
        NtxSpec spec;
        spec.tagName = "TNAME";
        spec.keyExpr = "NAME";
        spec.keySize = 20;
        ASSERT_TRUE(NtxIndex::build(dir_.file("other.ntx"), spec, std::string(20, 'A'), {1}).ok());
        cases.push_back({"keys of another length", Snapshot().at("other.ntx")});
        spec.keyExpr = "UPPER(NAME)";
        spec.keySize = 12;
        ASSERT_TRUE(NtxIndex::build(dir_.file("other.ntx"), spec, std::string(12, 'A'), {1}).ok());
        cases.push_back({"an expression the engine cannot evaluate", Snapshot().at("other.ntx")});
        fs::remove(dir_.file("other.ntx"));
    }
    int branches = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        branches += c.name.rfind("branch", 0) == 0;
        Restore(grown);
        std::ofstream(dir_.file("TNAME.ntx"), std::ios::binary | std::ios::trunc) << c.bytes;
        Engine e;
        EXPECT_EQ(e.open(dir_.file("T")), nullptr);
        EXPECT_EQ(e.errorCode(), e4index);
        EXPECT_NE(e.errorMessage().find("TNAME.ntx"), std::string::npos) << e.errorMessage();
    }
    EXPECT_GT(branches, 0);
}

}  // namespace
}  // namespace xb

// What an NTX file tells about itself after its writer died or the file was cut short: every state
// a change can leave on disk either is the file as it was or carries the "being changed" mark, and
// truncation or damage above the leaves is refused when the file is opened.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "engine/Files.h"
#include "engine/Ntx.h"

namespace xb {
namespace {

namespace fs = std::filesystem;
using Entry = std::pair<std::string, uint32_t>;
using Model = std::set<Entry>;

constexpr size_t kPage = 1024;
constexpr size_t kMarkByte = 279;

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
void WriteAll(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b.at(at)) | (static_cast<uint32_t>(b.at(at + 1)) << 8) |
           (static_cast<uint32_t>(b.at(at + 2)) << 16) |
           (static_cast<uint32_t>(b.at(at + 3)) << 24);
}

std::string Key(unsigned value) {
    std::string k = std::to_string(value);
    return std::string(6 - std::min<size_t>(6, k.size()), '0') + k.substr(0, 6);
}

NtxSpec Spec() {
    NtxSpec s;
    s.tagName = "SAFE";
    s.keyExpr = "CODE";
    s.keySize = 6;
    return s;
}

class NtxSafetyTest : public ::testing::Test {
  protected:
    void TearDown() override { RemoveFaultPlan(); }

    std::string file(const std::string& name) const { return dir_.file(name); }

    // What a reader finds in a copy of the file taken now, as a process that died now leaves it.
    Status OpenCopy(const std::string& path, std::unique_ptr<NtxIndex>& out) {
        const std::string copy = file("copy.ntx");
        fs::copy_file(path, copy, fs::copy_options::overwrite_existing);
        return NtxIndex::open(copy, true, out);
    }

    static std::vector<Entry> Entries(NtxIndex& idx) {
        std::vector<Entry> out;
        std::vector<std::string> problems;
        EXPECT_TRUE(
            idx.verify([&](std::string_view k, uint32_t r) { out.emplace_back(k, r); }, problems))
            << (problems.empty() ? "" : problems.front());
        return out;
    }

    kvltest::TempDir dir_;
};

// Thousands of random changes through a one-page cache, so that pages reach the file in the
// middle of changes: after every change the file on disk is refused, after every flush it opens
// and holds exactly the model.
TEST_F(NtxSafetyTest, EveryChangeLeavesTheMarkUntilFlushed) {
    const std::string path = file("t.ntx");
    ASSERT_TRUE(NtxIndex::build(path, Spec(), "", {}).ok());
    std::unique_ptr<NtxIndex> idx;
    ASSERT_TRUE(NtxIndex::open(path, false, idx).ok());
    idx->setCacheLimit(1);
    Model model;
    std::mt19937 rng(7);
    uint32_t nextRec = 1;
    bool sawFreePage = false;
    uint64_t largest = 0;
    bool growing = true;  // the tree grows to 600 entries and shrinks to 50, again and again
    for (int op = 0; op < 2500; ++op) {
        if (model.size() >= 600) growing = false;
        if (model.size() <= 50) growing = true;
        const bool insert = growing ? rng() % 4 != 0 : rng() % 4 == 0;
        if (insert || model.empty()) {
            const Entry e{Key(rng() % 5000), nextRec++};
            ASSERT_TRUE(idx->insert(e.first, e.second).ok());
            model.insert(e);
        } else {
            auto it = model.begin();
            std::advance(it, static_cast<long>(rng() % model.size()));
            ASSERT_TRUE(idx->remove(it->first, it->second).ok());
            model.erase(it);
        }
        std::unique_ptr<NtxIndex> seen;
        const Status s = OpenCopy(path, seen);
        ASSERT_EQ(s.code, e4index) << "after change " << op << ": " << s.message;
        ASSERT_NE(s.message.find("being changed"), std::string::npos) << s.message;
        if (op % 97 == 0) {
            ASSERT_TRUE(idx->flush().ok());
            ASSERT_TRUE(OpenCopy(path, seen).ok()) << "after the flush at change " << op;
            EXPECT_EQ(Entries(*seen), std::vector<Entry>(model.begin(), model.end()));
            const std::vector<uint8_t> b = ReadAll(path);
            sawFreePage |= Le32(b, 8) != 0;
            largest = std::max<uint64_t>(largest, b.size() / kPage);
        }
    }
    // The run split and merged pages and put freed pages on the list.
    EXPECT_TRUE(sawFreePage);
    EXPECT_GT(largest, 10u);
}

// Every prefix of a round of changes' writes, as a process killed in the middle of them leaves
// the file: it holds the old entries, or all the new ones, or it carries the mark. The pages of a
// round reach the file in runs of several pages per write (those leaving the cache together, then
// the flush's), and a cut falls inside a run as often as between two.
class NtxCutTest : public NtxSafetyTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(NtxCutTest, AKillBetweenAnyTwoWritesLeavesTheOldFileOrTheMark) {
    const size_t cacheLimit = GetParam();
    const std::string path = file("t.ntx");
    std::string keys;
    std::vector<uint32_t> recnos;
    for (unsigned i = 0; i < 2000; ++i) {
        keys += Key(i * 2);
        recnos.push_back(i + 1);
    }
    ASSERT_TRUE(NtxIndex::build(path, Spec(), keys, recnos).ok());
    const std::vector<uint8_t> original = ReadAll(path);
    const std::string work = file("w.ntx");
    std::vector<Entry> before, after;
    {
        std::unique_ptr<NtxIndex> idx;
        ASSERT_TRUE(NtxIndex::open(path, true, idx).ok());
        before = Entries(*idx);
    }

    // The writes of one round: inserts that split pages, removals that merge them, then flush.
    auto round = [&](NtxIndex& idx) {
        for (unsigned i = 0; i < 300; ++i) (void)idx.insert(Key(i * 6 + 1), 5000 + i);
        for (unsigned i = 0; i < 600; ++i) (void)idx.remove(Key(i * 2), i + 1);
        return idx.sync();
    };
    WriteAll(work, original);
    uint64_t total = 0;
    {
        std::unique_ptr<NtxIndex> idx;
        ASSERT_TRUE(NtxIndex::open(work, false, idx).ok());
        idx->setCacheLimit(cacheLimit);
        InstallFaultPlan(FaultPlan{});
        ASSERT_TRUE(round(*idx).ok());
        total = FaultCountsSoFar().bytesWritten;
        // The header is written alone, twice; every other write carries pages.
        const uint64_t pageWrites = FaultCountsSoFar().writes - 2;
        if (cacheLimit > 4) {
            EXPECT_GT(total - 2 * kPage, 2 * kPage * pageWrites);
        }
        RemoveFaultPlan();
        after = Entries(*idx);
    }
    ASSERT_NE(before, after);
    ASSERT_GT(total, 10 * kPage);
    int old = 0, fresh = 0, marked = 0;
    for (uint64_t cut = 0; cut < total; cut += 1 + cut / 8) {
        WriteAll(work, original);
        {
            std::unique_ptr<NtxIndex> idx;
            ASSERT_TRUE(NtxIndex::open(work, false, idx).ok());
            idx->setCacheLimit(cacheLimit);
            FaultPlan plan;
            plan.writeBytes = static_cast<int64_t>(cut);
            plan.writeError = EIO;
            InstallFaultPlan(plan);
            EXPECT_FALSE(round(*idx).ok()) << "cut after " << cut << " bytes";
            idx.reset();  // closing writes nothing more: the plan still refuses
            RemoveFaultPlan();
        }
        std::unique_ptr<NtxIndex> seen;
        const Status s = NtxIndex::open(work, true, seen);
        if (!s.ok()) {
            EXPECT_EQ(s.code, e4index) << "cut after " << cut << " bytes: " << s.message;
            EXPECT_NE(s.message.find("being changed"), std::string::npos) << s.message;
            ++marked;
            continue;
        }
        const std::vector<Entry> now = Entries(*seen);
        if (now == before) {
            ++old;
        } else {
            EXPECT_EQ(now, after) << "cut after " << cut << " bytes: neither old nor new";
            ++fresh;
        }
    }
    EXPECT_GT(old, 0);
    EXPECT_GT(marked, 20);
}

INSTANTIATE_TEST_SUITE_P(CacheSizes, NtxCutTest, ::testing::Values(4, 16, 64));

TEST_F(NtxSafetyTest, PrepareChangeMarksTheFileAheadOfAnyChange) {
    const std::string path = file("t.ntx");
    ASSERT_TRUE(NtxIndex::build(path, Spec(), Key(1), {1}).ok());
    std::unique_ptr<NtxIndex> idx;
    ASSERT_TRUE(NtxIndex::open(path, false, idx).ok());
    ASSERT_TRUE(idx->prepareChange().ok());
    std::unique_ptr<NtxIndex> seen;
    EXPECT_EQ(OpenCopy(path, seen).code, e4index);
    ASSERT_TRUE(idx->prepareChange().ok());  // already marked: nothing more
    ASSERT_TRUE(idx->insert(Key(2), 2).ok());
    ASSERT_TRUE(idx->flush().ok());
    ASSERT_TRUE(OpenCopy(path, seen).ok());
    EXPECT_EQ(Entries(*seen), (std::vector<Entry>{{Key(1), 1}, {Key(2), 2}}));

    std::unique_ptr<NtxIndex> ro;
    ASSERT_TRUE(NtxIndex::open(path, true, ro).ok());
    EXPECT_EQ(ro->prepareChange().code, e4info);
    EXPECT_EQ(ReadAll(path)[kMarkByte], 0);
}

TEST_F(NtxSafetyTest, MarkCanBeSetAndClearedOnAClosedFile) {
    const std::string path = file("t.ntx");
    ASSERT_TRUE(NtxIndex::build(path, Spec(), Key(1), {1}).ok());
    const std::vector<uint8_t> before = ReadAll(path);
    ASSERT_TRUE(NtxIndex::setChangingMark(path, true).ok());
    std::unique_ptr<NtxIndex> idx;
    EXPECT_EQ(NtxIndex::open(path, true, idx).code, e4index);
    ASSERT_TRUE(NtxIndex::setChangingMark(path, false).ok());
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_TRUE(NtxIndex::open(path, true, idx).ok());

    const std::string other = file("other.ntx");
    WriteAll(other, std::vector<uint8_t>(2048, 'x'));
    EXPECT_EQ(NtxIndex::setChangingMark(other, true).code, e4index);
    EXPECT_EQ(ReadAll(other), std::vector<uint8_t>(2048, 'x'));
    EXPECT_EQ(NtxIndex::setChangingMark(file("none.ntx"), true).code, e4open);
}

TEST_F(NtxSafetyTest, RenamedFileGoesByItsNewName) {
    const std::string path = file("t.ntx");
    ASSERT_TRUE(NtxIndex::build(path, Spec(), Key(1), {1}).ok());
    std::unique_ptr<NtxIndex> idx;
    ASSERT_TRUE(NtxIndex::open(path, false, idx).ok());
    ASSERT_EQ(::rename(path.c_str(), file("u.ntx").c_str()), 0);
    idx->renamed(file("u.ntx"));
    EXPECT_EQ(idx->path(), file("u.ntx"));
    EXPECT_NE(idx->remove(Key(9), 9).message.find(file("u.ntx")), std::string::npos);
}

// A file grown by single inserts has its root anywhere; cutting it at any page boundary, or in the
// middle of a page, loses pages that branch pages point to.
TEST_F(NtxSafetyTest, TruncationAnywhereIsRefusedAtOpen) {
    const std::string path = file("t.ntx");
    ASSERT_TRUE(NtxIndex::build(path, Spec(), "", {}).ok());
    {
        std::unique_ptr<NtxIndex> idx;
        ASSERT_TRUE(NtxIndex::open(path, false, idx).ok());
        std::mt19937 rng(3);
        for (uint32_t r = 1; r <= 6000; ++r) ASSERT_TRUE(idx->insert(Key(rng() % 100000), r).ok());
        ASSERT_TRUE(idx->sync().ok());
    }
    const std::vector<uint8_t> whole = ReadAll(path);
    const size_t pages = whole.size() / kPage;
    ASSERT_GT(pages, 100u);
    const std::string cut = file("cut.ntx");
    for (size_t size = kPage; size < whole.size(); size += kPage / 2 + 1) {
        WriteAll(cut, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size)));
        std::unique_ptr<NtxIndex> idx;
        const Status s = NtxIndex::open(cut, true, idx);
        EXPECT_EQ(s.code, e4index) << "cut to " << size << " bytes of " << whole.size();
    }
}

// Garbage in any branch page is refused at open; garbage in a leaf is found when it is read.
TEST_F(NtxSafetyTest, DamagedBranchPagesAreRefusedAtOpen) {
    const std::string path = file("t.ntx");
    std::string keys;
    std::vector<uint32_t> recnos;
    for (unsigned i = 0; i < 20000; ++i) {
        keys += Key(i);
        recnos.push_back(i + 1);
    }
    ASSERT_TRUE(NtxIndex::build(path, Spec(), keys, recnos).ok());
    const std::vector<uint8_t> whole = ReadAll(path);
    std::mt19937 rng(5);
    int branches = 0, leaves = 0;
    for (size_t page = 1; page < whole.size() / kPage; ++page) {
        const size_t at = page * kPage;
        const size_t firstItem = whole[at + 2] | (whole[at + 3] << 8);
        const bool branch = Le32(whole, at + firstItem) != 0;
        std::vector<uint8_t> b = whole;
        for (size_t i = 0; i < kPage; ++i) b[at + i] = static_cast<uint8_t>(rng());
        const std::string damaged = file("dmg.ntx");
        WriteAll(damaged, b);
        std::unique_ptr<NtxIndex> idx;
        const Status s = NtxIndex::open(damaged, true, idx);
        if (branch) {
            ++branches;
            EXPECT_EQ(s.code, e4index) << "branch page " << at;
        } else if (s.ok()) {
            ++leaves;
            int rc = idx->top();
            while (rc == r4success) rc = idx->next();
            EXPECT_EQ(rc, e4index) << "leaf page " << at;
        }
    }
    EXPECT_GT(branches, 5);
    EXPECT_GT(leaves, 100);
}

}  // namespace
}  // namespace xb

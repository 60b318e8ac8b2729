#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/Ntx.h"

namespace xb {
namespace {

namespace fs = std::filesystem;
using Entry = std::pair<std::string, uint32_t>;
using Model = std::set<Entry>;

// Format facts the tests check files against, written out independently of the engine.
constexpr size_t kPage = 1024;
uint16_t ExpectedMaxItems(uint16_t keySize) {
    int m = (1024 - 2) / (keySize + 10) - 1;
    if (m % 2 == 1 && m > 2) --m;
    return static_cast<uint16_t>(m);
}

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b.at(at)) | (static_cast<uint32_t>(b.at(at + 1)) << 8) |
           (static_cast<uint32_t>(b.at(at + 2)) << 16) |
           (static_cast<uint32_t>(b.at(at + 3)) << 24);
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
void WriteAll(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}
void Patch(const std::string& path, size_t at, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> data = ReadAll(path);
    ASSERT_LE(at + bytes.size(), data.size());
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<long>(at));
    WriteAll(path, data);
}
void Patch16(const std::string& path, size_t at, uint16_t v) {
    Patch(path, at, {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
}
void Patch32(const std::string& path, size_t at, uint32_t v) {
    Patch(path, at,
          {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
           static_cast<uint8_t>(v >> 24)});
}

class NtxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ntxtest.XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string file(const std::string& name) const { return dir_ + "/" + name; }

    static NtxSpec Spec(uint16_t keySize) {
        NtxSpec s;
        s.tagName = "TEST";
        s.keyExpr = "CODE";
        s.keySize = keySize;
        return s;
    }

    static Status Build(const std::string& path, const NtxSpec& spec,
                        const std::vector<Entry>& entries) {
        std::string keys;
        std::vector<uint32_t> recnos;
        for (const auto& [k, r] : entries) {
            keys += k;
            recnos.push_back(r);
        }
        return NtxIndex::build(path, spec, keys, recnos);
    }

    static std::unique_ptr<NtxIndex> Open(const std::string& path, bool readOnly = false) {
        std::unique_ptr<NtxIndex> idx;
        Status s = NtxIndex::open(path, readOnly, idx);
        EXPECT_TRUE(s.ok()) << s.message;
        return idx;
    }

    std::string dir_;
};

std::string Key(uint16_t size, unsigned value) {
    std::string k = std::to_string(value);
    if (k.size() < size) k.insert(0, size - k.size(), '0');
    return k.substr(0, size);
}

std::vector<Entry> Forward(NtxIndex& idx) {
    std::vector<Entry> out;
    int rc = idx.top();
    while (rc == r4success) {
        out.emplace_back(std::string(idx.key()), idx.recno());
        rc = idx.next();
    }
    EXPECT_EQ(rc, r4eof);
    return out;
}

std::vector<Entry> Backward(NtxIndex& idx) {
    std::vector<Entry> out;
    int rc = idx.bottom();
    while (rc == r4success) {
        out.emplace_back(std::string(idx.key()), idx.recno());
        rc = idx.prev();
    }
    EXPECT_EQ(rc, out.empty() ? r4eof : r4bof);
    return out;
}

// The model's answer to a partial-key seek: the first entry whose leading bytes are not below key.
Model::const_iterator ModelSeek(const Model& model, const std::string& key) {
    return std::find_if(model.begin(), model.end(),
                        [&](const Entry& e) { return e.first.compare(0, key.size(), key) >= 0; });
}

void ExpectSeek(NtxIndex& idx, const Model& model, const std::string& key) {
    auto it = ModelSeek(model, key);
    int rc = idx.seek(key);
    if (it == model.end()) {
        EXPECT_EQ(rc, r4eof) << "seek " << key;
        EXPECT_FALSE(idx.positioned());
        return;
    }
    EXPECT_EQ(rc, it->first.compare(0, key.size(), key) == 0 ? r4success : r4after)
        << "seek " << key;
    EXPECT_EQ(std::string(idx.key()), it->first) << "seek " << key;
    EXPECT_EQ(idx.recno(), it->second) << "seek " << key;
}

void ExpectSeekEntry(NtxIndex& idx, const Model& model, const Entry& e) {
    auto it = model.lower_bound(e);
    int rc = idx.seekEntry(e.first, e.second);
    if (it == model.end()) {
        EXPECT_EQ(rc, r4eof);
        return;
    }
    EXPECT_EQ(rc, *it == e ? r4success : r4after);
    EXPECT_EQ(std::string(idx.key()), it->first);
    EXPECT_EQ(idx.recno(), it->second);
}

void ExpectMatches(NtxIndex& idx, const Model& model, std::mt19937& rng, uint16_t keySize,
                   unsigned keyRange) {
    std::vector<Entry> want(model.begin(), model.end());
    ASSERT_EQ(Forward(idx), want);
    std::vector<Entry> back = Backward(idx);
    std::reverse(back.begin(), back.end());
    ASSERT_EQ(back, want);

    std::vector<Entry> visited;
    std::vector<std::string> problems;
    EXPECT_TRUE(
        idx.verify([&](std::string_view k, uint32_t r) { visited.emplace_back(k, r); }, problems));
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(visited, want);

    for (int i = 0; i < 40; ++i) {
        std::string k = Key(keySize, rng() % (keyRange + 2));
        // A range counted page by page holds the entries whose prefixes lie within it.
        const std::string from = k.substr(0, rng() % (keySize + 1u)),
                          through = Key(keySize, rng() % (keyRange + 2))
                                        .substr(0, rng() % (keySize + 1u));
        const auto inRange = [&](const Entry& e) {
            return e.first.compare(0, from.size(), from) >= 0 &&
                   e.first.compare(0, through.size(), through) <= 0;
        };
        // ... and gives their record numbers in key order, those of the branch pages' entries
        // among those of the leaves.
        std::vector<uint32_t> recnos, wanted;
        for (const Entry& e : model)
            if (inRange(e)) wanted.push_back(e.second);
        EXPECT_EQ(idx.count(from, through, &recnos), static_cast<long>(wanted.size()))
            << from << " .. " << through;
        EXPECT_EQ(recnos, wanted) << from << " .. " << through;
        ExpectSeek(idx, model, k);                                 // whole key
        ExpectSeek(idx, model, k.substr(0, 1 + rng() % keySize));  // partial key
        ExpectSeekEntry(idx, model, {k, static_cast<uint32_t>(rng() % 3000)});
        if (!model.empty()) {
            auto it = model.begin();
            std::advance(it, static_cast<long>(rng() % model.size()));
            ExpectSeekEntry(idx, model, *it);
            // From a found entry the cursor moves on without searching from the root again.
            ASSERT_EQ(idx.seekEntry(it->first, it->second), r4success);
            auto nx = std::next(it);
            int rc = idx.next();
            if (nx == model.end()) {
                EXPECT_EQ(rc, r4eof);
            } else {
                ASSERT_EQ(rc, r4success);
                EXPECT_EQ(idx.recno(), nx->second);
                EXPECT_EQ(std::string(idx.key()), nx->first);
            }
            ASSERT_EQ(idx.seekEntry(it->first, it->second), r4success);
            rc = idx.prev();
            if (it == model.begin()) {
                EXPECT_EQ(rc, r4bof);
            } else {
                ASSERT_EQ(rc, r4success);
                EXPECT_EQ(idx.recno(), std::prev(it)->second);
            }
        }
    }
    // Past the greatest key.
    EXPECT_EQ(idx.seek(std::string(keySize, '\xff')), r4eof);
}

struct ModelRun {
    uint16_t keySize;
    unsigned keyRange;  // distinct keys: small ranges give many duplicates
    size_t cacheLimit;
    int batches;
    int opsPerBatch;
};

class NtxModelTest : public NtxTest, public ::testing::WithParamInterface<ModelRun> {};

TEST_P(NtxModelTest, RandomChangesMatchModel) {
    const ModelRun run = GetParam();
    const std::string path = file("model.ntx");
    ASSERT_TRUE(Build(path, Spec(run.keySize), {}).ok());
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    idx->setCacheLimit(run.cacheLimit);
    std::mt19937 rng(run.keySize * 7919u + run.keyRange);
    Model model;
    for (int b = 0; b < run.batches; ++b) {
        // Grow for the first half, shrink for the second, so merges and empty trees happen too.
        const int insertPercent = b < run.batches / 2 ? 70 : 30;
        for (int op = 0; op < run.opsPerBatch; ++op) {
            if (model.empty() || static_cast<int>(rng() % 100) < insertPercent) {
                Entry e{Key(run.keySize, rng() % run.keyRange),
                        1 + static_cast<uint32_t>(rng() % 2000)};
                Status s = idx->insert(e.first, e.second);
                if (model.count(e)) {
                    EXPECT_EQ(s.code, e4index);
                } else {
                    ASSERT_TRUE(s.ok()) << s.message;
                    model.insert(e);
                }
            } else {
                auto it = model.begin();
                std::advance(it, static_cast<long>(rng() % model.size()));
                Status s = idx->remove(it->first, it->second);
                ASSERT_TRUE(s.ok()) << s.message;
                model.erase(it);
            }
        }
        ExpectMatches(*idx, model, rng, run.keySize, run.keyRange);
        if (HasFatalFailure()) return;
        if (b % 3 == 2) {
            ASSERT_TRUE(idx->flush().ok());
            idx.reset();
            idx = Open(path);
            ASSERT_TRUE(idx);
            idx->setCacheLimit(run.cacheLimit);
            ExpectMatches(*idx, model, rng, run.keySize, run.keyRange);
            if (HasFatalFailure()) return;
        }
    }
    // Remove everything: the tree shrinks back to one empty root page.
    while (!model.empty()) {
        ASSERT_TRUE(idx->remove(model.begin()->first, model.begin()->second).ok());
        model.erase(model.begin());
    }
    EXPECT_EQ(idx->top(), r4eof);
    ASSERT_TRUE(idx->sync().ok());
    idx.reset();
    idx = Open(path);
    ASSERT_TRUE(idx);
    ExpectMatches(*idx, model, rng, run.keySize, run.keyRange);
}

INSTANTIATE_TEST_SUITE_P(Shapes, NtxModelTest,
                         ::testing::Values(ModelRun{12, 40, 256, 12, 1500},  // 44 items per page
                                           ModelRun{256, 30, 256, 10, 60},   // 2 items per page
                                           ModelRun{100, 8, 4, 10, 150},     // tiny cache
                                           ModelRun{1, 10, 1, 10, 300},      // one-byte keys
                                           ModelRun{20, 5000, 16, 8, 800}));

TEST_F(NtxTest, EmptyBuildIsAValidIndex) {
    const std::string path = file("empty.ntx");
    ASSERT_TRUE(Build(path, Spec(8), {}).ok());
    EXPECT_EQ(fs::file_size(path), 2 * kPage);
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx->top(), r4eof);
    EXPECT_EQ(idx->bottom(), r4eof);
    EXPECT_EQ(idx->seek("1"), r4eof);
    EXPECT_EQ(idx->seekEntry("00000001", 1), r4eof);
    EXPECT_FALSE(idx->positioned());
    std::vector<std::string> problems;
    EXPECT_TRUE(idx->verify(nullptr, problems));
    EXPECT_TRUE(problems.empty());
}

TEST_F(NtxTest, HeaderAndPagesFollowTheClipperLayout) {
    const std::string path = file("layout.ntx");
    NtxSpec spec = Spec(10);
    spec.tagName = "EDATE";
    spec.keyExpr = "DTOS(EDATE)+STR(NR,2)";
    spec.forExpr = ".NOT. DELETED()";
    spec.keyDec = 2;
    spec.unique = true;
    std::vector<Entry> entries = {{"BBBBBBBBBB", 2}, {"AAAAAAAAAA", 7}, {"AAAAAAAAAA", 3}};
    ASSERT_TRUE(Build(path, spec, entries).ok());
    std::vector<uint8_t> b = ReadAll(path);
    ASSERT_EQ(b.size(), 2 * kPage);
    EXPECT_EQ(Le16(b, 0), 7);  // standard signature 6 with the FOR flag 1
    EXPECT_EQ(Le32(b, 4), kPage);
    EXPECT_EQ(Le32(b, 8), 0u);
    EXPECT_EQ(Le16(b, 12), 18);
    EXPECT_EQ(Le16(b, 14), 10);
    EXPECT_EQ(Le16(b, 16), 2);
    EXPECT_EQ(Le16(b, 18), 50);
    EXPECT_EQ(Le16(b, 18), ExpectedMaxItems(10));
    EXPECT_EQ(Le16(b, 20), 25);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[22])), spec.keyExpr);
    EXPECT_EQ(b[278], 1);
    EXPECT_EQ(b[279], 0);  // not being changed
    EXPECT_EQ(b[280], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[282])), spec.forExpr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[538])), "EDATE");

    // The root leaf: count, offsets, then items of child, record number and key in order.
    const size_t root = kPage;
    EXPECT_EQ(Le16(b, root), 3);
    const std::vector<Entry> sorted = {{"AAAAAAAAAA", 3}, {"AAAAAAAAAA", 7}, {"BBBBBBBBBB", 2}};
    for (int i = 0; i < 3; ++i) {
        size_t item = root + Le16(b, root + 2 + 2 * i);
        EXPECT_GE(item, root + 2 + 2 * 51);
        EXPECT_LE(item + 18, root + kPage);
        EXPECT_EQ(Le32(b, item), 0u);
        EXPECT_EQ(Le32(b, item + 4), sorted[i].second);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[item + 8]), 10), sorted[i].first);
    }
    EXPECT_EQ(Le32(b, root + Le16(b, root + 2 + 2 * 3)), 0u);  // rightmost child of a leaf

    auto idx = Open(path);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx->spec().tagName, "EDATE");
    EXPECT_EQ(idx->spec().keyExpr, spec.keyExpr);
    EXPECT_EQ(idx->spec().forExpr, spec.forExpr);
    EXPECT_EQ(idx->spec().keySize, 10);
    EXPECT_EQ(idx->spec().keyDec, 2);
    EXPECT_TRUE(idx->spec().unique);
    EXPECT_FALSE(idx->spec().descending);
    EXPECT_EQ(Forward(*idx), sorted);

    ASSERT_TRUE(Build(path, Spec(10), entries).ok());
    EXPECT_EQ(Le16(ReadAll(path), 0), 6);  // no FOR condition
}

TEST_F(NtxTest, BranchPagesPointToChildrenAndHoldEntries) {
    const std::string path = file("branch.ntx");
    std::vector<Entry> entries;
    for (unsigned i = 0; i < 500; ++i) entries.push_back({Key(10, i), i + 1});
    ASSERT_TRUE(Build(path, Spec(10), entries).ok());
    std::vector<uint8_t> b = ReadAll(path);
    uint32_t root = Le32(b, 4);
    uint16_t count = Le16(b, root);
    ASSERT_GT(count, 0);
    // Every child pointer of the root names a page, and each root entry sits between the last
    // entry of the child on its left and the first of the child on its right.
    for (int i = 0; i < count; ++i) {
        size_t item = root + Le16(b, root + 2 + 2 * i);
        uint32_t left = Le32(b, item);
        uint32_t right = Le32(b, root + Le16(b, root + 2 + 2 * (i + 1)));
        ASSERT_EQ(left % kPage, 0u);
        ASSERT_EQ(right % kPage, 0u);
        uint16_t lc = Le16(b, left);
        uint32_t lastLeft = Le32(b, left + Le16(b, left + 2 + 2 * (lc - 1)) + 4);
        uint32_t firstRight = Le32(b, right + Le16(b, right + 2) + 4);
        uint32_t mid = Le32(b, item + 4);
        EXPECT_LT(lastLeft, mid);
        EXPECT_GT(firstRight, mid);
    }
}

TEST_F(NtxTest, BuildOfUnsortedEntriesEqualsModel) {
    std::mt19937 rng(42);
    for (uint16_t keySize : {4, 33, 256}) {
        for (size_t n : {1u, 2u, 3u, 7u, 50u, 51u, 101u, 1000u, 5000u}) {
            Model model;
            std::vector<Entry> entries;
            while (model.size() < n) {
                Entry e{Key(keySize, rng() % 300), static_cast<uint32_t>(rng() % 100000)};
                if (model.insert(e).second) entries.push_back(e);
            }
            const std::string path = file("b.ntx");
            ASSERT_TRUE(Build(path, Spec(keySize), entries).ok());
            auto idx = Open(path);
            ASSERT_TRUE(idx);
            ExpectMatches(*idx, model, rng, keySize, 300);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_F(NtxTest, BuildShapesAreSoundForEveryCountUpToSeveralLevels) {
    for (uint16_t keySize : {256, 150, 40}) {  // 2, 4 and 18 items per page
        for (unsigned n = 0; n <= 400; ++n) {
            std::vector<Entry> entries;
            for (unsigned i = 0; i < n; ++i) entries.push_back({Key(keySize, n - i), i});
            const std::string path = file("s.ntx");
            ASSERT_TRUE(Build(path, Spec(keySize), entries).ok());
            auto idx = Open(path);
            ASSERT_TRUE(idx);
            std::vector<std::string> problems;
            size_t seen = 0;
            EXPECT_TRUE(idx->verify([&](std::string_view, uint32_t) { ++seen; }, problems))
                << "n=" << n << " key " << keySize << ": " << problems.front();
            EXPECT_EQ(seen, n);
            if (HasFailure()) return;
        }
    }
}

TEST_F(NtxTest, BuildRefusesBadArguments) {
    const std::string path = file("bad.ntx");
    NtxSpec spec = Spec(4);
    EXPECT_EQ(NtxIndex::build(path, spec, "abc", {1}).code, e4parm);  // key bytes do not match
    EXPECT_EQ(Build(path, spec, {{"aaaa", 1}, {"aaaa", 1}}).code, e4parm);
    NtxSpec desc = spec;
    desc.descending = true;
    EXPECT_EQ(Build(path, desc, {}).code, e4parm);
    NtxSpec longName = spec;
    longName.tagName = "ELEVENCHARS";
    EXPECT_EQ(Build(path, longName, {}).code, e4parm);
    NtxSpec noKey = spec;
    noKey.keySize = 0;
    EXPECT_EQ(Build(path, noKey, {}).code, e4parm);
    NtxSpec longExpr = spec;
    longExpr.keyExpr.assign(256, 'X');
    EXPECT_EQ(Build(path, longExpr, {}).code, e4parm);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(NtxTest, BuildReplacesTheFileAndLeavesNoTemporary) {
    const std::string path = file("r.ntx");
    ASSERT_TRUE(Build(path, Spec(4), {{"aaaa", 1}}).ok());
    ASSERT_TRUE(Build(path, Spec(4), {{"bbbb", 2}, {"cccc", 3}}).ok());
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    EXPECT_EQ(Forward(*idx), (std::vector<Entry>{{"bbbb", 2}, {"cccc", 3}}));
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir_)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST_F(NtxTest, ChangesRefuseWrongKeysAndMissingOrRepeatedEntries) {
    const std::string path = file("c.ntx");
    ASSERT_TRUE(Build(path, Spec(4), {{"aaaa", 1}}).ok());
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx->insert("aaa", 2).code, e4parm);
    EXPECT_EQ(idx->insert("aaaa", 1).code, e4index);
    Status s = idx->remove("aaaa", 9);
    EXPECT_EQ(s.code, e4index);
    EXPECT_NE(s.message.find(path), std::string::npos);
    EXPECT_EQ(idx->seek("aaaaa"), e4parm);
    EXPECT_EQ(idx->seekEntry("aa", 1), e4parm);
    EXPECT_EQ(Forward(*idx), (std::vector<Entry>{{"aaaa", 1}}));
}

TEST_F(NtxTest, CursorFindsItsPlaceAfterChanges) {
    const std::string path = file("cur.ntx");
    std::vector<Entry> entries;
    Model model;
    for (unsigned i = 0; i < 3000; ++i) {
        entries.push_back({Key(6, i / 3), i});
        model.insert(entries.back());
    }
    ASSERT_TRUE(Build(path, Spec(6), entries).ok());
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    ASSERT_EQ(idx->seekEntry(Key(6, 500), 1500), r4success);
    // Changes elsewhere split and merge pages under the cursor's path.
    for (unsigned i = 3000; i < 4000; ++i) {
        ASSERT_TRUE(idx->insert(Key(6, i % 700), i).ok());
        model.insert({Key(6, i % 700), i});
    }
    ASSERT_TRUE(idx->positioned());
    EXPECT_EQ(idx->recno(), 1500u);
    auto at = model.find({Key(6, 500), 1500});
    ASSERT_EQ(idx->next(), r4success);
    EXPECT_EQ(idx->recno(), std::next(at)->second);
    ASSERT_EQ(idx->prev(), r4success);
    EXPECT_EQ(idx->recno(), 1500u);

    // Removing the entry under the cursor leaves it between its neighbours.
    ASSERT_TRUE(idx->remove(Key(6, 500), 1500).ok());
    auto after = model.erase(at);
    EXPECT_FALSE(idx->positioned());
    ASSERT_EQ(idx->next(), r4success);
    EXPECT_EQ(idx->recno(), after->second);
    ASSERT_EQ(idx->seekEntry(after->first, after->second), r4success);
    ASSERT_TRUE(idx->remove(after->first, after->second).ok());
    auto before = std::prev(after);
    after = model.erase(after);
    ASSERT_EQ(idx->prev(), r4success);
    EXPECT_EQ(idx->recno(), before->second);

    // Removing the last entry under the cursor: next is the end, prev the entry before.
    ASSERT_EQ(idx->bottom(), r4success);
    auto last = std::prev(model.end());
    ASSERT_TRUE(idx->remove(last->first, last->second).ok());
    model.erase(last);
    EXPECT_EQ(idx->next(), r4eof);
    EXPECT_EQ(idx->prev(), r4success);
    EXPECT_EQ(idx->recno(), std::prev(model.end())->second);
}

// The read-ahead hint never names a record other than the one the walk reaches, and after a change
// under the cursor it gives none until the cursor has found its place again.
TEST_F(NtxTest, RecnoAheadNamesTheRecordTheWalkReaches) {
    const std::string path = file("ahead.ntx");
    std::vector<Entry> entries;
    for (unsigned i = 0; i < 2000; ++i) entries.push_back({Key(6, i), 5000 - i});
    ASSERT_TRUE(Build(path, Spec(6), entries).ok());
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    std::vector<uint32_t> walked;
    for (int rc = idx->top(); rc == r4success; rc = idx->next()) walked.push_back(idx->recno());
    ASSERT_EQ(walked.size(), entries.size());
    size_t hinted = 0;
    ASSERT_EQ(idx->top(), r4success);
    for (size_t i = 0; i < walked.size(); ++i, (void)idx->next()) {
        const uint32_t ahead = idx->recnoAhead(3);
        if (ahead == 0) continue;
        ++hinted;
        ASSERT_LT(i + 3, walked.size());
        EXPECT_EQ(ahead, walked[i + 3]);
    }
    EXPECT_GT(hinted, walked.size() / 2);  // a hint for most steps within a leaf
    ASSERT_EQ(idx->seek(Key(6, 100)), r4success);
    ASSERT_TRUE(idx->insert(Key(6, 100), 9999).ok());
    EXPECT_EQ(idx->recnoAhead(1), 0u);
}

TEST_F(NtxTest, FreedPagesAreReused) {
    const std::string path = file("free.ntx");
    ASSERT_TRUE(Build(path, Spec(40), {}).ok());
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    for (unsigned i = 0; i < 5000; ++i) ASSERT_TRUE(idx->insert(Key(40, i), i).ok());
    ASSERT_TRUE(idx->flush().ok());
    const auto grown = fs::file_size(path);
    for (unsigned i = 0; i < 5000; ++i) {
        if (i % 10 != 0) {
            ASSERT_TRUE(idx->remove(Key(40, i), i).ok());
        }
    }
    ASSERT_TRUE(idx->flush().ok());
    EXPECT_NE(Le32(ReadAll(path), 8), 0u);  // the free list is in use
    std::vector<std::string> problems;
    EXPECT_TRUE(idx->verify(nullptr, problems));
    for (unsigned i = 0; i < 5000; ++i) {
        if (i % 10 != 0) {
            ASSERT_TRUE(idx->insert(Key(40, i), i + 7).ok());
        }
    }
    ASSERT_TRUE(idx->flush().ok());
    // Refilling took the freed pages back before growing the file much.
    EXPECT_LE(fs::file_size(path), grown + 40 * kPage);
    EXPECT_TRUE(idx->verify(nullptr, problems));
    EXPECT_TRUE(problems.empty());
    idx.reset();
    idx = Open(path);
    ASSERT_TRUE(idx);
    EXPECT_EQ(Forward(*idx).size(), 5000u);
}

TEST_F(NtxTest, MarkIsSetWhileChangingAndClearedByFlush) {
    const std::string path = file("mark.ntx");
    ASSERT_TRUE(Build(path, Spec(4), {{"aaaa", 1}}).ok());
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    const uint16_t version = Le16(ReadAll(path), 2);
    ASSERT_TRUE(idx->insert("bbbb", 2).ok());
    // A copy taken now is what a writer that died here leaves behind.
    const std::string copy = file("copy.ntx");
    fs::copy_file(path, copy);
    std::vector<uint8_t> b = ReadAll(path);
    EXPECT_NE(b[279], 0);
    EXPECT_NE(Le16(b, 2), version);
    std::unique_ptr<NtxIndex> other;
    Status s = NtxIndex::open(copy, false, other);
    EXPECT_EQ(s.code, e4index);
    EXPECT_NE(s.message.find("being changed"), std::string::npos) << s.message;
    EXPECT_NE(s.message.find(copy), std::string::npos) << s.message;
    EXPECT_FALSE(other);
    ASSERT_TRUE(idx->flush().ok());
    EXPECT_EQ(ReadAll(path)[279], 0);
    ASSERT_TRUE(NtxIndex::open(path, true, other).ok());
    EXPECT_EQ(Forward(*other), (std::vector<Entry>{{"aaaa", 1}, {"bbbb", 2}}));
}

TEST_F(NtxTest, ReadOnlyIndexRefusesChanges) {
    const std::string path = file("ro.ntx");
    ASSERT_TRUE(Build(path, Spec(4), {{"aaaa", 1}}).ok());
    auto idx = Open(path, true);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx->insert("bbbb", 2).code, e4info);
    EXPECT_EQ(idx->remove("aaaa", 1).code, e4info);
    EXPECT_EQ(idx->top(), r4success);
    EXPECT_TRUE(idx->flush().ok());
    EXPECT_EQ(ReadAll(path)[279], 0);
}

TEST_F(NtxTest, DescendingFileOpensAndWalksButIsNotChanged) {
    const std::string path = file("desc.ntx");
    ASSERT_TRUE(Build(path, Spec(4), {{"aaaa", 1}, {"bbbb", 2}}).ok());
    Patch(path, 280, {1});
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    EXPECT_TRUE(idx->spec().descending);
    EXPECT_EQ(Forward(*idx).size(), 2u);
    EXPECT_LT(idx->insert("cccc", 3).code, 0);
}

TEST_F(NtxTest, ManyKeysInsertedOneByOne) {
    const std::string path = file("big.ntx");
    ASSERT_TRUE(Build(path, Spec(10), {}).ok());
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    const unsigned n = 1000000;
    std::mt19937 rng(7);
    uint64_t sum = 0;
    for (unsigned i = 1; i <= n; ++i) {
        unsigned k = rng() % 100000;
        sum += i;
        ASSERT_TRUE(idx->insert(Key(10, k), i).ok());
    }
    ASSERT_TRUE(idx->flush().ok());
    std::vector<std::string> problems;
    size_t count = 0;
    uint64_t seen = 0;
    EXPECT_TRUE(idx->verify(
        [&](std::string_view, uint32_t r) {
            ++count;
            seen += r;
        },
        problems));
    EXPECT_EQ(count, n);
    EXPECT_EQ(seen, sum);
    size_t walked = 0;
    for (int rc = idx->top(); rc == r4success; rc = idx->next()) ++walked;
    EXPECT_EQ(walked, n);
    EXPECT_EQ(idx->seek(Key(10, 100000)), r4eof);
}

TEST_F(NtxTest, MillionEntryBuild) {
    const unsigned n = 1000000;
    std::string keys;
    keys.reserve(n * 8);
    std::vector<uint32_t> recnos;
    std::mt19937 rng(3);
    for (unsigned i = 0; i < n; ++i) {
        keys += Key(8, rng() % 50000);
        recnos.push_back(i + 1);
    }
    const std::string path = file("m.ntx");
    ASSERT_TRUE(NtxIndex::build(path, Spec(8), keys, recnos).ok());
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    std::vector<std::string> problems;
    size_t count = 0;
    EXPECT_TRUE(idx->verify([&](std::string_view, uint32_t) { ++count; }, problems));
    EXPECT_EQ(count, n);
    ASSERT_EQ(idx->seek("00012345"), r4success);
    EXPECT_EQ(std::string(idx->key()), "00012345");
}

// A file laid out by hand the way another writer might leave it: items in no particular slot
// order and the spare offsets left zero.
TEST_F(NtxTest, ReadsAndChangesAFileWrittenElsewhere) {
    const uint16_t keySize = 3, itemSize = 11, maxItems = 76;
    ASSERT_EQ(ExpectedMaxItems(keySize), maxItems);
    const size_t start = 2 + 2 * (maxItems + 1);
    std::vector<uint8_t> f(4 * kPage, 0);
    auto put16 = [&](size_t at, uint16_t v) {
        f[at] = static_cast<uint8_t>(v);
        f[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put16(0, 6);
    put16(2, 41);
    put32(4, 1024);
    put16(12, itemSize);
    put16(14, keySize);
    put16(18, maxItems);
    put16(20, maxItems / 2);
    std::memcpy(&f[22], "CODE", 4);
    // page: {slot for each position}, entries, rightmost child
    auto page = [&](size_t at, std::vector<int> slots,
                    std::vector<std::pair<uint32_t, Entry>> items, uint32_t right) {
        put16(at, static_cast<uint16_t>(items.size()));
        for (size_t i = 0; i < slots.size(); ++i)
            put16(at + 2 + 2 * i, static_cast<uint16_t>(start + slots[i] * itemSize));
        for (size_t i = 0; i < items.size(); ++i) {
            size_t it = at + start + slots[i] * itemSize;
            put32(it, items[i].first);
            put32(it + 4, items[i].second.second);
            std::memcpy(&f[it + 8], items[i].second.first.data(), keySize);
        }
        put32(at + start + slots[items.size()] * itemSize, right);
    };
    page(1024, {5, 2}, {{2048, {"MMM", 5}}}, 3072);
    page(2048, {10, 3, 0}, {{0, {"AAA", 1}}, {0, {"CCC", 2}}}, 0);
    page(3072, {7, 1, 60, 4}, {{0, {"XXX", 3}}, {0, {"XXX", 9}}, {0, {"ZZZ", 4}}}, 0);
    const std::string path = file("hand.ntx");
    WriteAll(path, f);

    Model model = {{"AAA", 1}, {"CCC", 2}, {"MMM", 5}, {"XXX", 3}, {"XXX", 9}, {"ZZZ", 4}};
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx->spec().keyExpr, "CODE");
    std::mt19937 rng(5);
    ExpectMatches(*idx, model, rng, keySize, 10);
    for (unsigned i = 0; i < 200; ++i) {
        Entry e{Key(keySize, (i * 37) % 1000), i + 100};
        ASSERT_TRUE(idx->insert(e.first, e.second).ok());
        model.insert(e);
    }
    ASSERT_TRUE(idx->remove("XXX", 3).ok());
    model.erase({"XXX", 3});
    ASSERT_TRUE(idx->remove("MMM", 5).ok());
    model.erase({"MMM", 5});
    ExpectMatches(*idx, model, rng, keySize, 1000);
    ASSERT_TRUE(idx->flush().ok());
    idx.reset();
    EXPECT_EQ(Le16(ReadAll(path), 2), 42);  // one round of changes counted
    idx = Open(path);
    ASSERT_TRUE(idx);
    ExpectMatches(*idx, model, rng, keySize, 1000);
}

TEST_F(NtxTest, TrailingPartialPageIsIgnored) {
    const std::string path = file("tail.ntx");
    ASSERT_TRUE(Build(path, Spec(4), {{"aaaa", 1}, {"bbbb", 2}}).ok());
    std::vector<uint8_t> b = ReadAll(path);
    b.push_back(0x1A);
    WriteAll(path, b);
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    ASSERT_TRUE(idx->insert("cccc", 3).ok());
    ASSERT_TRUE(idx->flush().ok());
    EXPECT_EQ(Forward(*idx), (std::vector<Entry>{{"aaaa", 1}, {"bbbb", 2}, {"cccc", 3}}));
}

TEST_F(NtxTest, FlushWithoutChangesLeavesTheFileAlone) {
    const std::string path = file("same.ntx");
    ASSERT_TRUE(Build(path, Spec(4), {{"aaaa", 1}}).ok());
    const std::vector<uint8_t> before = ReadAll(path);
    auto idx = Open(path);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx->top(), r4success);
    ASSERT_TRUE(idx->flush().ok());
    ASSERT_TRUE(idx->sync().ok());
    idx.reset();
    EXPECT_EQ(ReadAll(path), before);
}

// ---- damaged files ----------------------------------------------------------------------------

class NtxDamageTest : public NtxTest {
  protected:
    void SetUp() override {
        NtxTest::SetUp();
        path_ = file("d.ntx");
        std::vector<Entry> entries;
        for (unsigned i = 0; i < 3000; ++i) entries.push_back({Key(10, i), i + 1});
        ASSERT_TRUE(Build(path_, Spec(10), entries).ok());
        std::vector<uint8_t> b = ReadAll(path_);
        root_ = Le32(b, 4);
        // Three levels: root, a branch below it, a leaf below that. The leaf is the branch's
        // second child: open() reads the branches and the leftmost path, not this leaf.
        branch_ = Le32(b, root_ + Le16(b, root_ + 2));
        ASSERT_NE(Le32(b, branch_ + Le16(b, branch_ + 2)), 0u);
        leaf_ = Le32(b, branch_ + Le16(b, branch_ + 2 + 2 * 1));
        ASSERT_EQ(Le32(b, leaf_ + Le16(b, leaf_ + 2)), 0u);
    }

    Status OpenStatus() {
        std::unique_ptr<NtxIndex> idx;
        Status s = NtxIndex::open(path_, false, idx);
        EXPECT_EQ(s.ok(), idx != nullptr);
        return s;
    }
    void ExpectOpenFails(const std::string& words) {
        Status s = OpenStatus();
        EXPECT_EQ(s.code, e4index) << s.message;
        EXPECT_NE(s.message.find(path_), std::string::npos) << s.message;
        EXPECT_NE(s.message.find(words), std::string::npos) << s.message;
    }
    // The file opens, but walking reaches the damage: every route reports e4index.
    void ExpectWalkFails() {
        std::unique_ptr<NtxIndex> idx;
        Status s = NtxIndex::open(path_, false, idx);
        ASSERT_TRUE(s.ok()) << s.message;
        int rc = idx->top();
        size_t steps = 0;
        while (rc == r4success && steps < 10000) {
            rc = idx->next();
            ++steps;
        }
        EXPECT_EQ(rc, e4index);
        std::vector<std::string> problems;
        EXPECT_FALSE(idx->verify(nullptr, problems));
        ASSERT_FALSE(problems.empty());
        EXPECT_NE(problems.front().find(path_), std::string::npos) << problems.front();
        // Changes that reach the damage fail too, without harm.
        Status ins = idx->insert(Key(10, 0), 99999);
        EXPECT_TRUE(ins.ok() || ins.code == e4index) << ins.message;
    }

    std::string path_;
    uint32_t root_ = 0, branch_ = 0, leaf_ = 0;
};

TEST_F(NtxDamageTest, TruncatedFile) {
    std::vector<uint8_t> b = ReadAll(path_);
    b.resize(500);
    WriteAll(path_, b);
    ExpectOpenFails("shorter than its header");
}

TEST_F(NtxDamageTest, TruncatedBeforeTheRoot) {
    std::vector<uint8_t> b = ReadAll(path_);
    b.resize(root_);
    WriteAll(path_, b);
    ExpectOpenFails("root page");
}

TEST_F(NtxDamageTest, BadSignature) {
    Patch16(path_, 0, 0x4242);
    ExpectOpenFails("signature");
}

TEST_F(NtxDamageTest, KeySizeZero) {
    Patch16(path_, 14, 0);
    ExpectOpenFails("key size");
}

TEST_F(NtxDamageTest, KeySizeTooLarge) {
    Patch16(path_, 14, 300);
    Patch16(path_, 12, 308);
    ExpectOpenFails("key size");
}

TEST_F(NtxDamageTest, ItemSizeDisagreesWithKeySize) {
    Patch16(path_, 12, 30);
    ExpectOpenFails("item size");
}

TEST_F(NtxDamageTest, MaxItemsTooManyForAPage) {
    Patch16(path_, 18, 200);
    ExpectOpenFails("fit a page");
}

TEST_F(NtxDamageTest, HalfPageInconsistent) {
    Patch16(path_, 20, 40);
    ExpectOpenFails("half page");
}

TEST_F(NtxDamageTest, RootOutsideTheFile) {
    Patch32(path_, 4, 1024u * 100000u);
    ExpectOpenFails("root page");
}

TEST_F(NtxDamageTest, RootNotOnAPageBoundary) {
    Patch32(path_, 4, root_ + 10);
    ExpectOpenFails("root page");
}

TEST_F(NtxDamageTest, FreeListOutsideTheFile) {
    Patch32(path_, 8, 1024u * 100000u);
    ExpectOpenFails("free page");
}

TEST_F(NtxDamageTest, FreeListLoopStopsChangesButNotReading) {
    // Two free pages appended to the file, each naming the other as the next free page.
    std::vector<uint8_t> b = ReadAll(path_);
    const uint32_t a = static_cast<uint32_t>(b.size()), c = a + kPage;
    const uint16_t firstItem = 2 + 2 * (50 + 1);
    b.resize(b.size() + 2 * kPage, 0);
    WriteAll(path_, b);
    Patch16(path_, a + 2, firstItem);
    Patch16(path_, c + 2, firstItem);
    Patch32(path_, a + firstItem, c);
    Patch32(path_, c + firstItem, a);
    Patch32(path_, 8, a);
    auto idx = Open(path_);
    ASSERT_TRUE(idx);
    EXPECT_EQ(Forward(*idx).size(), 3000u);
    Status s = idx->insert(Key(10, 5000), 5001);
    EXPECT_EQ(s.code, e4index);
    EXPECT_NE(s.message.find("circle"), std::string::npos) << s.message;
    std::vector<std::string> problems;
    EXPECT_FALSE(idx->verify(nullptr, problems));
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems.front().find("circle"), std::string::npos) << problems.front();
    idx.reset();
    EXPECT_EQ(ReadAll(path_)[279], 0);  // nothing was changed, so nothing is marked
}

TEST_F(NtxDamageTest, KeyExpressionNotTerminated) {
    Patch(path_, 22, std::vector<uint8_t>(256, 'A'));
    ExpectOpenFails("key expression");
}

TEST_F(NtxDamageTest, MarkLeftSet) {
    Patch(path_, 279, {0x4B});
    ExpectOpenFails("being changed");
}

TEST_F(NtxDamageTest, RootCountBeyondMax) {
    Patch16(path_, root_, 51);
    ExpectOpenFails("more than the 50");
}

TEST_F(NtxDamageTest, LeafCountBeyondMax) {
    Patch16(path_, leaf_, 0xFFFF);
    ExpectWalkFails();
}

TEST_F(NtxDamageTest, ItemOffsetOutsideThePage) {
    Patch16(path_, leaf_ + 2, 1020);
    ExpectWalkFails();
}

TEST_F(NtxDamageTest, ItemOffsetInsideTheOffsetTable) {
    Patch16(path_, leaf_ + 2 + 2 * 3, 4);
    ExpectWalkFails();
}

TEST_F(NtxDamageTest, OverlappingItems) {
    std::vector<uint8_t> b = ReadAll(path_);
    Patch16(path_, leaf_ + 2 + 2 * 1, static_cast<uint16_t>(Le16(b, leaf_ + 2) + 4));
    ExpectWalkFails();
}

TEST_F(NtxDamageTest, ChildPointerCycle) {
    // The branch's first child points back to the root: descending never reaches a leaf, which
    // open() finds as it looks for the depth of the leaves.
    std::vector<uint8_t> b = ReadAll(path_);
    Patch32(path_, branch_ + Le16(b, branch_ + 2), root_);
    ExpectOpenFails("deeper than");
}

TEST_F(NtxDamageTest, ChildPointerOutsideTheFile) {
    std::vector<uint8_t> b = ReadAll(path_);
    Patch32(path_, branch_ + Le16(b, branch_ + 2), 1024u * 500000u);
    ExpectOpenFails("not a page of the file");
}

TEST_F(NtxDamageTest, ChildPointerOffAPageBoundary) {
    std::vector<uint8_t> b = ReadAll(path_);
    Patch32(path_, branch_ + Le16(b, branch_ + 2), leaf_ + 1);
    ExpectOpenFails("not a page of the file");
}

TEST_F(NtxDamageTest, PageHoldingAnotherPagesEntriesIsRefusedByWalksAndSeeks) {
    // The leaf holds the bytes of a leaf further right: each page is well formed and in order, so
    // no read fails, but the leaf's entries lie outside the range its branch gives it.
    std::vector<uint8_t> b = ReadAll(path_);
    const std::string inside(reinterpret_cast<const char*>(&b[leaf_ + Le16(b, leaf_ + 2) + 8]), 10);
    const uint32_t other = Le32(b, branch_ + Le16(b, branch_ + 2 + 2 * 5));
    std::copy(b.begin() + other, b.begin() + other + kPage, b.begin() + leaf_);
    WriteAll(path_, b);
    ExpectWalkFails();
    auto idx = Open(path_);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx->seek(inside), e4index);
    EXPECT_NE(idx->lastError().find("outside the range"), std::string::npos) << idx->lastError();
    int rc = idx->bottom();
    while (rc == r4success) rc = idx->prev();
    EXPECT_EQ(rc, e4index);
}

TEST_F(NtxDamageTest, BranchWithAZeroChild) {
    std::vector<uint8_t> b = ReadAll(path_);
    Patch32(path_, branch_ + Le16(b, branch_ + 2 + 2 * 2), 0);
    ExpectOpenFails("not a page of the file");
}

TEST_F(NtxDamageTest, PageReachedTwiceIsReportedByVerify) {
    // Two children of the branch point to the same leaf: walkable, but not a tree.
    std::vector<uint8_t> b = ReadAll(path_);
    Patch32(path_, branch_ + Le16(b, branch_ + 2 + 2 * 2), leaf_);
    auto idx = Open(path_);
    ASSERT_TRUE(idx);
    std::vector<std::string> problems;
    EXPECT_FALSE(idx->verify(nullptr, problems));
    ASSERT_FALSE(problems.empty());
    bool twice = false;
    for (const auto& p : problems) twice |= p.find("twice") != std::string::npos;
    EXPECT_TRUE(twice) << problems.front();
}

TEST_F(NtxDamageTest, EntriesOutOfOrderAreReportedByVerify) {
    std::vector<uint8_t> b = ReadAll(path_);
    Patch(path_, leaf_ + Le16(b, leaf_ + 2) + 8, std::vector<uint8_t>(10, '9'));
    auto idx = Open(path_);
    ASSERT_TRUE(idx);
    std::vector<std::string> problems;
    EXPECT_FALSE(idx->verify(nullptr, problems));
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems.front().find("out of order"), std::string::npos) << problems.front();
}

TEST_F(NtxDamageTest, RandomBytesNeverCrash) {
    const std::vector<uint8_t> good = ReadAll(path_);
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> b = good;
        for (int k = 0; k < 8; ++k) {
            size_t page = 1 + rng() % (b.size() / kPage - 1);
            b[page * kPage + rng() % kPage] = static_cast<uint8_t>(rng());
        }
        WriteAll(path_, b);
        std::unique_ptr<NtxIndex> idx;
        if (!NtxIndex::open(path_, false, idx).ok()) continue;
        int rc = idx->top();
        for (int s = 0; s < 5000 && rc == r4success; ++s) rc = idx->next();
        EXPECT_TRUE(rc == r4eof || rc == e4index) << rc;
        rc = idx->bottom();
        for (int s = 0; s < 5000 && rc == r4success; ++s) rc = idx->prev();
        EXPECT_TRUE(rc == r4bof || rc == r4eof || rc == e4index) << rc;
        (void)idx->seek(Key(10, rng() % 3000));
        const long counted = idx->count(Key(10, rng() % 3000), Key(10, rng() % 3000));
        EXPECT_TRUE(counted >= 0 || counted == e4index) << counted;
        std::vector<std::string> problems;
        (void)idx->verify(nullptr, problems);
        for (int s = 0; s < 50; ++s) {
            Status st = rng() % 2 ? idx->insert(Key(10, rng() % 3000), 5000 + s)
                                  : idx->remove(Key(10, rng() % 3000), 1 + rng() % 3000);
            EXPECT_TRUE(st.ok() || st.code == e4index) << st.message;
        }
    }
}

}  // namespace
}  // namespace xb

// The record cache of DbfFile: whatever mix of scans, random reads, rewrites and appends, a read
// returns what the file holds, and the file holds what was written.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "engine/Dbf.h"

namespace {

using namespace xb;

std::string Image(uint32_t tag, uint16_t length) {
    std::string r(length, ' ');
    const std::string text = std::to_string(tag);
    r.replace(1, std::min<size_t>(text.size(), length - 1), text, 0, length - 1);
    return r;
}

class DbfCacheTest : public ::testing::TestWithParam<std::pair<size_t, size_t>> {};

TEST_P(DbfCacheTest, ReadsAgreeWithWritesUnderEveryAccessPattern) {
    kvltest::TempDir dir;
    const std::string path = dir.file("T.dbf");
    ASSERT_TRUE(DbfFile::create(path, {{"A", 'C', 12, 0, 0}}, false).ok());
    std::unique_ptr<DbfFile> f;
    ASSERT_TRUE(DbfFile::open(path, false, f).ok());
    f->setCache(GetParam().first, GetParam().second);
    const uint16_t len = f->recordLength();

    std::vector<std::string> model;
    std::mt19937 rng(7);
    uint32_t serial = 0;
    auto append = [&] {
        std::string r = Image(++serial, len);
        uint32_t recno = 0;
        ASSERT_TRUE(f->append(r.data(), recno).ok());
        model.push_back(r);
        ASSERT_EQ(recno, model.size());
    };
    auto check = [&](uint32_t recno) {
        std::string got(len, '?');
        ASSERT_TRUE(f->read(recno, got.data()).ok());
        ASSERT_EQ(got, model[recno - 1]) << "record " << recno;
    };
    for (int i = 0; i < 40; ++i) append();
    for (int step = 0; step < 4000; ++step) {
        const uint32_t n = static_cast<uint32_t>(model.size());
        switch (rng() % 7) {
            case 0:  // a short scan from somewhere
                for (uint32_t r = 1 + rng() % n, k = 0; r <= n && k < 12; ++r, ++k) check(r);
                break;
            case 1:  // neighbours, as a tag visits records of the same day
                for (uint32_t base = 1 + rng() % n, k = 0; k < 6; ++k)
                    check(std::min<uint32_t>(n, base + rng() % 5));
                break;
            case 2:
                check(1 + rng() % n);
                break;
            case 3: {
                const uint32_t r = 1 + rng() % n;
                model[r - 1] = Image(++serial, len);
                ASSERT_TRUE(f->write(r, model[r - 1].data()).ok());
                break;
            }
            case 4:
                append();
                break;
            case 5:
                check(n);
                break;
            case 6:  // a pass in record order, as pack and index builds make
                for (uint32_t r = 1 + rng() % n, k = 0; r <= n && k < 20; ++r, ++k) {
                    std::string got(len, '?');
                    ASSERT_TRUE(f->readInOrder(r, got.data()).ok());
                    ASSERT_EQ(got, model[r - 1]) << "record " << r << " read in order";
                }
                break;
        }
    }
    for (uint32_t r = 1; r <= model.size(); ++r) check(r);
    ASSERT_TRUE(f->close().ok());

    std::unique_ptr<DbfFile> again;
    ASSERT_TRUE(DbfFile::open(path, true, again).ok());
    ASSERT_EQ(again->recordCount(), model.size());
    for (uint32_t r = 1; r <= model.size(); ++r) {
        std::string got(len, '?');
        ASSERT_TRUE(again->read(r, got.data()).ok());
        ASSERT_EQ(got, model[r - 1]) << "record " << r << " after reopening";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, DbfCacheTest,
                         ::testing::Values(std::make_pair(size_t{1}, size_t{1}),
                                           std::make_pair(size_t{3}, size_t{2}),
                                           std::make_pair(size_t{7}, size_t{5}),
                                           std::make_pair(size_t{64}, size_t{64})));

}  // namespace

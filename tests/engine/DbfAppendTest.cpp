// Appends through the room a writer reserves past the end of its table: what a clean close leaves
// on disk, and that records crossing from one stretch of room into the next all arrive.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "common/TempDir.h"
#include "engine/Dbf.h"

namespace {

using namespace xb;

uint64_t SizeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

std::string Record(uint32_t n, uint16_t length) {
    std::string r(length, ' ');
    const std::string text = "record " + std::to_string(n);
    r.replace(1, text.size(), text);
    r[length - 1] = static_cast<char>('a' + n % 26);
    return r;
}

class DbfAppendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(DbfFile::create(path_, {{"TEXT", 'C', 200, 0, 0}}, false).ok());
    }
    void Append(uint32_t from, uint32_t to) {
        std::unique_ptr<DbfFile> f;
        ASSERT_TRUE(DbfFile::open(path_, false, f).ok());
        for (uint32_t n = from; n <= to; ++n) {
            const std::string r = Record(n, f->recordLength());
            uint32_t recno = 0;
            ASSERT_TRUE(f->append(r.data(), recno).ok());
            ASSERT_EQ(recno, n);
        }
        ASSERT_TRUE(f->close().ok());
    }
    void ExpectRecords(uint32_t count) {
        std::unique_ptr<DbfFile> f;
        ASSERT_TRUE(DbfFile::open(path_, true, f).ok());
        ASSERT_EQ(f->recordCount(), count);
        std::string got(f->recordLength(), '?');
        for (uint32_t n = 1; n <= count; ++n) {
            ASSERT_TRUE(f->readInOrder(n, got.data()).ok());
            ASSERT_EQ(got, Record(n, f->recordLength())) << "record " << n;
        }
    }
    uint64_t ExactSize(uint32_t count) { return 32 + 32 + 1 + uint64_t{count} * 201 + 1; }

    kvltest::TempDir dir_;
    std::string path_ = dir_.file("T.dbf");
};

TEST_F(DbfAppendTest, ACleanCloseLeavesTheRecordsAndTheEndByteAndNothingMore) {
    Append(1, 3);
    EXPECT_EQ(SizeOf(path_), ExactSize(3));
    // Several stretches of room, and a second writer continuing where the first stopped.
    Append(4, 12000);
    Append(12001, 12500);
    EXPECT_EQ(SizeOf(path_), ExactSize(12500));
    std::ifstream in(path_, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.back(), '\x1A');
    ExpectRecords(12500);
}

TEST_F(DbfAppendTest, BytesAnotherProgramLeftPastTheEndAreKept) {
    Append(1, 3);
    {
        std::ofstream out(path_, std::ios::binary | std::ios::app);
        out << std::string(1000, 'P');
    }
    const uint64_t padded = SizeOf(path_);
    Append(4, 5);
    EXPECT_EQ(SizeOf(path_), padded);
    ExpectRecords(5);
}

}  // namespace

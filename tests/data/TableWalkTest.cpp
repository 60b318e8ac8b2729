// The split walk of a whole table: every record once, in order within its part, as the table
// itself shows it, and a read that fails is the engine's pending error.
#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "Support.h"
#include "data/TableWalk.h"

namespace {

class TableWalkTest : public kvltest::DataDirTest {
  protected:
    // Records enough for several blocks in each part.
    void AddRecords(int count) {
        for (int i = 0; i < count; ++i)
            AddExpense(QDate(2026, 1, 1).addDays(i % 300), 1 + i % 40, 1, 1.0 + i);
    }
};

TEST_F(TableWalkTest, EveryRecordOnceInOrderWithinItsPartAsTheTableShowsIt) {
    MakeDataSet();
    ASSERT_TRUE(kvl::OpenExpenses());
    constexpr long kCount = 9000;
    AddRecords(kCount);
    ASSERT_EQ(d4go(kvl::dbExpenses, 17), 0);
    d4delete(kvl::dbExpenses);  // written by the walk itself, before it reads

    std::vector<std::string> seen(kCount + 1);
    std::vector<std::vector<long>> order(3);
    std::mutex guard;
    ASSERT_EQ(kvl::WalkTableParts(kvl::dbExpenses, 3,
                                  [&](int part, long first, std::string_view block) {
                                      std::lock_guard lock(guard);
                                      const size_t size = d4recordImage(kvl::dbExpenses).size();
                                      for (size_t at = 0; at < block.size(); at += size) {
                                          const long recno = first + static_cast<long>(at / size);
                                          order[static_cast<size_t>(part)].push_back(recno);
                                          seen[static_cast<size_t>(recno)] =
                                              std::string(block.substr(at, size));
                                      }
                                  }),
              0);
    std::vector<long> all;
    for (const auto& part : order) {
        EXPECT_TRUE(std::is_sorted(part.begin(), part.end()));
        EXPECT_NEAR(static_cast<double>(part.size()), kCount / 3.0, 1.0);
        all.insert(all.end(), part.begin(), part.end());
    }
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), static_cast<size_t>(kCount));
    for (long r = 1; r <= kCount; ++r) {
        ASSERT_EQ(all[static_cast<size_t>(r - 1)], r);
        ASSERT_EQ(d4go(kvl::dbExpenses, r), 0);
        ASSERT_EQ(seen[static_cast<size_t>(r)], std::string(d4recordImage(kvl::dbExpenses)))
            << "record " << r;
    }
    EXPECT_EQ(seen[17][0], '*');
}

TEST_F(TableWalkTest, AReadThatFailsIsTheEnginesPendingError) {
    MakeDataSet();
    ASSERT_TRUE(kvl::OpenExpenses());
    AddRecords(5000);
    ASSERT_EQ(d4flush(kvl::dbExpenses), 0);
    // The file loses all but its first few records behind the engine's back.
    QFile table(QString::fromStdString(file("EXP5.dbf")));
    ASSERT_TRUE(table.resize(4096));
    long visited = 0;
    std::mutex guard;
    EXPECT_LT(kvl::WalkTableParts(kvl::dbExpenses, 2,
                                  [&](int, long, std::string_view block) {
                                      std::lock_guard lock(guard);
                                      visited += static_cast<long>(block.size());
                                  }),
              0);
    EXPECT_LT(code4errorCode(kvl::cb, 0), 0);
    EXPECT_LT(visited, 5000 * static_cast<long>(d4recordImage(kvl::dbExpenses).size()));
}

}  // namespace

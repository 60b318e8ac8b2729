// The benchmark's books: N believable expense records drawn from a fixed seed, and the charts,
// report period, folder selection and seek keys every workload uses.
//
// A record is computed from its index alone (no table of records is kept in memory), so both
// sides get exactly the same rows and the generator adds nothing to the memory being measured.
// Dates run over ten years in the order a bookkeeper enters them, some of them a few weeks late;
// accounts and folders are uniform, 5% of the records are archived, amounts run from 1.00 to
// 999999.99 with small amounts far more common than large ones.
#pragma once

#include <QDate>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct Expense {
    QDate date;
    long checkNo = 0;
    int account = 0;
    int folder = 0;
    int payee = 0;  // index into Books::payees()
    int memo = 0;   // index into Books::memos()
    int64_t cents = 0;
    bool archived = false;
};

struct Account {
    int number = 0;
    std::string description;
    bool deductible = false;
};

struct SeekKey {
    int account = 0;
    QDate date;
};

class Books {
  public:
    static constexpr int kAccounts = 50;
    static constexpr int kFolders = 10;
    static constexpr int kSeeks = 100000;
    // One record in ten (those whose number ends in this digit) is deleted before the pack.
    static constexpr long kDeletedDigit = 3;

    explicit Books(long records);

    long records() const { return records_; }
    Expense record(long recno) const;  // recno from 1, as the table numbers records
    static bool deletedBeforePack(long recno) { return recno % 10 == kDeletedDigit; }

    const std::vector<Account>& accounts() const { return accounts_; }
    static const std::vector<std::string>& payees();
    static const std::vector<std::string>& memos();
    static const char* folderName(int folder);

    // The summary: the last month of the books, the fiscal year starting on 1 January, the odd
    // folders selected.
    QDate fiscalYearStart() const { return fyStart_; }
    QDate periodFrom() const { return from_; }
    QDate periodThrough() const { return through_; }
    static bool folderSelected(int folder) { return folder % 2 == 1; }
    // The pick list's default folder.
    static constexpr int kBrowseFolder = 4;

    SeekKey seekKey(int index) const;

    // The first and last day the records' dates can fall on.
    QDate firstDate() const { return first_; }
    QDate lastDate() const { return last_; }

  private:
    long records_;
    QDate first_, last_;
    int days_;
    QDate fyStart_, from_, through_;
    std::vector<Account> accounts_;
};

// Dates as the SQLite side stores them: the integer yyyymmdd.
inline int DateNumber(const QDate& d) {
    return d.year() * 10000 + d.month() * 100 + d.day();
}

}  // namespace bench

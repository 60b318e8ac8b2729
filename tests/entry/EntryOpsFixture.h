// An empty data set of the test's own with accounts and folders, and the tables of both browsing
// cycles open as the main window opens them; records are added through the program's buffers and
// read back through the engine after every table was closed.
#pragma once

#include <QList>
#include <ostream>

#include "data/Support.h"
#include "entry/Ledger.h"

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kvltest {

class EntryOpsTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet();
        kvl::SetRegional(QLocale(QStringLiteral("en_US")));
        kvl::CurrentExpenseRecord = kvl::CurrentIncomeRecord = 0;
        OpenCycleTables();
    }
    void TearDown() override {
        code4close(kvl::cb);
        DataDirTest::TearDown();
    }

    static void OpenCycleTables() {
        code4close(kvl::cb);
        kvl::OpenExpenses();
        kvl::OpenIncome();
        kvl::OpenFolders();
        kvl::OpenExpenseAccounts();
        kvl::OpenIncomeAccounts();
    }

    // Account n of both charts and folder n for each n; the folders in `deleted` marked deleted.
    static void Charts(const QList<int>& numbers, const QList<int>& deleted = {}) {
        for (int n : numbers) {
            (void)d4appendBlank(kvl::dbExpenseAccounts);
            kvl::ExpenseAccountBuffer = {n, QStringLiteral("Expense %1").arg(n), true};
            kvl::StoreExpenseAccountRecord();
            (void)d4appendBlank(kvl::dbIncomeAccounts);
            kvl::IncomeAccountBuffer = {n, QStringLiteral("Income %1").arg(n), true};
            kvl::StoreIncomeAccountRecord();
        }
        for (int n : numbers + deleted) {
            (void)d4appendBlank(kvl::dbFolders);
            kvl::FolderBuffer = {n, QStringLiteral("Folder %1").arg(n)};
            kvl::StoreFolderRecord();
            if (deleted.contains(n)) d4delete(kvl::dbFolders);
        }
        OpenCycleTables();
    }

    // Returns the record number.
    static long Expense(const QDate& date, int folder, bool archived = false, double amount = 10) {
        (void)d4appendBlank(kvl::dbExpenses);
        const long r = d4recNo(kvl::dbExpenses);
        kvl::ExpenseBuffer = {date,   100 + r, 1,       folder, QStringLiteral("Payee %1").arg(r),
                              amount, {},      archived};
        kvl::StoreExpenseRecord();
        (void)d4refresh(kvl::dbExpenses);
        return r;
    }

    static long Income(const QDate& date, int folder, bool imported, double amount = 40) {
        (void)d4appendBlank(kvl::dbIncome);
        const long r = d4recNo(kvl::dbIncome);
        kvl::IncomeBuffer = {1,
                             date,
                             QStringLiteral("Sale %1").arg(r),
                             amount,
                             folder,
                             imported,
                             /*archived=*/imported};
        kvl::StoreIncomeRecord();
        (void)d4refresh(kvl::dbIncome);
        return r;
    }

    // Every record of the ledger in record order, deleted ones included, read after closing.
    template <class Record>
    static QList<Record> Read(bool (*open)(), DATA4*& table, void (*load)(), Record& buffer) {
        code4close(kvl::cb);
        open();
        QList<Record> rows;
        for (long r = 1; r <= d4recCountDo(table); ++r) {
            (void)d4go(table, r);
            load();
            rows << buffer;
        }
        OpenCycleTables();
        return rows;
    }
    static QList<kvl::ExpenseRecord> Expenses() {
        return Read(kvl::OpenExpenses, kvl::dbExpenses, kvl::LoadExpenseRecord, kvl::ExpenseBuffer);
    }
    static QList<kvl::IncomeRecord> Incomes() {
        return Read(kvl::OpenIncome, kvl::dbIncome, kvl::LoadIncomeRecord, kvl::IncomeBuffer);
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const ShownMessage& m : messages.shown) out.push_back(m.text.toStdString());
        return out;
    }
};

}  // namespace kvltest

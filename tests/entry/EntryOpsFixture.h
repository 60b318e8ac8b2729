// An empty data set of the test's own with the given charts and folders, and the tables of both
// browsing cycles open as the main window opens them; records are added through the program's
// buffers and read back through the engine after closing everything.
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
        kvl::CurrentExpenseRecord = 0;
        kvl::CurrentIncomeRecord = 0;
    }

    void TearDown() override {
        code4close(kvl::cb);
        DataDirTest::TearDown();
    }

    // Tables closed, then the chart and folder records written and every cycle table opened.
    void Charts(const QList<int>& accounts, const QList<int>& folders,
                const QList<int>& deletedFolders = {}) {
        code4close(kvl::cb);
        kvl::OpenExpenseAccounts();
        kvl::OpenIncomeAccounts();
        for (int n : accounts) {
            d4appendBlank(kvl::dbExpenseAccounts);
            kvl::ExpenseAccountBuffer = {n, QStringLiteral("Expense %1").arg(n), true};
            kvl::StoreExpenseAccountRecord();
            d4appendBlank(kvl::dbIncomeAccounts);
            kvl::IncomeAccountBuffer = {n, QStringLiteral("Income %1").arg(n), true};
            kvl::StoreIncomeAccountRecord();
        }
        kvl::OpenFolders();
        for (int n : folders + deletedFolders) {
            d4appendBlank(kvl::dbFolders);
            kvl::FolderBuffer = {n, QStringLiteral("Folder %1").arg(n)};
            kvl::StoreFolderRecord();
            if (deletedFolders.contains(n)) d4delete(kvl::dbFolders);
        }
        OpenCycleTables();
    }

    static void OpenCycleTables() {
        code4close(kvl::cb);
        kvl::OpenExpenses();
        kvl::OpenIncome();
        kvl::OpenFolders();
        kvl::OpenExpenseAccounts();
        kvl::OpenIncomeAccounts();
    }

    // Appends an expense (EXP5 open) and returns its record number.
    static long Expense(const QDate& date, int account, int folder, double amount = 10,
                        bool archived = false) {
        d4appendBlank(kvl::dbExpenses);
        kvl::ExpenseBuffer = kvl::ExpenseRecord{};
        kvl::ExpenseBuffer.date = date;
        kvl::ExpenseBuffer.account = account;
        kvl::ExpenseBuffer.folder = folder;
        kvl::ExpenseBuffer.amount = amount;
        kvl::ExpenseBuffer.checkNo = 100 + d4recNo(kvl::dbExpenses);
        kvl::ExpenseBuffer.payTo = QStringLiteral("Payee %1").arg(d4recNo(kvl::dbExpenses));
        kvl::ExpenseBuffer.archived = archived;
        kvl::StoreExpenseRecord();
        d4refresh(kvl::dbExpenses);
        return d4recNo(kvl::dbExpenses);
    }

    static long Income(const QDate& date, int account, int folder, double amount = 40,
                       bool imported = false, bool archived = false) {
        d4appendBlank(kvl::dbIncome);
        kvl::IncomeBuffer = kvl::IncomeRecord{};
        kvl::IncomeBuffer.date = date;
        kvl::IncomeBuffer.account = account;
        kvl::IncomeBuffer.folder = folder;
        kvl::IncomeBuffer.amount = amount;
        kvl::IncomeBuffer.description = QStringLiteral("Sale %1").arg(d4recNo(kvl::dbIncome));
        kvl::IncomeBuffer.imported = imported;
        kvl::IncomeBuffer.archived = archived;
        kvl::StoreIncomeRecord();
        d4refresh(kvl::dbIncome);
        return d4recNo(kvl::dbIncome);
    }

    // Every table closed, the records read back in record order (deleted ones included), and
    // the cycle's tables opened again.
    struct Stored {
        kvl::ExpenseRecord expense;
        kvl::IncomeRecord income;
        bool deleted = false;
    };
    static QList<Stored> Read(char kind) {
        code4close(kvl::cb);
        QList<Stored> rows;
        const bool expenses = kind == 'E';
        expenses ? kvl::OpenExpenses() : kvl::OpenIncome();
        DATA4* table = expenses ? kvl::dbExpenses : kvl::dbIncome;
        for (long r = 1; r <= d4recCountDo(table); ++r) {
            d4go(table, r);
            Stored s;
            if (expenses) {
                kvl::LoadExpenseRecord();
                s.expense = kvl::ExpenseBuffer;
            } else {
                kvl::LoadIncomeRecord();
                s.income = kvl::IncomeBuffer;
            }
            s.deleted = d4deleted(table) != 0;
            rows << s;
        }
        OpenCycleTables();
        return rows;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const ShownMessage& m : messages.shown) out.push_back(m.text.toStdString());
        return out;
    }
};

}  // namespace kvltest

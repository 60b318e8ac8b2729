// Filling the data tables through the engine and reading them back, for the account and folder
// tests: each call opens what it needs with the program's open routines and closes every table
// again; readers walk in record-number order and report records marked deleted as such.
#pragma once

#include <QList>
#include <QString>

#include "accounts/AccountOps.h"
#include "accounts/FolderOps.h"
#include "accounts/RecordWalk.h"
#include "data/dbFiles.h"

namespace kvltest {

struct AccountRow {
    long record;
    int number;
    QString description;  // trimmed
    bool flag;
    bool deleted;
};

struct FolderRow {
    long record;
    int number;
    QString name;  // trimmed
    bool deleted;
};

struct EntryRow {
    long record;
    int account;
    int folder;
    bool deleted;
};

// Which rows read back a column is taken from.
enum class Marked { Live, Deleted, Any };

// One field of the rows read back, in record order: of the live rows, of those marked deleted, or
// of all.
template <class Row>
QList<int> Column(const QList<Row>& rows, int Row::*field, Marked which = Marked::Live) {
    QList<int> values;
    for (const Row& r : rows)
        if (which == Marked::Any || r.deleted == (which == Marked::Deleted)) values << r.*field;
    return values;
}

struct TableAccess {
    void addAccount(char mode, int number, const QString& description, bool flag = true,
                    bool deleted = false) {
        const kvl::Chart& chart = kvl::ChartOf(mode);
        chart.openAccounts();
        (void)d4appendBlank(chart.accounts);
        chart.buffer = {number, description, flag};
        chart.store();
        if (deleted) d4delete(chart.accounts);
        code4close(kvl::cb);
    }

    void addFolder(int number, const QString& name, bool deleted = false) {
        kvl::OpenFolders();
        (void)d4appendBlank(kvl::dbFolders);
        kvl::FolderBuffer = {number, name};
        kvl::StoreFolderRecord();
        if (deleted) d4delete(kvl::dbFolders);
        code4close(kvl::cb);
    }

    void addExpense(int account, int folder, bool deleted = false) {
        kvl::OpenExpenses();
        (void)d4appendBlank(kvl::dbExpenses);
        kvl::ExpenseBuffer = kvl::ExpenseRecord{};
        kvl::ExpenseBuffer.date = QDate(2026, 6, 1);
        kvl::ExpenseBuffer.account = account;
        kvl::ExpenseBuffer.folder = folder;
        kvl::ExpenseBuffer.amount = 12.5;
        kvl::ExpenseBuffer.payTo = QStringLiteral("Payee");
        kvl::StoreExpenseRecord();
        if (deleted) d4delete(kvl::dbExpenses);
        code4close(kvl::cb);
    }

    void addIncome(int account, int folder, bool deleted = false) {
        kvl::OpenIncome();
        (void)d4appendBlank(kvl::dbIncome);
        kvl::IncomeBuffer = kvl::IncomeRecord{};
        kvl::IncomeBuffer.date = QDate(2026, 6, 2);
        kvl::IncomeBuffer.account = account;
        kvl::IncomeBuffer.folder = folder;
        kvl::IncomeBuffer.amount = 40;
        kvl::IncomeBuffer.description = QStringLiteral("Sale");
        kvl::StoreIncomeRecord();
        if (deleted) d4delete(kvl::dbIncome);
        code4close(kvl::cb);
    }

    // Reading the tables back through the engine.
    QList<AccountRow> accounts(char mode) const {
        const kvl::Chart& chart = kvl::ChartOf(mode);
        chart.openAccounts();
        QList<AccountRow> rows;
        kvl::ForEachRecord(chart.accounts, [&] {
            chart.load();
            rows.append({d4recNo(chart.accounts), chart.buffer.number,
                         chart.buffer.description.trimmed(), chart.buffer.taxFlag,
                         d4deleted(chart.accounts) != 0});
        });
        code4close(kvl::cb);
        return rows;
    }

    QList<FolderRow> folders() const {
        kvl::OpenFolders();
        QList<FolderRow> rows;
        kvl::ForEachRecord(kvl::dbFolders, [&] {
            kvl::LoadFolderRecord();
            rows.append({d4recNo(kvl::dbFolders), kvl::FolderBuffer.number,
                         kvl::FolderBuffer.name.trimmed(), d4deleted(kvl::dbFolders) != 0});
        });
        code4close(kvl::cb);
        return rows;
    }

    QList<EntryRow> expenses() const {
        kvl::OpenExpenses();
        QList<EntryRow> rows;
        kvl::ForEachRecord(kvl::dbExpenses, [&] {
            rows.append({d4recNo(kvl::dbExpenses), f4int(kvl::fExpAccNo), f4int(kvl::fExpFolNo),
                         d4deleted(kvl::dbExpenses) != 0});
        });
        code4close(kvl::cb);
        return rows;
    }

    QList<EntryRow> income() const {
        kvl::OpenIncome();
        QList<EntryRow> rows;
        kvl::ForEachRecord(kvl::dbIncome, [&] {
            rows.append({d4recNo(kvl::dbIncome), f4int(kvl::fIncAcc), f4int(kvl::fIncFolNo),
                         d4deleted(kvl::dbIncome) != 0});
        });
        code4close(kvl::cb);
        return rows;
    }

    QList<EntryRow> entries(char mode) const { return mode == 'E' ? expenses() : income(); }
};

}  // namespace kvltest

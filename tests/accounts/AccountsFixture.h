// The program as the account and folder tests meet it: an empty data set made current and started
// as the program starts it, the four account and folder windows created as the program creates
// them, a way to fill the tables through the engine, and readers that look at the tables through
// the engine afterwards (every table closed, record-number order, records marked deleted included).
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QTableWidget>

#include "AppFixture.h"
#include "accounts/AccountOps.h"
#include "accounts/AccountU.h"
#include "accounts/Cycles.h"
#include "accounts/FolderOps.h"
#include "accounts/FolderU.h"
#include "accounts/PickAccU.h"
#include "accounts/PickFolU.h"
#include "accounts/RecordWalk.h"
#include "app/MaskEdit.h"
#include "common/ModalScript.h"
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

class AccountsFixture : public kvl::test::AppFixture {
  public:
    AccountsFixture()
        : AppFixture(QStringLiteral("Test User"), QDate(2026, 6, 15), /*sample=*/false) {
        started = start();
        kvl::PickFolForm = pickFol = new kvl::TPickFol(form);
        kvl::FolderForm = folderF = new kvl::TFolderF(form->PackNeeded, form);
        kvl::PickAccForm = pickAcc = new kvl::TPickAcc(form);
        kvl::AccountForm = account = new kvl::TAccount(form->PackNeeded, form);
    }

    ~AccountsFixture() {
        kvl::PickFolForm = nullptr;
        kvl::FolderForm = nullptr;
        kvl::PickAccForm = nullptr;
        kvl::AccountForm = nullptr;
    }

    // Filling the tables, each call with its table open only for its own duration.
    void addAccount(char mode, int number, const QString& description, bool flag = true,
                    bool deleted = false) {
        const kvl::Chart& chart = kvl::ChartOf(mode);
        chart.openAccounts();
        d4appendBlank(chart.accounts);
        chart.buffer = {number, description, flag};
        chart.store();
        if (deleted) d4delete(chart.accounts);
        code4close(kvl::cb);
    }

    void addFolder(int number, const QString& name, bool deleted = false) {
        kvl::OpenFolders();
        d4appendBlank(kvl::dbFolders);
        kvl::FolderBuffer = {number, name};
        kvl::StoreFolderRecord();
        if (deleted) d4delete(kvl::dbFolders);
        code4close(kvl::cb);
    }

    void addExpense(int account, int folder, bool deleted = false) {
        kvl::OpenExpenses();
        d4appendBlank(kvl::dbExpenses);
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
        d4appendBlank(kvl::dbIncome);
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

    // Types text into a field as the user does: the field takes the focus, its text is selected
    // and replaced key by key.
    static void type(QLineEdit* field, const QString& text) {
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, text);
    }

    // The number in the first column of the pick list's current row, or -1.
    static int currentNumber(QTableWidget* grid) {
        const int row = grid->currentRow();
        if (row < 0 || !grid->item(row, 0)) return -1;
        return grid->item(row, 0)->text().toInt();
    }

    // Makes the row showing number current and presses Select.
    static bool choose(kvl::TPickList* pick, int number) {
        QTableWidget* grid = pick->StringGrid1;
        for (int row = 0; row < grid->rowCount(); ++row) {
            if (grid->item(row, 0) && grid->item(row, 0)->text().toInt() == number) {
                grid->setCurrentCell(row, 0);
                ModalScript::press(pick->BtnSelect);
                return true;
            }
        }
        return false;
    }

    bool started = false;
    kvl::TPickFol* pickFol = nullptr;
    kvl::TFolderF* folderF = nullptr;
    kvl::TPickAcc* pickAcc = nullptr;
    kvl::TAccount* account = nullptr;
};

}  // namespace kvltest

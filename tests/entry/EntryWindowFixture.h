// The program as the entry window tests meet it: an empty data set started as the program starts
// it, the four entry windows created as the program creates them, records written through the
// engine behind the windows' backs, and typing as the user types.
#pragma once

#include <QLineEdit>
#include <QTableWidget>

#include "AppFixture.h"
#include "common/ModalScript.h"
#include "entry/ExpenseU.h"
#include "entry/IncomeU.h"
#include "entry/Ledger.h"
#include "entry/PickExpU.h"
#include "entry/PickIncU.h"

namespace kvltest {

class EntryWindowFixture : public kvl::test::AppFixture {
  public:
    EntryWindowFixture()
        : AppFixture(QStringLiteral("Test User"), QDate(2026, 6, 15), /*sample=*/false) {
        started = start();
        kvl::PickIncForm = pickInc = new kvl::TPickInc(form->DefaultFolder, form);
        kvl::IncomeForm = income = new kvl::TIncome(form->DefaultFolder, form);
        kvl::PickExpForm = pickExp = new kvl::TPickExp(form->DefaultFolder, form);
        kvl::ExpenseForm = expense = new kvl::TExpense(form->DefaultFolder, form);
    }
    ~EntryWindowFixture() {
        kvl::PickIncForm = nullptr;
        kvl::IncomeForm = nullptr;
        kvl::PickExpForm = nullptr;
        kvl::ExpenseForm = nullptr;
    }

    // Accounts 1 to n of both charts and folders 1 to n.
    void charts(int n) {
        kvl::OpenExpenseAccounts();
        kvl::OpenIncomeAccounts();
        kvl::OpenFolders();
        for (int i = 1; i <= n; ++i) {
            d4appendBlank(kvl::dbExpenseAccounts);
            kvl::ExpenseAccountBuffer = {i, QStringLiteral("Expense %1").arg(i), true};
            kvl::StoreExpenseAccountRecord();
            d4appendBlank(kvl::dbIncomeAccounts);
            kvl::IncomeAccountBuffer = {i, QStringLiteral("Income %1").arg(i), true};
            kvl::StoreIncomeAccountRecord();
            d4appendBlank(kvl::dbFolders);
            kvl::FolderBuffer = {i, QStringLiteral("Folder %1").arg(i)};
            kvl::StoreFolderRecord();
        }
        code4close(kvl::cb);
    }

    // n expenses of account 1, folder 1, on consecutive days with amounts 1, 2, ...
    void expenses(int n) {
        kvl::OpenExpenses();
        for (int i = 1; i <= n; ++i) {
            d4appendBlank(kvl::dbExpenses);
            kvl::ExpenseBuffer = {QDate(2026, 1, 1).addDays(i), i,         1,         1,
                                  QStringLiteral("P%1").arg(i), double(i), QString(), false};
            kvl::StoreExpenseRecord();
        }
        code4close(kvl::cb);
    }

    QList<kvl::ExpenseRecord> storedExpenses() const {
        QList<kvl::ExpenseRecord> rows;
        kvl::OpenExpenses();
        for (long r = 1; r <= d4recCountDo(kvl::dbExpenses); ++r) {
            d4go(kvl::dbExpenses, r);
            kvl::LoadExpenseRecord();
            rows << kvl::ExpenseBuffer;
        }
        code4close(kvl::cb);
        return rows;
    }

    static void type(QLineEdit* field, const QString& text) {
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    // The visible cells of the grid's current row, record number last.
    static QStringList currentRow(QTableWidget* grid) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << (grid->item(grid->currentRow(), c) ? grid->item(grid->currentRow(), c)->text()
                                                        : QString());
        return cells;
    }

    bool started = false;
    kvl::TPickInc* pickInc = nullptr;
    kvl::TIncome* income = nullptr;
    kvl::TPickExp* pickExp = nullptr;
    kvl::TExpense* expense = nullptr;
};

}  // namespace kvltest

// The reports fixture with the five data tables open, filled through the data store's buffers:
// folder 1 is Office, the period is May 2026 and the fiscal year starts on 1 January.
#pragma once

#include "ReportsFixture.h"
#include "data/Period.h"
#include "reports/RptUtil.h"

namespace kvltest {

class PeriodReportTest : public ReportsTest {
  protected:
    void SetUp() override {
        ReportsTest::SetUp();
        kvl::OpenFolders();
        kvl::OpenExpenseAccounts();
        kvl::OpenIncomeAccounts();
        kvl::OpenExpenses();
        kvl::OpenIncome();
        kvl::Settings.fyMonth = kvl::Settings.fyDay = 1;
        kvl::ReportFrom = QDate(2026, 5, 1);
        kvl::ReportThrough = QDate(2026, 5, 31);
        AddFolder(1, QStringLiteral("Office"));
    }
    void TearDown() override {
        code4close(kvl::cb);
        ReportsTest::TearDown();
    }

    void Expense(const QDate& date, int account, double amount, const QString& payTo = "Payee",
                 const QString& memo = {}, long checkNo = 0, int folder = 1) {
        ASSERT_EQ(d4appendBlank(kvl::dbExpenses), 0);
        kvl::ExpenseBuffer = {date, checkNo, account, folder, payTo, amount, memo, false};
        kvl::StoreExpenseRecord();
    }
    void AddIncome(const QDate& date, int account, int folder, double amount,
                   const QString& description = "Sale", bool archived = false) {
        ASSERT_EQ(d4appendBlank(kvl::dbIncome), 0);
        kvl::IncomeBuffer = {account, date, description, amount, folder, false, archived};
        kvl::StoreIncomeRecord();
    }
    // The record number of the account numbered `number`.
    static long AccountRecord(DATA4* table, FIELD4* field, int number) {
        for (int rc = d4top(table); rc == r4success; rc = d4skip(table, 1))
            if (f4int(field) == number) return d4recNo(table);
        return 0;
    }
    // The last report presented, as plain text and as tab-delimited text.
    QString text() const { return ctx.presented.isEmpty() ? QString() : ctx.presented.back(); }
    QString tsv() const {
        return ctx.presentedTabs.isEmpty() ? QString() : ctx.presentedTabs.back();
    }
};

}  // namespace kvltest

// A data set of the test's own (data/Support.h) for the transfer operations, with helpers that add
// income, read the entries back in record-number order and write payment files through the engine.
#pragma once

#include <QStringList>
#include <cmath>
#include <filesystem>

#include "data/Check.h"
#include "data/Replacement.h"
#include "data/Support.h"
#include "engine/Engine.h"

namespace kvltest {

struct PaymentRow {
    QDate date;
    double amount;
    std::string invoice;
    bool deleted = false;
};

class TransferTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet();
    }

    void AddIncome(const QDate& date, double amount, bool imported, const QString& text) {
        ASSERT_EQ(d4appendBlank(kvl::dbIncome), 0);
        kvl::IncomeBuffer = {1, date, text, amount, 1, imported, false};
        kvl::StoreIncomeRecord();
        ASSERT_EQ(d4refresh(kvl::dbIncome), 0);
    }

    // Each record's amount in cents (expenses) or "description cents" (live income).
    std::vector<long> Cents() {
        std::vector<long> cents;
        kvl::OpenExpenses();
        for (long r = 1; r <= d4recCountDo(kvl::dbExpenses); ++r) {
            (void)d4go(kvl::dbExpenses, r);
            kvl::LoadExpenseRecord();
            cents.push_back(std::lround(kvl::ExpenseBuffer.amount * 100));
        }
        code4close(kvl::cb);
        return cents;
    }
    QStringList LiveIncome() {
        QStringList live;
        kvl::OpenIncome();
        for (long r = 1; r <= d4recCountDo(kvl::dbIncome); ++r) {
            (void)d4go(kvl::dbIncome, r);
            kvl::LoadIncomeRecord();
            if (!d4deleted(kvl::dbIncome))
                live << kvl::IncomeBuffer.description.trimmed() + " " +
                            QString::number(std::lround(kvl::IncomeBuffer.amount * 100));
        }
        code4close(kvl::cb);
        return live;
    }

    // Every table sound and nothing staged.
    void ExpectSound() {
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            EXPECT_TRUE(c.ok()) << c.table;
        EXPECT_FALSE(std::filesystem::exists(file(kvl::kStagingDir)));
    }

    static void WritePayments(const std::string& path, const std::vector<PaymentRow>& rows,
                              const std::vector<xb::FieldDesc>& fields = {{"PDATE", 'D', 8, 0, 0},
                                                                          {"PAMT", 'N', 10, 2, 0},
                                                                          {"IVNO", 'C', 8, 0, 0}}) {
        ASSERT_TRUE(xb::CreateTable(path, fields).ok());
        xb::Engine engine;
        engine.settings.autoOpen = false;
        xb::Table* t = engine.open(path);
        ASSERT_NE(t, nullptr);
        for (const PaymentRow& row : rows) {
            ASSERT_EQ(t->appendBlank(), 0);
            t->field("PDATE")->assign(row.date.toString("yyyyMMdd").toStdString());
            if (xb::Field* f = t->field("PAMT")) f->assignNumber(row.amount);
            if (xb::Field* f = t->field("IVNO")) f->assign(row.invoice);
            t->setDeleted(row.deleted);
        }
    }
};

}  // namespace kvltest

// A data directory of the test's own for the transfer operations (see data/Support.h), with
// helpers that add income and read both entries tables back in record-number order, and a payment
// file written through the engine as the sibling products write theirs.
#pragma once

#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

#include "data/Check.h"
#include "data/Replacement.h"
#include "data/Support.h"
#include "engine/Engine.h"

namespace kvltest {

struct PaymentRow {
    QDate date;  // null: blank
    double amount = 0;
    std::string invoice;
    bool deleted = false;
};

class TransferTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet();
    }

    void AddIncome(const QDate& date, double amount, bool imported,
                   const QString& description = QStringLiteral("By hand"), int account = 1) {
        ASSERT_EQ(d4appendBlank(kvl::dbIncome), 0);
        kvl::IncomeBuffer = kvl::IncomeRecord{};
        kvl::IncomeBuffer.account = account;
        kvl::IncomeBuffer.date = date;
        kvl::IncomeBuffer.amount = amount;
        kvl::IncomeBuffer.description = description;
        kvl::IncomeBuffer.folder = 1;
        kvl::IncomeBuffer.imported = imported;
        kvl::StoreIncomeRecord();
        ASSERT_EQ(d4refresh(kvl::dbIncome), 0);
    }

    // Every record of the table in record-number order, with its deletion mark; the table is
    // opened and closed here.
    std::vector<std::pair<kvl::ExpenseRecord, bool>> Expenses() {
        std::vector<std::pair<kvl::ExpenseRecord, bool>> all;
        kvl::OpenExpenses();
        for (long r = 1; r <= d4recCountDo(kvl::dbExpenses); ++r) {
            EXPECT_EQ(d4go(kvl::dbExpenses, r), 0);
            kvl::LoadExpenseRecord();
            all.push_back({kvl::ExpenseBuffer, d4deleted(kvl::dbExpenses) != 0});
        }
        code4close(kvl::cb);
        return all;
    }

    std::vector<std::pair<kvl::IncomeRecord, bool>> Income() {
        std::vector<std::pair<kvl::IncomeRecord, bool>> all;
        kvl::OpenIncome();
        for (long r = 1; r <= d4recCountDo(kvl::dbIncome); ++r) {
            EXPECT_EQ(d4go(kvl::dbIncome, r), 0);
            kvl::LoadIncomeRecord();
            all.push_back({kvl::IncomeBuffer, d4deleted(kvl::dbIncome) != 0});
        }
        code4close(kvl::cb);
        return all;
    }

    // The descriptions of the live income records, trimmed, in record-number order.
    QStringList LiveIncome() {
        QStringList out;
        for (const auto& [rec, deleted] : Income())
            if (!deleted) out << rec.description.trimmed();
        return out;
    }

    // Every table sound and no staging directory left.
    void ExpectSound() {
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            EXPECT_TRUE(c.ok()) << c.table << ": " << (c.faults.empty() ? "" : c.faults[0]);
        EXPECT_FALSE(std::filesystem::exists(file(kvl::kStagingDir)));
    }

    // A payment file at path with the given fields (PDATE D, PAMT N 10.2, IVNO C 8 by default).
    static void WritePayments(const std::string& path, const std::vector<PaymentRow>& rows,
                              std::vector<xb::FieldDesc> fields = {}) {
        if (fields.empty())
            fields = {{"CUSTNO", 'N', 6, 0, 0},
                      {"PDATE", 'D', 8, 0, 0},
                      {"PAMT", 'N', 10, 2, 0},
                      {"IVNO", 'C', 8, 0, 0}};
        ASSERT_TRUE(xb::CreateTable(path, fields).ok());
        xb::Engine engine;
        engine.settings.autoOpen = false;
        xb::Table* t = engine.open(path);
        ASSERT_NE(t, nullptr) << engine.errorMessage();
        for (const PaymentRow& row : rows) {
            ASSERT_EQ(t->appendBlank(), 0);
            if (xb::Field* f = t->field("PDATE"))
                f->assign(row.date.isValid() ? row.date.toString("yyyyMMdd").toStdString() : "");
            if (xb::Field* f = t->field("PAMT")) f->assignNumber(row.amount);
            if (xb::Field* f = t->field("IVNO")) f->assign(row.invoice);
            t->setDeleted(row.deleted);
        }
        ASSERT_EQ(engine.closeAll(), 0);
        engine.takeError();
    }
};

}  // namespace kvltest

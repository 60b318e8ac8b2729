// The program as the transfer window tests meet it: a sample data set (or an empty one) started
// as the program starts it, the three transfer windows created as the program creates them, and
// helpers that type as the user does and read the entries tables back.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "common/AppFixture.h"
#include "common/ModalScript.h"
#include "screen/Help.h"
#include "transfer/ArchiveU.h"
#include "transfer/PmtImportU.h"
#include "transfer/RateChangeU.h"

namespace kvltest {

class WindowsFixture : public kvl::test::AppFixture {
  public:
    explicit WindowsFixture(bool sample = true)
        : AppFixture(QStringLiteral("Test User"), QDate(2028, 2, 15), sample) {
        kvl::SetHelpFilePath(QStringLiteral(KVL_HELP_SOURCE));
        started = start();
        kvl::ArchiveForm = archive = new kvl::TArchive(form);
        kvl::RateChangeForm = rateChange = new kvl::TRateChange(form);
        kvl::PmtImportForm = pmtImport = new kvl::TPmtImport(form->PackNeeded, form);
    }

    ~WindowsFixture() {
        kvl::CloseHelpWindow();
        kvl::ArchiveForm = nullptr;
        kvl::RateChangeForm = nullptr;
        kvl::PmtImportForm = nullptr;
    }

    static void type(QLineEdit* field, const QString& text) {
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    // Every expense (or income) record: date, account, amount in cents, archived, deleted.
    struct Entry {
        QDate date;
        int account;
        long cents;
        QString description;
        bool archived, imported, deleted;
    };
    QList<Entry> entries(bool income) {
        QList<Entry> all;
        if (income) {
            kvl::OpenIncome();
            for (long r = 1; r <= d4recCountDo(kvl::dbIncome); ++r) {
                d4go(kvl::dbIncome, r);
                kvl::LoadIncomeRecord();
                const kvl::IncomeRecord& i = kvl::IncomeBuffer;
                all.append({i.date, i.account, std::lround(i.amount * 100), i.description.trimmed(),
                            i.archived, i.imported, d4deleted(kvl::dbIncome) != 0});
            }
        } else {
            kvl::OpenExpenses();
            for (long r = 1; r <= d4recCountDo(kvl::dbExpenses); ++r) {
                d4go(kvl::dbExpenses, r);
                kvl::LoadExpenseRecord();
                const kvl::ExpenseRecord& e = kvl::ExpenseBuffer;
                all.append({e.date, e.account, std::lround(e.amount * 100), e.payTo.trimmed(),
                            e.archived, false, d4deleted(kvl::dbExpenses) != 0});
            }
        }
        code4close(kvl::cb);
        return all;
    }

    bool started = false;
    kvl::TArchive* archive = nullptr;
    kvl::TRateChange* rateChange = nullptr;
    kvl::TPmtImport* pmtImport = nullptr;
};

}  // namespace kvltest

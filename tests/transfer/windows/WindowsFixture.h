// The program as the transfer window tests meet it: the sample data set started as the program
// starts it with the program's windows, typing as the user does, and the entries read back.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/AppFixture.h"
#include "common/Keys.h"
#include "common/ModalScript.h"
#include "screen/Help.h"
#include "transfer/ArchiveU.h"
#include "transfer/PmtImportU.h"
#include "transfer/RateChangeU.h"
#include "transfer/StmtImportU.h"

namespace kvltest {

class WindowsFixture : public kvl::test::AppFixture {
  public:
    WindowsFixture() : AppFixture(QStringLiteral("Test User"), QDate(2028, 2, 15), true) {
        kvl::SetHelpFilePath(QStringLiteral(KVL_HELP_SOURCE));
        started = start();
    }
    ~WindowsFixture() { kvl::CloseHelpWindow(); }

    // Types text over a field as the user does: Tab until the field has the focus, then the keys.
    static void type(QLineEdit* field, const QString& text) {
        QVERIFY2(TypeOver(field, text), qPrintable(field->objectName() + " never had the focus"));
    }

    // "date account cents archived" of every expense, or the description of every live income.
    QStringList records(bool income) {
        QStringList all;
        DATA4*& table = income ? kvl::dbIncome : kvl::dbExpenses;
        income ? kvl::OpenIncome() : kvl::OpenExpenses();
        for (long r = 1; r <= d4recCountDo(table); ++r) {
            (void)d4go(table, r);
            if (income && !d4deleted(table)) {
                kvl::LoadIncomeRecord();
                all << kvl::IncomeBuffer.description.trimmed();
            } else if (!income) {
                kvl::LoadExpenseRecord();
                const kvl::ExpenseRecord& e = kvl::ExpenseBuffer;
                all << QString("%1 %2 %3 %4")
                           .arg(e.date.toString(Qt::ISODate))
                           .arg(e.account)
                           .arg(qRound64(e.amount * 100))
                           .arg(e.archived);
            }
        }
        code4close(kvl::cb);
        return all;
    }

    bool started = false;
    kvl::TArchive* archive = kvl::ArchiveForm;
    kvl::TRateChange* rateChange = kvl::RateChangeForm;
    kvl::TPmtImport* pmtImport = kvl::PmtImportForm;
    kvl::TStmtImport* stmtImport = kvl::StmtImportForm;
};

}  // namespace kvltest

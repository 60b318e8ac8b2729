#include "entry/PickExpU.h"

#include "entry/Ledger.h"

namespace kvl {

TPickExp* PickExpForm = nullptr;

TPickExp::TPickExp(const int& defaultFolder, QWidget* parent)
    : TPickEntries(ExpenseLedger(), QStringLiteral("Select Expense"), defaultFolder, parent) {
    setObjectName(QStringLiteral("PickExp"));
}

}  // namespace kvl

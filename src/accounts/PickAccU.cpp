#include "accounts/PickAccU.h"

#include "accounts/AccountOps.h"

namespace kvl {

TPickAcc* PickAccForm = nullptr;

TPickAcc::TPickAcc(QWidget* parent)
    : TPickList(QStringLiteral("Select Account"), /*visibleRows=*/10, parent) {
    setObjectName(QStringLiteral("PickAcc"));
}

int& TPickAcc::selection() {
    return ChartOf(AccountMode).selection;
}

void TPickAcc::FormShow() {
    const Chart& chart = ChartOf(AccountMode);
    BeginFill({{QStringLiteral("Number"), 48},
               {QStringLiteral("Description"), 240},
               {chart.flagHeader, 48},
               {QString(), 0}});
    int current = -1;
    for (int rc = d4top(chart.accounts); rc == r4success; rc = d4skip(chart.accounts, 1)) {
        chart.load();
        const long record = d4recNo(chart.accounts);
        const int row =
            AddRow({QString::number(chart.buffer.number), chart.buffer.description,
                    chart.buffer.taxFlag ? QStringLiteral("Yes") : QStringLiteral("No")},
                   record);
        if (record == chart.selection) current = row;
    }
    error4exitTest(cb);
    EndFill(current);
}

}  // namespace kvl

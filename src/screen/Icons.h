// The program's pictures, drawn at run time so that none comes from elsewhere. Each picture is
// drawn on a 64 by 64 grid and scaled to the size asked for; icons carry 16, 24, 32 and 48 pixel
// renderings.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kvl {

enum class Picture {
    App,
    Income,
    Expense,
    IncomeAccounts,
    ExpenseAccounts,
    Folders,
    Import,
    RateChange,
    ExpenseReport,
    IncomeReport,
    ProfitReport,
    Ledger,
    Charts,
    Font,
    Printer,
    Backup,
    Restore,
    Archive,
    DeArchive,
    Reindex,
    Pack,
    Erase,
    Upgrade,
    Help,
};

QPixmap DrawPicture(Picture picture, int size);
QIcon PictureIcon(Picture picture);
QIcon AppIcon();

}  // namespace kvl

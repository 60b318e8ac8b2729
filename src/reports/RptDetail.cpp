#include "reports/RptDetail.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "data/DbUtil.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/CellText.h"
#include "reports/MultFolOps.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

// The one account of an account variant.
struct Account {
    bool chosen = false;  // false: every account
    int number = 0;
    QString name;  // trimmed
};

// The cells of one row, each its column's stop and value, made as UTF-8 and set at once: a detail
// writes a row for every record of the period.
class RowCells {
  public:
    explicit RowCells(const QStringList& stops) {
        for (const QString& stop : stops) stops_.push_back(stop.toStdString());
        ends_.resize(stops_.size());
        starts_.resize(stops_.size());
        cells_.resize(stops_.size());
    }
    // The text of the column, its stop written: the value is appended to it. Columns are started
    // in order; those not started stay empty.
    std::string& at(int column) {
        finish();
        current_ = column;
        starts_[column] = text_.size();
        text_ += stops_[column];
        return text_;
    }
    // Writes the cells into the grid's last row and starts over.
    void setLastRow() {
        finish();
        for (std::size_t c = 0; c < cells_.size(); ++c)
            cells_[c] = QByteArrayView(text_.data() + starts_[c], ends_[c] - starts_[c]);
        Grid.setRow(LastRow(), cells_.data(), static_cast<int>(cells_.size()));
        clear();
    }
    void clear() {
        text_.clear();
        std::fill(starts_.begin(), starts_.end(), 0);
        std::fill(ends_.begin(), ends_.end(), 0);
        current_ = -1;
    }

  private:
    void finish() {
        if (current_ >= 0) ends_[current_] = text_.size();
    }
    std::vector<std::string> stops_;
    std::vector<std::size_t> starts_, ends_;
    std::vector<QByteArrayView> cells_;
    std::string text_;
    int current_ = -1;
};

// What tells the expense and income details apart.
struct Detail {
    char chart;  // 'E' or 'I', for the account pick list
    DATA4* accounts;
    FIELD4* accountNo;
    FIELD4* accountDesc;
    DATA4* records;
    TAG4* dateTag;
    FIELD4* date;
    FIELD4* account;
    FIELD4* folder;
    FIELD4* amount;
    const char* kind;  // the title after the folder and account names
    int width;
    QStringList stops;
    QStringList header;     // flags included
    int linesPerRecord;     // reserved by the page check of each record row and of the total
    const char* totalText;  // column 0 of the total row
    // The record's row or rows, after the page check.
    void (*writeRow)(RowCells& row, const CellText& text, long long cents);
};

void WriteExpenseRow(RowCells& row, const CellText& text, long long cents) {
    text.date(row.at(0), f4view(fExpDate));
    CellText::number(row.at(1), f4long(fCheckNo));
    CellText::number(row.at(2), f4int(fExpAccNo));
    CellText::trimmed(row.at(3), f4view(fPayTo));
    text.amount(row.at(4), cents);
    row.setLastRow();
    std::string& memo = row.at(3);
    const std::size_t before = memo.size();
    CellText::trimmed(memo, f4view(fEMemo));
    if (memo.size() > before) {
        NewLine();
        row.setLastRow();
    } else {
        row.clear();
    }
}

void WriteIncomeRow(RowCells& row, const CellText& text, long long cents) {
    text.date(row.at(0), f4view(fIncDate));
    CellText::number(row.at(1), f4int(fIncAcc));
    CellText::text(row.at(2), f4view(fIncDesc));
    text.amount(row.at(3), cents);
    row.setLastRow();
}

// The account the user picks; false when there is none to report on.
bool ChooseAccount(ReportContext& ctx, const Detail& d, Account* account) {
    const long recno = ctx.ChooseAccount(d.chart);
    if (recno <= 0) return false;
    if (d4go(d.accounts, recno) != r4success || d4deleted(d.accounts)) {
        code4errorCode(cb, 0);
        return false;
    }
    account->chosen = true;
    account->number = f4int(d.accountNo);
    account->name = FieldText(d.accountDesc).trimmed();
    return true;
}

ReportResult BuildDetail(ReportContext& ctx, const Detail& d, bool oneAccount) {
    Account account;
    if (oneAccount && !ChooseAccount(ctx, d, &account)) return ReportResult::NotRun;
    if (!SelectReportFolders(ctx)) return ReportResult::NotRun;
    W = d.width;
    N = static_cast<int>(d.stops.size()) + 1;
    BeginReport(ctx.LinesPerPage());
    const QString kind = QString::fromLatin1(d.kind);
    TitleLines = {FolderTitle(account.chosen ? account.name + QLatin1Char(' ') + kind : kind),
                  PeriodTitle(ReportFrom, ReportThrough)};
    ColumnStops = d.stops;
    HeaderRows[0] = d.header;

    // Stored dates are CCYYMMDD text, which orders as the days do.
    const std::string through = DateToKey(ReportThrough).toStdString();
    auto inPeriod = [&](int rc) {
        return rc >= 0 && rc != r4eof && f4view(d.date).substr(0, through.size()) <= through;
    };
    d4tagSelect(d.records, d.dateTag);
    const std::string from = DateToKey(ReportFrom).toStdString();
    const int found = SeekText(d.records, QString::fromStdString(from));
    // Every record of the period counts, whatever its folder or account, so that the bar reaches
    // 100 at the period's last record.
    const long progressTotal =
        found >= 0 && found != r4eof ? d4tagCount(d.records, from.c_str(), through.c_str()) : 0;

    ctx.ShowProgress(true, QStringLiteral("Building Report"));
    RowCells row(d.stops);
    const CellText text;
    long long total = 0;
    long walked = 0;
    int shown = -1;
    for (int rc = found; inPeriod(rc); rc = d4skip(d.records, 1)) {
        if (FolderSelected(f4int(d.folder)) >= 0 &&
            (!account.chosen || f4int(d.account) == account.number)) {
            double amount = 0;
            f4double2(d.amount, &amount);
            const long long cents = ToCents(amount);
            StartRow(d.linesPerRecord);
            d.writeRow(row, text, cents);
            total += cents;
        }
        ++walked;
        const int position =
            progressTotal > walked ? static_cast<int>(walked * 100 / progressTotal) : 100;
        if (position != shown) ctx.SetProgress(shown = position);
    }
    ctx.ShowProgress(false, QString());

    if (LastRow() < 0) return NoReportData();
    UnderlineLastRow();
    StartRow(d.linesPerRecord);
    SetValue(0, QString::fromLatin1(d.totalText));
    for (int c = 1; c < N - 2; ++c) SetValue(c, QString());
    SetValue(N - 2, FormatCents(total));
    if (FolderSelection.size() > 1) AddIncludedFolders();
    return ShowReport(ctx);
}

Detail ExpenseDetail() {
    return {'E',
            dbExpenseAccounts,
            fAccNo,
            fAcDesc,
            dbExpenses,
            tagEDate,
            fExpDate,
            fExpAccNo,
            fExpFolNo,
            fAmount,
            "Expense Detail Report",
            67,
            {QStringLiteral("L00"), QStringLiteral("R19"), QStringLiteral("R24"),
             QStringLiteral("L26"), QStringLiteral("R67")},
            {QStringLiteral("L00Date"), QStringLiteral("R19Check No"), QStringLiteral("R24Acnt"),
             QStringLiteral("L26Paid to / Memo"), QStringLiteral("R67Amount"), QStringLiteral("U")},
            2,
            "TOTAL EXPENSES",
            WriteExpenseRow};
}

Detail IncomeDetail() {
    return {'I',
            dbIncomeAccounts,
            fIAccNo,
            fIAcDesc,
            dbIncome,
            tagIncDate,
            fIncDate,
            fIncAcc,
            fIncFolNo,
            fIncAmt,
            "Income Detail Report",
            72,
            {QStringLiteral("L00"), QStringLiteral("R18"), QStringLiteral("L21"),
             QStringLiteral("R72")},
            {QStringLiteral("L00Date"), QStringLiteral("R18Account"),
             QStringLiteral("L21Description"), QStringLiteral("R72Amount"), QStringLiteral("U")},
            1,
            "Total",
            WriteIncomeRow};
}

}  // namespace

ReportResult BuildExpenseDetail(ReportContext& ctx) {
    return BuildDetail(ctx, ExpenseDetail(), false);
}

ReportResult BuildIncomeDetail(ReportContext& ctx) {
    return BuildDetail(ctx, IncomeDetail(), false);
}

ReportResult BuildExpenseAccountDetail(ReportContext& ctx) {
    return BuildDetail(ctx, ExpenseDetail(), true);
}

ReportResult BuildIncomeAccountDetail(ReportContext& ctx) {
    return BuildDetail(ctx, IncomeDetail(), true);
}

}  // namespace kvl

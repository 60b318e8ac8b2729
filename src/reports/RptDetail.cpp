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

// The cells of one row written straight into the grid, each its column's stop and then its
// value: a detail writes a row for every record of the period.
class RowOut {
  public:
    static constexpr std::size_t kStop = 3;  // "L00": alignment and column

    RowOut(const std::vector<std::string>& stops, std::size_t valueRoom)
        : stops_(stops), end_(Grid.beginRow(StopsRoom(stops) + valueRoom)) {}
    // Starts the cell of the column (columns in increasing order; those skipped stay empty) with
    // its stop and returns where its value goes; end gives where the value ends.
    char* at(int column) {
        if (count_ < column) count_ = column;
        start_ = end_;
        std::memcpy(end_, stops_[static_cast<std::size_t>(column)].data(), kStop);
        return end_ + kStop;
    }
    void end(char* valueEnd) {
        lengths_[count_++] = static_cast<std::uint16_t>(valueEnd - start_);
        end_ = valueEnd;
    }
    // Makes the cells the grid's last row.
    void place() { Grid.endRow(LastRow(), lengths_, std::min(Grid.columns(), kMostColumns)); }

  private:
    static std::size_t StopsRoom(const std::vector<std::string>& stops) {
        return kStop * stops.size();
    }
    const std::vector<std::string>& stops_;
    char* start_ = nullptr;
    char* end_;
    static constexpr int kMostColumns = 8;
    std::uint16_t lengths_[kMostColumns] = {};  // those not written stay 0
    int count_ = 0;
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
    // The record's row or rows, after the page check, given the stops as UTF-8.
    void (*writeRow)(const std::vector<std::string>& stops, const CellText& text, long long cents);
};

void WriteExpenseRow(const std::vector<std::string>& stops, const CellText& text,
                     long long cents) {
    const std::string_view date = f4view(fExpDate), payTo = f4view(fPayTo);
    RowOut row(stops, text.dateRoom() + 2 * CellText::kNumberRoom +
                          CellText::textRoom(payTo.size()) + CellText::kAmountRoom);
    row.end(text.date(row.at(0), date));
    row.end(CellText::number(row.at(1), f4long(fCheckNo)));
    row.end(CellText::number(row.at(2), f4int(fExpAccNo)));
    row.end(CellText::trimmed(row.at(3), payTo));
    row.end(text.amount(row.at(4), cents));
    row.place();
    const std::string_view memo = f4view(fEMemo);
    RowOut memoRow(stops, CellText::textRoom(memo.size()));
    char* value = memoRow.at(3);
    char* valueEnd = CellText::trimmed(value, memo);
    if (valueEnd == value) return;
    memoRow.end(valueEnd);
    NewLine();
    memoRow.place();
}

void WriteIncomeRow(const std::vector<std::string>& stops, const CellText& text,
                    long long cents) {
    const std::string_view description = f4view(fIncDesc);
    RowOut row(stops, text.dateRoom() + CellText::kNumberRoom +
                          CellText::textRoom(description.size()) + CellText::kAmountRoom);
    row.end(text.date(row.at(0), f4view(fIncDate)));
    row.end(CellText::number(row.at(1), f4int(fIncAcc)));
    row.end(CellText::text(row.at(2), description));
    row.end(text.amount(row.at(3), cents));
    row.place();
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

    // Room for the rows of every record and their pages' headers, so that the row table is not
    // copied as it grows; what stays unused is never touched.
    Grid.reserveRows(static_cast<std::size_t>(progressTotal) * (d.linesPerRecord + 1));
    ctx.ShowProgress(true, QStringLiteral("Building Report"));
    std::vector<std::string> stops;
    for (const QString& stop : d.stops) stops.push_back(stop.toStdString());
    const CellText text;
    long long total = 0;
    long walked = 0;
    int shown = -1;
    for (int rc = found; inPeriod(rc); rc = d4skip(d.records, 1)) {
        if (FolderSelected(f4int(d.folder)) >= 0 &&
            (!account.chosen || f4int(d.account) == account.number)) {
            const long long cents = f4cents(d.amount);
            StartRow(d.linesPerRecord);
            d.writeRow(stops, text, cents);
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

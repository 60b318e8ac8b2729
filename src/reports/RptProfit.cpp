#include "reports/RptProfit.h"

#include <cstring>
#include <unordered_map>

#include "data/DbUtil.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/MultFolOps.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

// Whether an account of a chart exists with its flag set (deductible or taxable). Each account is
// sought once per report: the chart does not change while the report is built.
class AccountFlags {
  public:
    AccountFlags(DATA4* table, TAG4* tag, FIELD4* number, FIELD4* flag)
        : table_(table), tag_(tag), number_(number), flag_(flag) {}

    bool Flagged(int account) {
        const auto known = known_.find(account);
        if (known != known_.end()) return known->second;
        d4tagSelect(table_, tag_);
        const int rc = SeekText(table_, PadNumber(account, 4));
        const bool flagged =
            (rc == r4success || rc == r4after) && f4int(number_) == account && f4true(flag_) != 0;
        known_.emplace(account, flagged);
        return flagged;
    }

  private:
    DATA4* table_;
    TAG4* tag_;
    FIELD4* number_;
    FIELD4* flag_;
    std::unordered_map<int, bool> known_;
};

// Income or expenses in date order, summed a period at a time by their account's flag.
struct ProfitTable {
    DATA4* table;
    FIELD4* date;
    FIELD4* folder;
    FIELD4* account;
    FIELD4* amount;
    AccountFlags flags;

    // Adds the selected folders' records dated from start through end (dates compared as the
    // stored CCYYMMDD text, which orders as the dates do) to *flagged or *other.
    void Sum(const QByteArray& startKey, const QByteArray& endKey, long long* flagged,
             long long* other) {
        for (int rc = d4seek(table, startKey.constData()); rc == r4success || rc == r4after;
             rc = d4skip(table, 1)) {
            if (std::strncmp(f4str(date), endKey.constData(), 8) > 0) break;
            if (FolderSelected(f4int(folder)) < 0) continue;
            double value = 0;
            f4double2(amount, &value);
            *(flags.Flagged(f4int(account)) ? flagged : other) += ToCents(value);
        }
    }
};

struct ProfitSums {
    long long taxableIncome = 0, deductible = 0, nontaxableIncome = 0, nondeductible = 0;

    void Add(const ProfitSums& other) {
        taxableIncome += other.taxableIncome;
        deductible += other.deductible;
        nontaxableIncome += other.nontaxableIncome;
        nondeductible += other.nondeductible;
    }
};

void ProfitRow(const QString& ending, const ProfitSums& s) {
    StartRow();
    SetValue(0, ending);
    const long long taxableProfit = s.taxableIncome - s.deductible;
    const long long amounts[] = {
        s.taxableIncome,    s.deductible,    taxableProfit,
        s.nontaxableIncome, s.nondeductible, taxableProfit + s.nontaxableIncome - s.nondeductible};
    for (int column = 1; column <= 6; ++column) SetValue(column, FormatCents(amounts[column - 1]));
}

QDate PeriodEnd(const QDate& start, ProfitPeriod period) {
    const QDate end = period == ProfitPeriod::Weekly
                          ? start.addDays(6)
                          : QDate(start.year(), start.month(), start.daysInMonth());
    return end > ReportThrough ? ReportThrough : end;
}

}  // namespace

ReportResult BuildProfitReport(ReportContext& ctx, ProfitPeriod period) {
    if (!SelectReportFolders(ctx)) return ReportResult::NotRun;
    W = 99;
    N = 8;
    BeginReport(ctx.LinesPerPage());
    QDate start = ReportFrom;
    if (period == ProfitPeriod::Monthly) start = QDate(start.year(), start.month(), 1);
    TitleLines = {FolderTitle(QStringLiteral("Profit Report")), PeriodTitle(start, ReportThrough)};
    ColumnStops = {QStringLiteral("L00"), QStringLiteral("R29"), QStringLiteral("R43"),
                   QStringLiteral("R57"), QStringLiteral("R71"), QStringLiteral("R85"),
                   QStringLiteral("R99")};
    HeaderRows[0] = {
        period == ProfitPeriod::Weekly ? QStringLiteral("L00Week") : QStringLiteral("L00Month"),
        QStringLiteral("R29Taxable"),
        QStringLiteral("R43Deductible"),
        QStringLiteral("R57Taxable"),
        QStringLiteral("R71Nontaxable"),
        QStringLiteral("R85Nondeductible"),
        QStringLiteral("R99Net"),
        QString()};
    HeaderRows.push_back({QStringLiteral("L00Ending"), QStringLiteral("R29Income"),
                          QStringLiteral("R43Expenses"), QStringLiteral("R57Profit"),
                          QStringLiteral("R71Income"), QStringLiteral("R85Expenses"),
                          QStringLiteral("R99Profit"), QStringLiteral("U")});

    d4tagSelect(dbIncome, tagIncDate);
    d4tagSelect(dbExpenses, tagEDate);
    ProfitTable income{dbIncome,  fIncDate,
                       fIncFolNo, fIncAcc,
                       fIncAmt,   AccountFlags(dbIncomeAccounts, tagAccI, fIAccNo, fIAcDed)};
    ProfitTable expenses{dbExpenses, fExpDate,
                         fExpFolNo,  fExpAccNo,
                         fAmount,    AccountFlags(dbExpenseAccounts, tagAcc, fAccNo, fAcDed)};
    const long long totalDays = std::max<long long>(start.daysTo(ReportThrough), 1);
    long long daysDone = 0;
    int shown = -1;
    ProfitSums totals;
    ctx.ShowProgress(true, QStringLiteral("Building Report"));
    while (start <= ReportThrough) {
        const QDate end = PeriodEnd(start, period);
        const QByteArray startKey = DateToKey(start).toLatin1();
        const QByteArray endKey = DateToKey(end).toLatin1();
        ProfitSums sums;
        income.Sum(startKey, endKey, &sums.taxableIncome, &sums.nontaxableIncome);
        expenses.Sum(startKey, endKey, &sums.deductible, &sums.nondeductible);
        ProfitRow(ReportDate(end), sums);
        totals.Add(sums);
        daysDone += start.daysTo(end);
        const int position = static_cast<int>(daysDone * 100 / totalDays);
        if (position != shown) ctx.SetProgress(shown = position);
        start = end.addDays(1);
    }
    ctx.ShowProgress(false, QString());

    if (LastRow() < 0) return NoReportData();
    UnderlineLastRow();
    ProfitRow(QStringLiteral("Totals"), totals);
    if (FolderSelection.size() > 1) AddIncludedFolders();
    return ShowReport(ctx);
}

ReportResult BuildWeeklyProfit(ReportContext& ctx) {
    return BuildProfitReport(ctx, ProfitPeriod::Weekly);
}

ReportResult BuildMonthlyProfit(ReportContext& ctx) {
    return BuildProfitReport(ctx, ProfitPeriod::Monthly);
}

}  // namespace kvl

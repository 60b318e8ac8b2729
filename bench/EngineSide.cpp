#include "EngineSide.h"

#include <QString>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

#include "Measure.h"
#include "data/DbUtil.h"
#include "data/Maintenance.h"
#include "data/NewDataSet.h"
#include "data/TableLayouts.h"
#include "data/dbFiles.h"
#include "entry/Ledger.h"
#include "entry/PickPage.h"

namespace bench {

namespace {

using namespace kvl;

void Check(const char* what) {
    if (cb->errorCode() < 0)
        throw std::runtime_error(std::string("engine, ") + what + ": " + cb->errorMessage());
}

void Require(bool ok, const char* what) {
    Check(what);
    if (!ok) throw std::runtime_error(std::string("engine, ") + what + " failed");
}

void CloseAll(const char* what) {
    const int rc = code4close(cb);
    Require(rc >= 0, what);
}

int64_t Cents(double amount) {
    return std::llround(amount * 100.0);
}

// The tags' view of the table: entries reached by walking the tag from the top.
long CountThrough(TAG4* tag) {
    d4tagSelect(dbExpenses, tag);
    long n = 0;
    for (int rc = d4top(dbExpenses); rc == r4success; rc = d4skip(dbExpenses, 1)) ++n;
    Check("walking a tag");
    return n;
}

void SelectRecordOrder() {
    code4errTagName(cb, 0);
    TAG4* none = d4tag(dbExpenses, "");
    code4errTagName(cb, 1);
    d4tagSelect(dbExpenses, none);
}

}  // namespace

EngineSide::EngineSide(const Books& books) : books_(books) {
    cb = code4initP();
}

EngineSide::~EngineSide() {
    code4initUndoP(cb);
    cb = nullptr;
}

void EngineSide::prepare() {
    QString message;
    NewDataSetOptions options;
    options.userName = QStringLiteral("Benchmark");
    if (!CreateDataSet(QStringLiteral("."), options, &message))
        throw std::runtime_error("cannot create the data set: " + message.toStdString());

    OpenExpenseAccounts();
    for (const Account& a : books_.accounts()) {
        Require(d4appendBlank(dbExpenseAccounts) == r4success, "adding an account");
        ExpenseAccountBuffer.number = a.number;
        ExpenseAccountBuffer.description = QString::fromStdString(a.description);
        ExpenseAccountBuffer.taxFlag = a.deductible;
        StoreExpenseAccountRecord();
    }
    OpenFolders();
    for (int f = 1; f <= Books::kFolders; ++f) {
        Require(d4appendBlank(dbFolders) == r4success, "adding a folder");
        FolderBuffer.number = f;
        FolderBuffer.name = QString::fromLatin1(Books::folderName(f));
        StoreFolderRecord();
    }
    CloseAll("writing the charts");
}

double EngineSide::load() {
    // The texts arrive as QStrings from the entry window's fields.
    std::vector<QString> payees, memos;
    for (const auto& p : Books::payees()) payees.push_back(QString::fromStdString(p));
    for (const auto& m : Books::memos()) memos.push_back(QString::fromStdString(m));

    Stopwatch clock;
    OpenExpenses();
    const long n = books_.records();
    for (long r = 1; r <= n; ++r) {
        const Expense e = books_.record(r);
        if (d4appendBlank(dbExpenses) != r4success) Require(false, "appending a record");
        ExpenseBuffer.date = e.date;
        ExpenseBuffer.checkNo = e.checkNo;
        ExpenseBuffer.account = e.account;
        ExpenseBuffer.folder = e.folder;
        ExpenseBuffer.payTo = payees[e.payee];
        ExpenseBuffer.amount = static_cast<double>(e.cents) / 100.0;
        ExpenseBuffer.memo = memos[e.memo];
        ExpenseBuffer.archived = e.archived;
        StoreExpenseRecord();
    }
    CloseAll("closing after the load");
    return clock.seconds();
}

double EngineSide::reindex() {
    Stopwatch clock;
    RebuildTableIndex(ExpenseLayout());
    Check("rebuilding the expense tags");
    return clock.seconds();
}

double EngineSide::summary(std::vector<SummaryRow>& rows) {
    rows.clear();
    // Stored dates are CCYYMMDD text, which orders as the dates do.
    const std::string start = DateToKey(books_.fiscalYearStart()).toStdString();
    const std::string from = DateToKey(books_.periodFrom()).toStdString();
    const std::string through = DateToKey(books_.periodThrough()).toStdString();
    const QString startKey = DateToKey(books_.fiscalYearStart());

    Stopwatch clock;
    OpenFolders();
    OpenExpenses();
    OpenExpenseAccounts();
    d4tagSelect(dbExpenses, tagEAcc);
    for (const bool section : {true, false}) {
        for (int rc = d4top(dbExpenseAccounts); rc == r4success;
             rc = d4skip(dbExpenseAccounts, 1)) {
            LoadExpenseAccountRecord();
            if (ExpenseAccountBuffer.taxFlag != section) continue;
            const int account = ExpenseAccountBuffer.number;
            double period = 0, prior = 0;
            for (int e = SeekText(dbExpenses, PadNumber(account, 4) + startKey);
                 e >= 0 && e != r4eof && f4int(fExpAccNo) == account; e = d4skip(dbExpenses, 1)) {
                if (!Books::folderSelected(f4int(fExpFolNo))) continue;
                const char* date = f4str(fExpDate);
                double amount = 0;
                (void)f4double2(fAmount, &amount);  // no number reads as 0, as a blank amount does
                if (std::memcmp(date, start.data(), 8) >= 0 &&
                    std::memcmp(date, from.data(), 8) < 0)
                    prior += amount;
                else if (std::memcmp(date, from.data(), 8) >= 0 &&
                         std::memcmp(date, through.data(), 8) <= 0)
                    period += amount;
            }
            Check("walking an account's expenses");
            if (period != 0 || prior != 0) rows.push_back({account, Cents(period), Cents(prior)});
        }
    }
    CloseAll("closing after the summary");
    return clock.seconds();
}

double EngineSide::browse(std::vector<long>& list) {
    list.clear();
    Stopwatch clock;
    OpenExpenses();
    for (int rc = d4top(dbExpenses); rc == r4success; rc = d4skip(dbExpenses, 1)) {
        if (f4true(fExpArchive) == 1) continue;
        if (f4int(fExpFolNo) == Books::kBrowseFolder) list.push_back(d4recNo(dbExpenses));
    }
    Check("walking the date tag");
    CloseAll("closing after the pick list");
    return clock.seconds();
}

double EngineSide::picklist(PickShowing& showing) {
    showing = {};
    QList<PickRow> rows;
    Stopwatch clock;
    OpenExpenses();
    PickPage page;
    page.Build(ExpenseLedger(), Books::kBrowseFolder, 0);
    int highlighted = -1;
    if (!page.empty()) rows = page.FillPage(ExpenseLedger(), &highlighted);
    CloseAll("closing after the pick list");
    const double seconds = clock.seconds();
    showing.list = std::move(page.RecordList);
    for (const PickRow& row : rows)
        showing.page.push_back(
            (row.cells.join(QLatin1Char('|')) + QLatin1Char('|') + QString::number(row.record))
                .toStdString());
    return seconds;
}

double EngineSide::seek(SeekTotals& totals) {
    totals = {};
    Stopwatch clock;
    OpenExpenses();
    d4tagSelect(dbExpenses, tagEAcc);
    for (int i = 0; i < Books::kSeeks; ++i) {
        const SeekKey k = books_.seekKey(i);
        const int rc = SeekText(dbExpenses, PadNumber(k.account, 4) + DateToKey(k.date));
        if (rc == r4success) {
            double amount = 0;
            (void)f4double2(fAmount, &amount);  // no number reads as 0, as a blank amount does
            ++totals.hits;
            totals.recnos += static_cast<uint64_t>(d4recNo(dbExpenses));
            totals.cents += Cents(amount);
        } else {
            Require(rc > 0, "seeking");
        }
    }
    CloseAll("closing after the seeks");
    return clock.seconds();
}

void EngineSide::markDeleted() {
    OpenExpenses();
    SelectRecordOrder();
    const long n = books_.records();
    for (long r = Books::kDeletedDigit; r <= n; r += 10) {
        if (!Books::deletedBeforePack(r)) continue;
        Require(d4go(dbExpenses, r) == r4success, "going to a record");
        d4delete(dbExpenses);
    }
    CloseAll("marking records deleted");
}

double EngineSide::pack() {
    Stopwatch clock;
    const bool packed = PackTable(QStringLiteral("EXP5"));
    const double seconds = clock.seconds();
    Require(packed, "packing EXP5");
    return seconds;
}

TableTotals EngineSide::totals() {
    TableTotals t;
    OpenExpenses();
    const long byDate = CountThrough(tagEDate);
    const long byAccount = CountThrough(tagEAcc);
    SelectRecordOrder();
    for (int rc = d4top(dbExpenses); rc == r4success; rc = d4skip(dbExpenses, 1)) {
        if (d4deleted(dbExpenses)) continue;
        double amount = 0;
        (void)f4double2(fAmount, &amount);  // no number reads as 0, as a blank amount does
        ++t.records;
        t.cents += Cents(amount);
    }
    CloseAll("reading the totals");
    if (byDate != t.records || byAccount != t.records)
        throw std::runtime_error("engine: the table holds " + std::to_string(t.records) +
                                 " live records but the date tag lists " + std::to_string(byDate) +
                                 " and the account tag " + std::to_string(byAccount));
    return t;
}

}  // namespace bench

#include "entry/EntryEdit.h"

#include <cmath>

#include "data/Clock.h"
#include "data/EntryRules.h"
#include "data/Maintenance.h"
#include "data/Messages.h"
#include "entry/Ledger.h"

namespace kvl {

namespace {

// Blanks before a number are allowed, as the toolkit's conversion allows them.
std::optional<int> ReadWholeNumber(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char(' ')) ++start;
    return ReadIntegerText(text.mid(start));
}

// The shared part of Save once the buffer holds the fields: a change is written over the record
// loaded at showing, a new record is appended. Flushing puts the record and its keys in the files
// before anything tells the user it is saved.
SaveOutcome Store(const Ledger& ledger, void (*store)(), void (*readyForAnother)()) {
    DATA4* table = ledger.entries;
    if (ledger.selection > 0) {
        d4go(table, ledger.selection);
        error4exitTest(cb);
        store();
        if (d4flush(table) != r4success) error4exitTest(cb);
        ledger.selection = static_cast<int>(d4recNo(table));
        return SaveOutcome::Closed;
    }
    bool added = d4appendBlank(table) == r4success;
    if (added) {
        store();
        added = d4flush(table) == r4success;
    }
    if (!added) {
        // The engine's reason is taken here, so that it cannot end the program at a later test.
        code4errorCode(cb, 0);
        ShowMessage(MsgKind::Warning, kAddRefused);
        return SaveOutcome::Refused;
    }
    if (ShowMessage(MsgKind::Confirmation, ledger.addAnother) != MsgAnswer::Yes) {
        ledger.selection = static_cast<int>(d4recNo(table));
        return SaveOutcome::Closed;
    }
    readyForAnother();
    return SaveOutcome::Another;
}

}  // namespace

bool AmountFits(double amount) {
    if (!std::isfinite(amount)) return false;
    const double cents = std::round(amount * 100.0);
    return cents >= -9999999.0 && cents <= 99999999.0;
}

bool CheckNoFits(long checkNo) {
    return checkNo >= -9999999 && checkNo <= 99999999;
}

bool PrepareExpenseBuffer(int defaultFolder) {
    if (CurrentExpenseRecord != 0) {
        d4go(dbExpenses, CurrentExpenseRecord);
        error4exitTest(cb);
        LoadExpenseRecord();
        return true;
    }
    ExpenseRecord& e = ExpenseBuffer;
    e.date = Today();
    e.checkNo = 0;
    e.account = 0;
    e.folder = defaultFolder;
    e.payTo.clear();
    e.memo.clear();
    e.amount = 0;
    return false;
}

bool PrepareIncomeBuffer(int defaultFolder) {
    if (CurrentIncomeRecord != 0) {
        d4go(dbIncome, CurrentIncomeRecord);
        error4exitTest(cb);
        LoadIncomeRecord();
        return true;
    }
    IncomeRecord& i = IncomeBuffer;
    i.account = 0;
    i.date = Today();
    i.description.clear();
    i.amount = 0;
    i.folder = defaultFolder;
    i.imported = false;
    return false;
}

ExpenseFields ExpenseFieldsOf(const ExpenseRecord& record) {
    return {QString::number(record.checkNo),
            DateToFieldText(record.date),
            record.payTo.trimmed(),
            FormatAmount(record.amount, kEntryAmountFormat),
            record.memo.trimmed(),
            record.account,
            record.folder};
}

IncomeFields IncomeFieldsOf(const IncomeRecord& record) {
    return {DateToFieldText(record.date), FormatAmount(record.amount, kEntryAmountFormat),
            record.description.trimmed(), record.account, record.folder};
}

bool ReadExpenseFields(const ExpenseFields& fields, ExpenseRecord& record) {
    const std::optional<int> checkNo = ReadWholeNumber(fields.checkNo);
    const std::optional<QDate> date = ReadDateText(fields.date);
    const std::optional<double> amount = ReadAmountText(fields.amount);
    if (!checkNo || !CheckNoFits(*checkNo) || !date || !amount || !AmountFits(*amount) ||
        !fields.account || !fields.folder)
        return false;
    record.checkNo = *checkNo;
    record.date = *date;
    record.payTo = fields.payTo.trimmed();
    record.amount = *amount;
    record.memo = fields.memo.trimmed();
    record.account = *fields.account;
    record.folder = *fields.folder;
    record.archived = false;
    return true;
}

bool ReadIncomeFields(const IncomeFields& fields, IncomeRecord& record) {
    const std::optional<QDate> date = ReadDateText(fields.date);
    const std::optional<double> amount = ReadAmountText(fields.amount);
    if (!fields.account || !date || !amount || !AmountFits(*amount) || !fields.folder) return false;
    record.account = *fields.account;
    record.date = *date;
    record.amount = *amount;
    record.description = fields.description.trimmed();
    record.folder = *fields.folder;
    record.archived = false;
    return true;
}

SaveOutcome SaveExpense(const ExpenseFields& fields) {
    if (!ReadExpenseFields(fields, ExpenseBuffer)) {
        ShowMessage(MsgKind::Warning, kConversionError);
        return SaveOutcome::Refused;
    }
    return Store(ExpenseLedger(), StoreExpenseRecord, [] {
        ExpenseBuffer.checkNo = 0;
        ExpenseBuffer.amount = 0;
    });
}

SaveOutcome SaveIncome(const IncomeFields& fields) {
    if (!ReadIncomeFields(fields, IncomeBuffer)) {
        ShowMessage(MsgKind::Warning, kConversionError);
        return SaveOutcome::Refused;
    }
    return Store(IncomeLedger(), StoreIncomeRecord, [] { IncomeBuffer.amount = 0; });
}

void DeleteEntry(const Ledger& ledger) {
    d4go(ledger.entries, ledger.selection);
    error4exitTest(cb);
    d4delete(ledger.entries);
    error4exitTest(cb);
    ledger.selection = 0;
    // The mark reaches the file on closing; a failure there would otherwise be cleared by the
    // pack's own error handling and go unreported.
    if (d4close(ledger.entries) < 0) error4exitTest(cb);
    ledger.entries = nullptr;
    PackTable(QString::fromLatin1(ledger.tableName));
    ledger.openEntries();
    error4exitTest(cb);
}

}  // namespace kvl

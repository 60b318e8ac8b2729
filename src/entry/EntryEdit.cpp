#include "entry/EntryEdit.h"

#include <cmath>

#include "data/Clock.h"
#include "data/EntryRules.h"
#include "data/Maintenance.h"
#include "data/Messages.h"
#include "data/WriteRecovery.h"
#include "engine/CodePage.h"
#include "entry/Ledger.h"

namespace kvl {

namespace {

// Blanks before a number are allowed, as the toolkit's conversion allows them.
std::optional<int> ReadWholeNumber(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char(' ')) ++start;
    return ReadIntegerText(text.mid(start));
}

// The engine's reason for a failed write, as the user reads it.
QString EngineReason() {
    return QString::fromStdString(xb::Cp1252ToUtf8(cb->errorMessage()));
}

// After a write of record recno failed: the table made sound and open again, standing on the
// record when the table holds it, and whether its image there is the one Save meant. A table whose
// index group cannot be rebuilt ends the program, as nothing would describe it.
bool Landed(const Ledger& ledger, long recno, std::string_view intended, const QString& reason,
            bool* rebuilt) {
    const TableLayout& layout = *FindLayout(ledger.tableName);
    QString why;
    if (!ReopenAfterFailedWrite(layout, ledger.openEntries, ledger.entries, rebuilt, &why)) {
        ShowMessage(MsgKind::Error, QStringLiteral("Saving to %1 failed: %2\r\nIts indexes could "
                                                   "not be rebuilt: %3\r\nProgram will now "
                                                   "terminate; they are rebuilt at the next start.")
                                        .arg(QLatin1String(layout.failName), reason, why));
        code4exit(cb);
    }
    if (recno > d4recCountDo(ledger.entries)) return false;
    GoToRecord(ledger.entries, recno);
    return d4recordImage(ledger.entries) == intended;
}

// The shared part of Save once the buffer holds the fields: a change is written over the record
// loaded at showing, a new record is appended. Flushing puts the record and its keys in the files
// before anything tells the user it is saved. A flush that fails after the record reached the
// table (a full disk at an index page) keeps the record, which the user meant to save, rather than
// taking it back through a disk that is failing: the tags are rebuilt from the records and the
// save counts as done, with a warning that says what happened.
SaveOutcome Store(const Ledger& ledger, void (*store)(), void (*readyForAnother)()) {
    const bool change = ledger.selection > 0;
    // Named before the write, so that a refused append cannot be taken for the record it stood on.
    const long recno = change ? ledger.selection : d4recCountDo(ledger.entries) + 1;
    std::string before;
    bool written = true;
    if (change) {
        GoToRecord(ledger.entries, ledger.selection);
        before = d4recordImage(ledger.entries);
        store();
    } else {
        written = d4appendBlank(ledger.entries) == r4success;
        if (written) store();
    }
    const std::string intended(d4recordImage(ledger.entries));
    written = written && d4flush(ledger.entries) == r4success;
    if (!written) {
        const QString reason = EngineReason();
        bool rebuilt = false;
        if (!Landed(ledger, recno, intended, reason, &rebuilt)) {
            if (!change) {
                ShowMessage(MsgKind::Warning, kAddRefused);
                return SaveOutcome::Refused;
            }
            if (d4recordImage(ledger.entries) == before) {
                ShowMessage(MsgKind::Warning, kChangeRefused.arg(reason));
                return SaveOutcome::Refused;
            }
            // Part of the record was written: only the whole change can stand there now.
            store();
            if (d4flush(ledger.entries) != r4success) error4exitTest(cb);
        }
        ShowMessage(MsgKind::Warning,
                    kSavedDespiteFault.arg(reason) + (rebuilt ? kIndexesRebuilt : QString()));
    }
    if (change || ShowMessage(MsgKind::Confirmation, ledger.addAnother) != MsgAnswer::Yes) {
        ledger.selection = static_cast<int>(recno);
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
        GoToRecord(dbExpenses, CurrentExpenseRecord);
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
        GoToRecord(dbIncome, CurrentIncomeRecord);
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
    GoToRecord(ledger.entries, ledger.selection);
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

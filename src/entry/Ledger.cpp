#include "entry/Ledger.h"

#include "data/EntryRules.h"

namespace kvl {

int CurrentExpenseRecord = 0;
int CurrentIncomeRecord = 0;

namespace {

const QString kListAmount = QStringLiteral("%12.2n");

QStringList ExpenseRow() {
    LoadExpenseRecord();
    const ExpenseRecord& e = ExpenseBuffer;
    return {
        DateToShortText(e.date),    QString::number(e.account),          QString::number(e.folder),
        QString::number(e.checkNo), FormatAmount(e.amount, kListAmount), e.payTo};
}

QStringList IncomeRow() {
    LoadIncomeRecord();
    const IncomeRecord& i = IncomeBuffer;
    return {DateToShortText(i.date), QString::number(i.account), QString::number(i.folder),
            FormatAmount(i.amount, kListAmount), i.description};
}

// The fields' largest values: amounts are N 9.2, check numbers N 8, accounts and folders N 4.
QString WidestDate() {
    return DateToShortText(QDate(2000, 12, 28));
}

// As the cell holds it, with the format's leading blanks.
QString WidestAmount() {
    return FormatAmount(999999.99, kListAmount);
}

QStringList ExpenseWidest() {
    return {WidestDate(),           QStringLiteral("9999"),
            QStringLiteral("9999"), QStringLiteral("99999999"),
            WidestAmount(),         QString()};
}

QStringList IncomeWidest() {
    return {WidestDate(), QStringLiteral("9999"), QStringLiteral("9999"), WidestAmount(),
            QString()};
}

Choices Walk(DATA4* table, FIELD4* number, FIELD4* description, int wanted) {
    Choices c;
    bool found = false;
    for (int rc = d4top(table); rc == r4success; rc = d4skip(table, 1)) {
        const int n = f4int(number);
        if (n == wanted && !found) {
            c.index = static_cast<int>(c.texts.size());
            found = true;
        }
        c.texts << FieldText(number) + QStringLiteral(" - ") + FieldText(description);
        c.numbers << n;
    }
    error4exitTest(cb);
    return c;
}

}  // namespace

const Ledger& ExpenseLedger() {
    static const Ledger ledger{
        'E',
        OpenExpenses,
        dbExpenses,
        fExpFolNo,
        fExpArchive,
        "EXP5",
        OpenExpenseAccounts,
        dbExpenseAccounts,
        fAccNo,
        fAcDesc,
        CurrentExpenseRecord,
        QStringLiteral("Expense Accounts must be defined before entering Expense Records"),
        QStringLiteral("Folders must be defined before entering Expense Records"),
        QStringLiteral("Add another expense record?"),
        {{QStringLiteral("Date"), 64},
         {QStringLiteral("Acc#"), 32},
         {QStringLiteral("Fol#"), 32},
         {QStringLiteral("Check#"), 64},
         {QStringLiteral("Amount"), 72, true},
         {QStringLiteral("Paid To"), 240},
         {QString(), 0}},
        ExpenseRow,
        ExpenseWidest};
    return ledger;
}

const Ledger& IncomeLedger() {
    static const Ledger ledger{
        'I',
        OpenIncome,
        dbIncome,
        fIncFolNo,
        fIncArchive,
        "INC5",
        OpenIncomeAccounts,
        dbIncomeAccounts,
        fIAccNo,
        fIAcDesc,
        CurrentIncomeRecord,
        QStringLiteral("Income Accounts must be defined before entering Income Records"),
        QStringLiteral("Folders must be defined before entering Income Records"),
        QStringLiteral("Add another income record?"),
        {{QStringLiteral("Date"), 64},
         {QStringLiteral("Acc#"), 32},
         {QStringLiteral("Folder"), 48},
         {QStringLiteral("Amount"), 96, true},
         {QStringLiteral("Description"), 240},
         {QString(), 0}},
        IncomeRow,
        IncomeWidest};
    return ledger;
}

Choices AccountChoices(const Ledger& ledger, int number) {
    return Walk(ledger.accounts, ledger.accountNo, ledger.accountDesc, number);
}

Choices FolderChoices(int number) {
    return Walk(dbFolders, fFolNo, fFolName, number);
}

}  // namespace kvl

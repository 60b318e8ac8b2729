#include "transfer/StmtImportOps.h"

#include <QFile>
#include <QStringList>
#include <algorithm>

#include "data/DbUtil.h"
#include "data/Messages.h"
#include "data/Progress.h"
#include "data/StagedChange.h"
#include "data/dbFiles.h"
#include "entry/Ledger.h"
#include "transfer/OfxStatement.h"

namespace kvl {

namespace {

const QString kNeither = QStringLiteral("it is neither an OFX, QFX nor a CSV statement");

QString Kind(LineKind kind) {
    return kind == LineKind::Expense ? QStringLiteral("expense") : QStringLiteral("income");
}

QSet<int> NumberSet(const Choices& choices) {
    return QSet<int>(choices.numbers.begin(), choices.numbers.end());
}

QString Problems(const ImportLine& line, const ChartNumbers& charts) {
    QStringList problems;
    if (line.account <= 0)
        problems << QStringLiteral("no account");
    else if (!charts.accountOf(line.line.kind, line.account))
        problems << QStringLiteral("no %1 account %2").arg(Kind(line.line.kind)).arg(line.account);
    if (line.folder <= 0)
        problems << QStringLiteral("no folder");
    else if (!charts.folders.contains(line.folder))
        problems << QStringLiteral("no folder %1").arg(line.folder);
    return problems.join(QStringLiteral(", "));
}

}  // namespace

void OpenStatementTables() {
    OpenExpenses();
    OpenIncome();
    OpenExpenseAccounts();
    OpenIncomeAccounts();
    OpenFolders();
}

std::optional<Statement::Format> StatementFileFormat(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray head = file.read(65536);
    if (head.contains('\0')) return std::nullopt;
    return LooksLikeOfx(head) ? Statement::Format::Ofx : Statement::Format::Csv;
}

std::optional<Statement> ReadStatementFile(const QString& path, const QString& shown,
                                           const CsvOptions& csv) {
    const auto refuse = [&shown](const QString& why) {
        ShowMessage(MsgKind::Warning, QStringLiteral("Cannot import %1: %2.").arg(shown, why));
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("it cannot be opened (%1)").arg(file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return refuse(QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
    if (bytes.contains('\0')) return refuse(kNeither);
    QString why;
    std::optional<Statement> statement;
    if (LooksLikeOfx(bytes)) {
        statement = ReadOfxStatement(path, bytes, &why);
    } else {
        bool notCsv = false;
        statement = ReadCsvStatement(bytes, csv, &why, &notCsv);
        if (notCsv) why = kNeither;
    }
    if (!statement) return refuse(why);
    const int windowStart = CenturyWindowStart();
    for (const StatementLine& line : statement->lines) {
        // A stored date is moved into the century window; one outside it would change.
        if (const int year = line.date.year(); year < windowStart || year >= windowStart + 100) {
            return refuse(
                QStringLiteral("%1: the date %2 lies outside the years %3 to %4 in "
                               "which dates are kept")
                    .arg(LinePlace(statement->format, line.place), line.date.toString(Qt::ISODate))
                    .arg(windowStart)
                    .arg(windowStart + 99));
        }
    }
    return statement;
}

std::optional<AccountRule> ParseAccountRule(const QString& text) {
    const qsizetype at = text.lastIndexOf(QLatin1Char('='));
    if (at <= 0) return std::nullopt;
    const QString number = text.mid(at + 1).trimmed();
    bool ok = false;
    const int account = number.toInt(&ok);
    const QString part = text.left(at).trimmed();
    if (!ok || account < 1 || account > 9999 || part.isEmpty() ||
        number.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return AccountRule{part, account};
}

bool ChartNumbers::accountOf(LineKind kind, int account) const {
    return (kind == LineKind::Expense ? expenseAccounts : incomeAccounts).contains(account);
}

ChartNumbers ReadChartNumbers() {
    return {NumberSet(AccountChoices(ExpenseLedger(), 0)),
            NumberSet(AccountChoices(IncomeLedger(), 0)), NumberSet(FolderChoices(0))};
}

bool CheckChoices(const ImportChoices& choices, const ChartNumbers& charts) {
    QString refusal;
    if (choices.folder != 0 && !charts.folders.contains(choices.folder))
        refusal = QStringLiteral("There is no folder %1.").arg(choices.folder);
    else if (choices.expenseAccount != 0 &&
             !charts.expenseAccounts.contains(choices.expenseAccount))
        refusal = QStringLiteral("There is no expense account %1.").arg(choices.expenseAccount);
    else if (choices.incomeAccount != 0 && !charts.incomeAccounts.contains(choices.incomeAccount))
        refusal = QStringLiteral("There is no income account %1.").arg(choices.incomeAccount);
    for (const AccountRule& rule : choices.rules) {
        if (refusal.isEmpty() && !charts.expenseAccounts.contains(rule.account) &&
            !charts.incomeAccounts.contains(rule.account))
            refusal = QStringLiteral(
                          "There is no expense or income account %1 (the rule for "
                          "'%2').")
                          .arg(rule.account)
                          .arg(rule.text);
    }
    if (refusal.isEmpty()) return true;
    ShowMessage(MsgKind::Warning, refusal);
    return false;
}

void ProposeAccounts(std::vector<ImportLine>& lines, const ImportChoices& choices,
                     const ChartNumbers& charts) {
    for (ImportLine& line : lines) {
        const LineKind kind = line.line.kind;
        if (!line.accountByHand) {
            int account = 0;
            for (const AccountRule& rule : choices.rules) {
                if (charts.accountOf(kind, rule.account) &&
                    line.bankPayee.contains(rule.text, Qt::CaseInsensitive)) {
                    account = rule.account;
                    break;
                }
            }
            if (account == 0 && charts.accountOf(kind, line.learnedAccount))
                account = line.learnedAccount;
            if (account == 0)
                account =
                    kind == LineKind::Expense ? choices.expenseAccount : choices.incomeAccount;
            line.account = account;
        }
        if (!line.folderByHand) {
            line.folder = choices.folder != 0                           ? choices.folder
                          : charts.folders.contains(line.learnedFolder) ? line.learnedFolder
                                                                        : 0;
        }
    }
}

QString UnassignedLines(const std::vector<ImportLine>& lines, Statement::Format format,
                        const ChartNumbers& charts, int limit) {
    QStringList listed;
    int more = 0;
    for (const ImportLine& line : lines) {
        if (!line.ticked) continue;
        const QString problems = Problems(line, charts);
        if (problems.isEmpty()) continue;
        if (listed.size() >= limit) {
            ++more;
            continue;
        }
        listed << QStringLiteral("%1, %2, %3, %4, %5: %6")
                      .arg(LinePlace(format, line.place), line.line.date.toString(Qt::ISODate),
                           line.line.payee, QString::number(line.line.cents / 100.0, 'f', 2),
                           Kind(line.line.kind), problems);
    }
    if (more > 0) listed << QStringLiteral("and %1 more").arg(more);
    return listed.join(QStringLiteral("\r\n"));
}

StatementOutcome ImportStatement(const std::vector<ImportLine>& lines, Statement::Format format,
                                 const ChartNumbers& charts, const QString& shown) {
    StatementOutcome outcome;
    const QString unassigned = UnassignedLines(lines, format, charts);
    if (!unassigned.isEmpty()) {
        ShowMessage(MsgKind::Warning,
                    QStringLiteral("%1: these lines have no account or folder:\r\n%2")
                        .arg(shown, unassigned));
        return outcome;
    }
    long total = 0;
    for (const ImportLine& line : lines) {
        if (line.ticked) {
            ++(line.line.kind == LineKind::Expense ? outcome.expenses : outcome.incomes);
            ++total;
        } else {
            ++(line.duplicate ? outcome.duplicates : outcome.leftOut);
        }
    }
    outcome.result = ChangeResult::Done;
    if (total == 0) return outcome;

    // In date order, as a bookkeeper enters them: the tags then take their keys close together,
    // whichever way the bank ordered its lines.
    std::vector<size_t> order;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].ticked) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&lines](size_t a, size_t b) {
        return lines[a].line.date < lines[b].line.date;
    });
    std::vector<StagedTable> tables;
    if (outcome.expenses > 0) tables.push_back(StagedTable::Expenses);
    if (outcome.incomes > 0) tables.push_back(StagedTable::Income);
    ShowProgress(true, QStringLiteral("Importing Statement"));
    QString failure;
    const bool done = ChangeStaged(
        tables,
        [&] {
            long step = 0;
            int percentShown = -1;
            // Nothing is read between the appends: each tag takes the keys in order at the close.
            for (const StagedTable table : tables)
                d4gatherKeys(table == StagedTable::Expenses ? dbExpenses : dbIncome);
            for (const size_t index : order) {
                const ImportLine& line = lines[index];
                const MappedLine& m = line.line;
                const double amount = static_cast<double>(m.cents) / 100.0;
                if (m.kind == LineKind::Expense) {
                    if (d4appendBlank(dbExpenses) != r4success) return false;
                    ExpenseBuffer = {m.date,  m.checkNo, line.account, line.folder,
                                     m.payee, amount,    m.memo,       false};
                    StoreExpenseRecord();
                } else {
                    if (d4appendBlank(dbIncome) != r4success) return false;
                    IncomeBuffer = {line.account, m.date, m.payee, amount,
                                    line.folder,  false,  false};
                    StoreIncomeRecord();
                }
                const int percent = static_cast<int>(++step * 100 / total);
                if (percent != percentShown) SetProgress(percentShown = percent);
            }
            return true;
        },
        &failure, StagedEdit::AppendOnly);
    ShowProgress(false, QString());
    if (!done) {
        ShowMessage(MsgKind::Warning, QStringLiteral("The statement could not be imported: "
                                                     "%1\r\nNothing was imported.")
                                          .arg(failure));
        return {ChangeResult::Failed};
    }
    return outcome;
}

QString OutcomeText(const StatementOutcome& outcome) {
    return QStringLiteral("imported %1 expenses and %2 incomes, skipped %3 duplicates")
        .arg(outcome.expenses)
        .arg(outcome.incomes)
        .arg(outcome.duplicates);
}

}  // namespace kvl

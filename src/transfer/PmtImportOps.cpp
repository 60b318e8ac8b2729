#include "transfer/PmtImportOps.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <string>

#include "data/DbUtil.h"
#include "data/EntryRules.h"
#include "data/Messages.h"
#include "data/Progress.h"
#include "data/StagedChange.h"
#include "data/dbFiles.h"
#include "engine/CodePage.h"

namespace kvl {

namespace {

const QString kPaymentFileName = QStringLiteral("pmt.dbf");

// The entry of dir named name ignoring case, as a path, or empty when there is none.
QString FindEntry(const QString& dir, const QString& name, QDir::Filters kind) {
    const QStringList entries = QDir(dir).entryList(kind | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return QDir(dir).filePath(entry);
    }
    return QString();
}

QString PaymentFileUnder(const QString& root, const QString& folder) {
    const QString dir = FindEntry(root, folder, QDir::Dirs);
    return dir.isEmpty() ? QString() : PaymentFileIn(dir);
}

bool InRange(const QDate& date, const QDate& from, const QDate& through) {
    return date.isValid() && date >= from && date <= through;
}

// Opens the payment file read-only, without its group, putting the engine's settings back.
DATA4* OpenPaymentTable(const QString& path) {
    const int autoOpen = code4autoOpen(cb, 0);
    const bool readOnly = cb->settings.readOnly;
    cb->settings.readOnly = true;
    DATA4* table = d4open(cb, QFile::encodeName(path).constData());
    cb->settings.readOnly = readOnly;
    code4autoOpen(cb, autoOpen);
    if (code4errorCode(cb, 0) < 0) {
        if (table) (void)d4close(table);  // read-only, and refused already
        return nullptr;
    }
    return table;
}

void NotPaymentFile(const QString& path, const QString& why) {
    ShowMessage(MsgKind::Warning,
                path + QStringLiteral("\r\nis not a valid Ulvenir Payment file: ") + why);
}

}  // namespace

QString PaymentFileIn(const QString& dir) {
    return FindEntry(dir, kPaymentFileName, QDir::Files);
}

QString ProposePaymentFile(const QString& volumeRoot) {
    if (!PaymentFileIn(QDir::currentPath()).isEmpty()) return QStringLiteral("Pmt.dbf");
    for (const char* folder : {"kelvane_bus", "kelvane"}) {
        const QString path = PaymentFileUnder(volumeRoot, QString::fromLatin1(folder));
        if (!path.isEmpty()) return QDir::cleanPath(path);
    }
    return QString();
}

QString ProposePaymentFile() {
    return ProposePaymentFile(QStorageInfo(QDir::currentPath()).rootPath());
}

std::optional<std::vector<Payment>> ReadPaymentFile(const QString& path) {
    DATA4* table = OpenPaymentTable(path);
    if (!table) {
        ShowMessage(MsgKind::Warning, QStringLiteral("Unable to Open ") + path);
        return std::nullopt;
    }
    FIELD4* date = d4field(table, "PDATE");
    FIELD4* amount = d4field(table, "PAMT");
    FIELD4* invoice = d4field(table, "IVNO");
    code4errorCode(cb, 0);
    QStringList missing;
    if (!date) missing << QStringLiteral("PDATE");
    if (!amount) missing << QStringLiteral("PAMT");
    if (!invoice) missing << QStringLiteral("IVNO");
    if (!missing.isEmpty()) {
        (void)d4close(table);  // read-only: its close has nothing to lose
        NotPaymentFile(
            path, QStringLiteral("it has no %1 field.").arg(missing.join(QStringLiteral(", "))));
        return std::nullopt;
    }
    std::vector<Payment> payments;
    payments.reserve(static_cast<size_t>(d4recCountDo(table)));
    int rc = d4top(table);
    while (rc == r4success) {
        Payment p;
        p.date = KeyToDate(f4str(date));
        (void)f4double2(amount, &p.amount);  // no number reads as 0, as a blank amount does
        p.invoice = FieldText(invoice).trimmed();
        payments.push_back(std::move(p));
        rc = d4skip(table, 1);
    }
    const std::string error = cb->errorMessage();
    code4errorCode(cb, 0);
    (void)d4close(table);  // read-only: its close has nothing to lose
    code4errorCode(cb, 0);
    if (rc < 0) {
        NotPaymentFile(path, QStringLiteral("it cannot be read (%1).")
                                 .arg(QString::fromStdString(xb::Cp1252ToUtf8(error))));
        return std::nullopt;
    }
    return payments;
}

ImportOutcome ImportPayments(const std::vector<Payment>& payments, const PaymentImport& import) {
    ImportOutcome outcome;
    ShowProgress(true, QStringLiteral("Loading Payments"));

    std::vector<long> doomed;
    SelectRecordOrder(dbIncome);
    const long count = d4recCountDo(dbIncome);
    long k = 0;
    int rc = d4top(dbIncome);
    error4exitTest(cb);
    while (rc == r4success) {
        LoadIncomeRecord();
        if (IncomeBuffer.imported && InRange(IncomeBuffer.date, import.from, import.through))
            doomed.push_back(d4recNo(dbIncome));
        rc = d4skip(dbIncome, 1);
        error4exitTest(cb);
        ++k;
        SetProgress(static_cast<int>(k * 100 / count));
    }

    std::vector<const Payment*> adding;
    k = 0;
    for (const Payment& p : payments) {
        if (InRange(p.date, import.from, import.through)) {
            if (!NumberFits(fIncAmt, p.amount)) {
                ShowProgress(false, QString());
                ShowMessage(MsgKind::Warning,
                            QStringLiteral("The payment on invoice #%1 dated %2 is %3, too large "
                                           "for an income amount.\r\nNothing was imported.")
                                .arg(p.invoice, DateToShortText(p.date),
                                     FormatAmount(p.amount, QStringLiteral("%1.2f"))));
                return outcome;
            }
            adding.push_back(&p);
        }
        ++k;
        SetProgress(static_cast<int>(k * 100 / static_cast<long>(payments.size())));
    }

    bool done = true;
    if (!doomed.empty() || !adding.empty()) {
        done = ChangeStaged(
            StagedTable::Income,
            [&] {
                for (long record : doomed) {
                    if (d4go(dbIncome, record) != r4success) return false;
                    d4delete(dbIncome);
                }
                IncomeBuffer = IncomeRecord{};
                IncomeBuffer.account = import.account;
                IncomeBuffer.folder = import.folder;
                IncomeBuffer.imported = true;
                IncomeBuffer.archived = false;
                for (const Payment* p : adding) {
                    IncomeBuffer.date = p->date;
                    IncomeBuffer.amount = p->amount;
                    IncomeBuffer.description = QLatin1String(kInvoicePrefix) + p->invoice;
                    if (d4appendBlank(dbIncome) != r4success) return false;
                    StoreIncomeRecord();
                }
                return true;
            },
            nullptr);
    }
    ShowProgress(false, QString());
    if (!done) {
        ShowMessage(MsgKind::Warning, QString::fromLatin1(kImportFailed));
        outcome.result = ChangeResult::Failed;
        return outcome;
    }
    outcome.result = ChangeResult::Done;
    outcome.removed = static_cast<long>(doomed.size());
    outcome.added = static_cast<long>(adding.size());
    return outcome;
}

}  // namespace kvl

// The payment import without a window: where the payment file is looked for, how it is read, and
// the import that replaces the earlier imports of a date range by the payments of that range.
//
// The payment file is a dBASE table (pmt.dbf) kept by the sibling products; only its PDATE (the
// date, as stored text CCYYMMDD), PAMT (the amount) and IVNO (the invoice number) are read, from
// every record in record-number order, those marked deleted included. It is opened read-only and
// without its index files, so nothing in the sibling's directory is ever written.
//
// ImportPayments needs INC5 open by OpenIncome (it is open again, at new handles, when it
// returns). It marks deleted the income records an earlier import made in the range (the imported
// mark set, date in the range), in record-number order, and adds one income record per payment of
// the range. Removal and additions are made together on a staged copy of INC5
// (data/StagedChange.h): a crash leaves the income as before the import or as after it, never a
// part. The records marked deleted ask for the pack that follows the import.
#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

#include "transfer/Outcome.h"

namespace kvl {

inline constexpr const char* kChoosePaymentFile = "Please Choose Ulvenir Payment file.";
inline constexpr const char* kNoIncomeAccounts =
    "Income Accounts must be defined before importing Income Records";
inline constexpr const char* kNoFolders = "Folders must be defined before importing Income Records";
inline constexpr const char* kImportFailed = "Import failed. Try again later.";
inline constexpr const char* kInvoicePrefix = "Payment on Invoice #";

struct Payment {
    QDate date;  // null for a blank or impossible PDATE
    double amount = 0;
    QString invoice;  // IVNO without leading and trailing blanks
};

// The payment file to propose: "Pmt.dbf" when the current directory holds pmt.dbf; else
// <volumeRoot>/kelvane_bus/pmt.dbf, else <volumeRoot>/kelvane/pmt.dbf, when it exists; else
// empty. Names are matched ignoring case.
QString ProposePaymentFile(const QString& volumeRoot);
// The same with the root of the volume that holds the current directory.
QString ProposePaymentFile();

// The path of the pmt.dbf in dir (matched ignoring case), or empty when dir holds none.
QString PaymentFileIn(const QString& dir);

// Every record of the payment file at path. When it cannot be opened as a dBASE table ("Unable to
// Open " and the path), lacks one of the three fields or cannot be read to its end, a warning says
// so and nothing is returned.
std::optional<std::vector<Payment>> ReadPaymentFile(const QString& path);

struct PaymentImport {
    QDate from;
    QDate through;
    int account = 0;  // income account
    int folder = 0;
};

struct ImportOutcome {
    ChangeResult result = ChangeResult::Refused;
    long removed = 0;  // earlier imports marked deleted
    long added = 0;
    bool packNeeded() const { return result == ChangeResult::Done && removed > 0; }
};

// Runs the import under the progress box "Loading Payments". A payment of the range whose amount
// does not fit an income amount refuses the whole import; a failure to write shows "Import failed.
// Try again later."; in both cases nothing is changed.
ImportOutcome ImportPayments(const std::vector<Payment>& payments, const PaymentImport& import);

}  // namespace kvl

// Statement lines from a CSV file as banks export it, read through libcsv.
//
// The file is UTF-8 (a byte order mark is dropped) when its bytes are valid UTF-8, else
// Windows-1252. The separator is the tab when the first line holds one, else whichever of ";" and
// "," the first line holds more of outside quotes. Fields may be quoted, with separators, doubled
// quotes and line breaks inside; a quote that is never closed, or a quote inside an unquoted
// field, makes the file unreadable. Blank lines are skipped.
//
// The columns come from the options, or else from a header in the first line naming them (a
// column is named by a word of its header, case ignored): "Check" or "Cheque"; "Memo"; "Debit"
// or "Withdrawal(s)"; "Credit" or "Deposit(s)"; "Amount"; "Date"; "Payee", "Name" or
// "Description", each role taking the first column that names it. Date, payee and either a
// signed amount or both debit and credit are needed. With columns given, a first line whose date
// field holds no digit is taken for a header and skipped.
//
// Values are read by the rules of transfer/StatementValues.h: a signed amount negative for a
// debit, or debit and credit fields giving the absolute amount of one of them (the other empty or
// zero); a line whose amount is zero is refused. Every failure names the file line the record
// starts on.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringView>
#include <optional>

#include "transfer/StatementLines.h"
#include "transfer/StatementValues.h"

namespace kvl {

// Column indexes from 0; -1 for none.
struct CsvColumns {
    int date = -1, amount = -1, debit = -1, credit = -1, payee = -1, memo = -1, check = -1;
};

// "date=1,amount=4,payee=2[,memo=N][,check=N]" or with "debit=N,credit=N" for the amount, columns
// numbered from 1. Nothing, with the reason in *why, for anything else.
std::optional<CsvColumns> ParseCsvColumns(const QString& text, QString* why);

struct CsvOptions {
    std::optional<CsvColumns> columns;  // none: from the header line
    CsvDateFormat dateFormat = CsvDateFormat::Automatic;
    bool decimalComma = false;
};

// The statement's lines. On failure nothing, with the reason in *why ("line 7: ..." where a line
// is at fault); *notCsv tells a file that has no column separator at all.
std::optional<Statement> ReadCsvStatement(const QByteArray& bytes, const CsvOptions& options,
                                          QString* why, bool* notCsv = nullptr);

}  // namespace kvl

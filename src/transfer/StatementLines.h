// The lines of a bank or card statement as the readers give them, and how one becomes an expense
// or an income record: the text the record will hold and the payee comparison that learning and
// the duplicate check use. Needs no table (QtCore and the engine's text conversion only), so that
// the fuzz target runs it as the import does.
//
// A debit (negative amount) becomes an expense, a credit an income, at the absolute amount. Texts
// are stored as the entry windows store what is typed: control characters become blanks, the
// text is trimmed, converted to Windows-1252 (a character without a form there becomes "?") and
// cut to the field's 30 characters.
//
// Payee comparison (PayeeKey): the stored payee, case-folded and split into words at blanks, less
// the words that are numbers as banks write them into their texts: card numbers (1234, XXXX1234,
// *1234, #0423), dates (01/05, 05.01.2026), times and reference numbers, that is words that hold a
// digit and nothing but digits, "x", "*", "#" and / . - : , characters. The words left, joined by
// one blank, are the key; a payee that is nothing but such words keeps them all. So "POS 01/05
// SHELL OIL 5541" and "pos 02/07 Shell  Oil 5541" are the same payee, and so are "Shell Oil" and "
// SHELL OIL ".
#pragma once

#include <QDate>
#include <QString>
#include <vector>

namespace kvl {

// The largest amount an amount field (N 9.2) holds, in cents.
inline constexpr qint64 kLargestCents = 99999999;
// The width of the payee, description and memo fields.
inline constexpr int kStatementTextWidth = 30;

struct StatementLine {
    int place = 0;  // CSV: the file line the record starts on; OFX: the transaction's number
    QDate date;
    QString payee;  // as the bank wrote it
    QString memo;
    long checkNo = 0;  // 0 without one
    qint64 cents = 0;  // negative for a debit; never 0
};

struct Statement {
    enum class Format { Ofx, Csv };
    Format format = Format::Csv;
    std::vector<StatementLine> lines;
};

// "line 12" for a CSV file, "transaction 3" for an OFX file.
QString LinePlace(Statement::Format format, int place);

enum class LineKind { Expense, Income };

// A statement line as the record it becomes.
struct MappedLine {
    LineKind kind = LineKind::Expense;
    QDate date;
    QString payee;  // stored form: PayTo or IncDesc
    QString memo;   // stored form: EMemo (expenses only)
    long checkNo = 0;
    qint64 cents = 0;  // the absolute amount
    QString key;       // PayeeKey(payee)
};

MappedLine MapLine(const StatementLine& line);

// The text as a 30-character field of the books holds it, trailing blanks removed.
QString StoredText(const QString& text);

// The comparison key of a stored payee (see above).
QString PayeeKey(const QString& storedPayee);

}  // namespace kvl

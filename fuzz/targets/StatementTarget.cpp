// fuzz_statement: a CSV statement from arbitrary bytes, read with the options the first byte
// chooses, and every line it gives mapped to the record it becomes.
#include <QString>

#include "engine/CodePage.h"
#include "targets/Support.h"
#include "targets/Targets.h"
#include "transfer/CsvStatement.h"

namespace kvlfuzz {

namespace {

kvl::CsvOptions Options(uint8_t choice) {
    kvl::CsvOptions options;
    options.decimalComma = choice & 1;
    options.dateFormat = static_cast<kvl::CsvDateFormat>(((choice >> 1) & 7) % 5);
    QString why;
    if (choice & 0x10)
        options.columns =
            kvl::ParseCsvColumns(QStringLiteral("date=1,payee=2,amount=3,memo=4,check=5"), &why);
    else if (choice & 0x20)
        options.columns =
            kvl::ParseCsvColumns(QStringLiteral("date=1,payee=2,debit=3,credit=4"), &why);
    return options;
}

void Mapped(const kvl::StatementLine& line) {
    Require(
        line.cents != 0 && line.cents >= -kvl::kLargestCents && line.cents <= kvl::kLargestCents,
        "a line's amount is zero or does not fit");
    Require(line.date.isValid(), "a line without a date");
    Require(line.checkNo >= 0 && line.checkNo <= 99999999, "a check number that does not fit");
    const kvl::MappedLine m = kvl::MapLine(line);
    Require(m.cents > 0 && m.cents == (line.cents < 0 ? -line.cents : line.cents),
            "the record's amount is not the line's");
    Require((m.kind == kvl::LineKind::Expense) == (line.cents < 0), "a debit is not an expense");
    for (const QString& text : {m.payee, m.memo}) {
        Require(xb::Utf8ToCp1252(text.toStdString()).size() <= kvl::kStatementTextWidth,
                "a stored text is wider than its field");
        Require(kvl::StoredText(text) == text, "a stored text changes when stored again");
    }
    Require(kvl::PayeeKey(m.key) == m.key, "a payee key is not its own key");
    const QString amount = QString::number(static_cast<double>(m.cents) / 100.0, 'f', 2);
    Require(kvl::ReadStatementAmount(amount, false) == m.cents, "an amount does not read back");
}

}  // namespace

int FuzzStatement(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const kvl::CsvOptions options = Options(data[0]);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));
    QString why;
    bool notCsv = false;
    const std::optional<kvl::Statement> statement =
        kvl::ReadCsvStatement(bytes, options, &why, &notCsv);
    if (!statement) {
        Require(!why.isEmpty(), "a refusal without a reason");
        return 0;
    }
    Require(!statement->lines.empty(), "a statement without lines");
    int place = 0;
    for (const kvl::StatementLine& line : statement->lines) {
        Require(line.place > place, "lines out of file order");
        place = line.place;
        Mapped(line);
    }
    return 0;
}

}  // namespace kvlfuzz

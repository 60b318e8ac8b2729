#include "transfer/CsvStatement.h"

#include <csv.h>

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "engine/CodePage.h"

namespace kvl {

namespace {

bool IsDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

struct Role {
    int CsvColumns::*column;
    const char* name;
    std::initializer_list<const char*> words;
};

// In the order header words are tried, so that "Debit Amount" is the debit and "Check Number"
// the check number.
const std::array<Role, 7>& Roles() {
    static const std::array<Role, 7> roles = {{
        {&CsvColumns::check, "check", {"check", "cheque"}},
        {&CsvColumns::memo, "memo", {"memo"}},
        {&CsvColumns::debit, "debit", {"debit", "withdrawal", "withdrawals"}},
        {&CsvColumns::credit, "credit", {"credit", "deposit", "deposits"}},
        {&CsvColumns::amount, "amount", {"amount"}},
        {&CsvColumns::date, "date", {"date"}},
        {&CsvColumns::payee, "payee", {"payee", "name", "description"}},
    }};
    return roles;
}

bool Complete(const CsvColumns& c) {
    return c.date >= 0 && c.payee >= 0 && ((c.amount >= 0) != (c.debit >= 0 && c.credit >= 0)) &&
           ((c.debit >= 0) == (c.credit >= 0));
}

std::optional<CsvColumns> HeaderColumns(const QStringList& header) {
    CsvColumns columns;
    for (int i = 0; i < header.size(); ++i) {
        QStringList words;
        QString word;
        for (const QChar c : header[i].toCaseFolded() + QLatin1Char(' ')) {
            if (c.isLetter()) {
                word += c;
            } else if (!word.isEmpty()) {
                words << word;
                word.clear();
            }
        }
        for (const Role& role : Roles()) {
            if (columns.*role.column >= 0) continue;
            const bool named =
                std::any_of(role.words.begin(), role.words.end(),
                            [&](const char* w) { return words.contains(QLatin1String(w)); });
            if (named) {
                columns.*role.column = i;
                break;
            }
        }
    }
    if (!Complete(columns)) return std::nullopt;
    return columns;
}

int Widest(const CsvColumns& c) {
    return std::max({c.date, c.amount, c.debit, c.credit, c.payee, c.memo, c.check});
}

char Separator(const QByteArray& bytes) {
    int semicolons = 0, commas = 0;
    bool quoted = false, seen = false;
    for (const char c : bytes) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') {
            if (seen) break;
            continue;
        }
        seen = true;
        if (c == '\t') return '\t';
        semicolons += c == ';';
        commas += c == ',';
    }
    if (semicolons == 0 && commas == 0) return 0;
    return semicolons > commas ? ';' : ',';
}

// The records of the file, each handed on with the line it starts on as libcsv completes it.
class Reader {
  public:
    Reader(const QByteArray& bytes, const CsvOptions& options) : options_(options) {
        QByteArray text = bytes;
        const bool bom = text.startsWith("\xEF\xBB\xBF");
        if (bom) text.remove(0, 3);
        // Plain ASCII, what most banks write, reads the same in both encodings.
        ascii_ = std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= 0; });
        if (bom || ascii_) {
            utf8_ = true;
        } else {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString unused = decoder(text);
            utf8_ = !decoder.hasError();
        }
        text_ = text;
        // Room for a line a line of the file, so that the lines are not moved as they come.
        statement_.lines.reserve(
            static_cast<size_t>(std::count(text_.cbegin(), text_.cend(), '\n')) + 1);
        columns_ = options.columns;
        mayBeHeader_ = columns_.has_value();
    }

    std::optional<Statement> read(QString* why, bool* notCsv) {
        const char separator = Separator(text_);
        if (notCsv) *notCsv = separator == 0;
        if (separator == 0) {
            *why = QStringLiteral("no line holds a tab, \";\" or \",\" between columns");
            return std::nullopt;
        }
        csv_parser parser;
        if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
            *why = QStringLiteral("out of memory");
            return std::nullopt;
        }
        csv_set_delim(&parser, static_cast<unsigned char>(separator));
        // Blanks around unquoted fields are dropped here, not by libcsv, which would take the tab
        // for a blank.
        csv_set_space_func(&parser, [](unsigned char) { return 0; });
        qsizetype at = 0;
        while (at < text_.size() && failure_.isEmpty()) {
            const qsizetype end = LineEnd(at);
            ++line_;
            if (startPending_ && !Blank(at, end)) {
                recordLine_ = line_;
                startPending_ = false;
            }
            const size_t length = static_cast<size_t>(end - at);
            if (csv_parse(&parser, text_.constData() + at, length, Field, Record, this) != length)
                failure_ = Place(recordLine_) + QStringLiteral("a quote is out of place");
            at = end;
        }
        if (failure_.isEmpty() && csv_fini(&parser, Field, Record, this) != 0)
            failure_ = Place(recordLine_) + QStringLiteral("a quoted field is never closed");
        csv_free(&parser);
        if (failure_.isEmpty() && statement_.lines.empty())
            failure_ = columns_ ? QStringLiteral("it holds no statement lines")
                                : QStringLiteral("it holds no lines");
        if (!failure_.isEmpty()) {
            *why = failure_;
            return std::nullopt;
        }
        return std::move(statement_);
    }

  private:
    // The fields of the record being read, one after another in one buffer kept from record to
    // record.
    static void Field(void* bytes, size_t length, void* self) {
        auto* reader = static_cast<Reader*>(self);
        reader->fields_.push_back({reader->fieldBytes_.size(), length});
        reader->fieldBytes_.append(static_cast<const char*>(bytes), length);
    }
    static void Record(int, void* self) {
        auto* reader = static_cast<Reader*>(self);
        if (reader->failure_.isEmpty()) reader->take();
        reader->fields_.clear();
        reader->fieldBytes_.clear();
        reader->startPending_ = true;
    }

    // Where the line that starts at from ends, its break included: LF, CR LF, or a CR alone (as
    // old Macintosh programs write), so that every record is named by the line it is on.
    qsizetype LineEnd(qsizetype from) const {
        for (qsizetype i = from; i < text_.size(); ++i) {
            if (text_[i] == '\n') return i + 1;
            if (text_[i] == '\r')
                return i + 1 < text_.size() && text_[i + 1] == '\n' ? i + 2 : i + 1;
        }
        return text_.size();
    }

    bool Blank(qsizetype from, qsizetype to) const {
        for (qsizetype i = from; i < to; ++i)
            if (text_[i] != '\n' && text_[i] != '\r') return false;
        return true;
    }

    static QString Place(int line) { return QStringLiteral("line %1: ").arg(line); }

    std::string_view raw(size_t column) const {
        if (column >= fields_.size()) return {};
        return std::string_view(fieldBytes_).substr(fields_[column].first, fields_[column].second);
    }

    QString text(size_t column) const {
        const std::string_view bytes = raw(column);
        const QString value =
            ascii_  ? QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()))
            : utf8_ ? QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
                    : QString::fromStdString(xb::Cp1252ToUtf8(bytes));
        return value.trimmed();
    }

    // The field as text for reading a date or a number from it, in buffer, which is kept from
    // field to field: only the message of a field that cannot be read needs a string of its own.
    QStringView view(size_t column, QString& buffer) const {
        if (!ascii_) {
            buffer = text(column);
            return buffer;
        }
        const std::string_view bytes = raw(column);
        buffer.resize(static_cast<qsizetype>(bytes.size()));
        QChar* into = buffer.data();
        for (size_t i = 0; i < bytes.size(); ++i) into[i] = QLatin1Char(bytes[i]);
        return QStringView(buffer).trimmed();
    }

    void fail(const QString& why) { failure_ = Place(recordLine_) + why; }

    void take() {
        if (!columns_) {
            QStringList header;
            for (size_t i = 0; i < fields_.size(); ++i) header << text(i);
            columns_ = HeaderColumns(header);
            if (!columns_)
                failure_ = QStringLiteral(
                    "its first line does not name the columns Date, Amount (or Debit and Credit) "
                    "and Payee (or Name or Description); give the columns");
            return;
        }
        if (fieldBytes_.find_first_not_of(" \t") == std::string::npos) return;
        const CsvColumns& c = *columns_;
        const QStringView dateText = view(c.date, dateBuffer_);
        if (mayBeHeader_) {
            mayBeHeader_ = false;
            if (!std::any_of(dateText.begin(), dateText.end(), IsDigit)) return;
        }
        if (fields_.size() <= static_cast<size_t>(Widest(c))) {
            fail(QStringLiteral("it has %1 columns, %2 are needed")
                     .arg(fields_.size())
                     .arg(Widest(c) + 1));
            return;
        }
        StatementLine line;
        line.place = recordLine_;
        bool ambiguous = false;
        const std::optional<QDate> date =
            ReadStatementDate(dateText, options_.dateFormat, &ambiguous);
        if (!date) {
            fail(ambiguous ? QStringLiteral("the date '%1' may be month/day or day/month; choose "
                                            "MM/DD/YYYY or DD/MM/YYYY as the date format")
                                 .arg(text(c.date))
                           : QStringLiteral("the date '%1' cannot be read as %2")
                                 .arg(text(c.date), options_.dateFormat == CsvDateFormat::Automatic
                                                    ? QStringLiteral("YYYY-MM-DD or DD.MM.YYYY")
                                                    : CsvDateFormatName(options_.dateFormat)));
            return;
        }
        line.date = *date;
        if (!amount(c, line)) return;
        line.payee = text(c.payee);
        if (c.memo >= 0) line.memo = text(c.memo);
        if (c.check >= 0 && !checkNo(text(c.check), line)) return;
        statement_.lines.push_back(std::move(line));
    }

    // One amount field: nothing for an empty one, a failure for one that cannot be read.
    bool readAmount(int column, std::optional<qint64>& cents) {
        const QStringView digits = view(column, amountBuffer_);
        if (digits.isEmpty()) return true;
        cents = ReadStatementAmount(digits, options_.decimalComma);
        if (!cents) {
            fail(QStringLiteral("the amount '%1' cannot be read%2")
                     .arg(text(column), options_.decimalComma
                                     ? QString()
                                     : QStringLiteral(" (with a decimal comma, say so)")));
            return false;
        }
        if (*cents > kLargestCents || *cents < -kLargestCents) {
            fail(QStringLiteral("the amount '%1' is larger than 999999.99, the most an amount "
                                "holds")
                     .arg(text(column)));
            return false;
        }
        return true;
    }

    bool amount(const CsvColumns& c, StatementLine& line) {
        std::optional<qint64> amount, debit, credit;
        if (c.amount >= 0) {
            if (!readAmount(c.amount, amount)) return false;
        } else if (!readAmount(c.debit, debit) || !readAmount(c.credit, credit)) {
            return false;
        }
        const qint64 d = debit ? std::abs(*debit) : 0, k = credit ? std::abs(*credit) : 0;
        if (d != 0 && k != 0) {
            fail(QStringLiteral("it has both a debit and a credit"));
            return false;
        }
        line.cents = c.amount >= 0 ? amount.value_or(0) : k - d;
        if (line.cents == 0) {
            fail(QStringLiteral("it has no amount other than zero"));
            return false;
        }
        return true;
    }

    bool checkNo(const QString& value, StatementLine& line) {
        const std::optional<long> number = ReadCheckNumber(value);
        if (!number) {
            fail(QStringLiteral("the check number '%1' is not a whole number of at most 8 digits")
                     .arg(value));
            return false;
        }
        line.checkNo = *number;
        return true;
    }

    const CsvOptions& options_;
    QByteArray text_;
    bool utf8_ = true;
    std::optional<CsvColumns> columns_;
    bool ascii_ = false;
    std::vector<std::pair<size_t, size_t>> fields_;  // where each field lies in fieldBytes_
    std::string fieldBytes_;
    QString dateBuffer_, amountBuffer_;
    int line_ = 0;
    int recordLine_ = 1;
    bool startPending_ = true;
    // The first record, when the columns were given, may be a header.
    bool mayBeHeader_ = false;
    QString failure_;
    Statement statement_;
};

}  // namespace

std::optional<CsvColumns> ParseCsvColumns(const QString& text, QString* why) {
    CsvColumns columns;
    for (const QString& item : text.split(QLatin1Char(','))) {
        const QString name = item.section(QLatin1Char('='), 0, 0).trimmed();
        const QString number = item.section(QLatin1Char('='), 1).trimmed();
        const auto role = std::find_if(Roles().begin(), Roles().end(), [&](const Role& r) {
            return name.compare(QLatin1String(r.name), Qt::CaseInsensitive) == 0;
        });
        bool ok = false;
        const int n = number.toInt(&ok);
        if (role == Roles().end() || !ok || n < 1 || n > 1000 ||
            !std::all_of(number.begin(), number.end(), IsDigit)) {
            *why = QStringLiteral(
                       "'%1' is not a column: NAME=N, NAME one of date, amount, debit, "
                       "credit, payee, memo, check and N from 1")
                       .arg(item.trimmed());
            return std::nullopt;
        }
        if (columns.*role->column >= 0) {
            *why = QStringLiteral("the column %1 is given twice").arg(name);
            return std::nullopt;
        }
        columns.*role->column = n - 1;
    }
    if (!Complete(columns)) {
        *why = QStringLiteral(
            "the columns must name date, payee and either amount or both debit and credit");
        return std::nullopt;
    }
    return columns;
}

std::optional<Statement> ReadCsvStatement(const QByteArray& bytes, const CsvOptions& options,
                                          QString* why, bool* notCsv) {
    Reader reader(bytes, options);
    std::optional<Statement> statement = reader.read(why, notCsv);
    if (statement) statement->format = Statement::Format::Csv;
    return statement;
}

}  // namespace kvl

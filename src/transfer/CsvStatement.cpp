#include "transfer/CsvStatement.h"

#include <csv.h>

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#include "engine/CodePage.h"
#include "engine/Jobs.h"

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

// The file's text as the readers take it: without a byte order mark, with its encoding known.
struct CsvText {
    QByteArray bytes;
    bool ascii = false;  // plain ASCII, which reads the same in both encodings
    bool utf8 = true;    // else Windows-1252
};

// Whether no byte has its high bit set, a word at a time.
bool IsAscii(const QByteArray& bytes) {
    const char* p = bytes.constData();
    const size_t n = static_cast<size_t>(bytes.size());
    uint64_t high = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        high |= word;
    }
    for (; i < n; ++i) high |= static_cast<unsigned char>(p[i]);
    return (high & 0x8080808080808080ull) == 0;
}

CsvText Prepare(const QByteArray& bytes) {
    CsvText text{bytes};
    const bool bom = text.bytes.startsWith("\xEF\xBB\xBF");
    if (bom) text.bytes.remove(0, 3);
    text.ascii = IsAscii(text.bytes);
    if (!bom && !text.ascii) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString unused = decoder(text.bytes);
        text.utf8 = !decoder.hasError();
    }
    return text;
}

// The records of a stretch of the file, each handed on with the line it starts on as libcsv
// completes it. A stretch other than the first starts at the beginning of a record, and takes its
// columns from the first stretch's header when the options do not give them.
class Reader {
  public:
    // A later stretch waits for the header's columns; the first one tells them.
    using AwaitColumns = std::function<std::optional<CsvColumns>()>;
    using TellColumns = std::function<void(const std::optional<CsvColumns>&)>;

    // The whole file.
    Reader(const CsvText& text, const CsvOptions& options)
        : Reader(text, options, 0, text.bytes.size(), 0, true) {}
    Reader(const CsvText& text, const CsvOptions& options, qsizetype begin, qsizetype end,
           int linesBefore, bool first, AwaitColumns awaitColumns = {},
           TellColumns tellColumns = {})
        : options_(options),
          text_(text.bytes),
          ascii_(text.ascii),
          utf8_(text.utf8),
          begin_(begin),
          end_(end),
          awaitColumns_(std::move(awaitColumns)),
          tellColumns_(std::move(tellColumns)) {
        // Room for a line a line of the file, so that the lines are not moved as they come.
        statement_.lines.reserve(
            static_cast<size_t>(std::count(text_.cbegin() + begin, text_.cbegin() + end, '\n')) +
            1);
        columns_ = options.columns;
        mayBeHeader_ = columns_.has_value() && first;
        line_ = linesBefore;
    }

    // Reads the stretch; false with the reason in failure().
    bool read(char separator) {
        csv_parser parser;
        if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
            failure_ = QStringLiteral("out of memory");
            return false;
        }
        csv_set_delim(&parser, static_cast<unsigned char>(separator));
        // Blanks around unquoted fields are dropped here, not by libcsv, which would take the tab
        // for a blank.
        csv_set_space_func(&parser, [](unsigned char) { return 0; });
        qsizetype at = begin_;
        while (at < end_ && failure_.isEmpty() && !abandoned_) {
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
        if (failure_.isEmpty() && !abandoned_ && csv_fini(&parser, Field, Record, this) != 0)
            failure_ = Place(recordLine_) + QStringLiteral("a quoted field is never closed");
        csv_free(&parser);
        return failure_.isEmpty() && !abandoned_;
    }

    const QString& failure() const { return failure_; }
    const std::optional<CsvColumns>& columns() const { return columns_; }
    // Whether a header or a record other than a blank one was met.
    bool tookRecord() const { return tookRecord_; }
    Statement& statement() { return statement_; }

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
        for (qsizetype i = from; i < end_; ++i) {
            if (text_[i] == '\n') return i + 1;
            if (text_[i] == '\r') return i + 1 < end_ && text_[i + 1] == '\n' ? i + 2 : i + 1;
        }
        return end_;
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
        if (!columns_ && awaitColumns_) {
            columns_ = awaitColumns_();
            if (!columns_) {
                abandoned_ = true;
                return;
            }
        }
        if (!columns_) {
            tookRecord_ = true;
            QStringList header;
            for (size_t i = 0; i < fields_.size(); ++i) header << text(i);
            columns_ = HeaderColumns(header);
            if (tellColumns_) tellColumns_(columns_);
            if (!columns_)
                failure_ = QStringLiteral(
                    "its first line does not name the columns Date, Amount (or Debit and Credit) "
                    "and Payee (or Name or Description); give the columns");
            return;
        }
        if (fieldBytes_.find_first_not_of(" \t") == std::string::npos) return;
        tookRecord_ = true;
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
    const QByteArray& text_;
    bool ascii_, utf8_;
    qsizetype begin_, end_;
    AwaitColumns awaitColumns_;
    TellColumns tellColumns_;
    bool abandoned_ = false;  // the columns never came: the stretch is not read
    bool tookRecord_ = false;
    std::optional<CsvColumns> columns_;
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

// A long file is read in two stretches side by side, split at the first line break after its
// middle that lies outside quotes (an even number of quotes before it). Nothing when the file is
// short or has no such break, and when either stretch meets anything but records it reads (a
// failure, no record at all in the first): the file is then read whole, which gives the same
// lines or the same message, since the lines a stretch starts on are counted as the whole read
// counts them.
std::optional<Statement> ReadInHalves(const CsvText& text, const CsvOptions& options,
                                      char separator) {
    constexpr qsizetype kHalvesFrom = 1 << 20;
    const QByteArray& b = text.bytes;
    const qsizetype n = b.size();
    if (n < kHalvesFrom) return std::nullopt;
    qsizetype quotes = std::count(b.cbegin(), b.cbegin() + n / 2, '"');
    qsizetype split = -1;
    for (qsizetype i = n / 2; i < n - 1 && split < 0; ++i) {
        if (b[i] == '"') ++quotes;
        if (b[i] == '\n' && quotes % 2 == 0) split = i + 1;
    }
    if (split < 0) return std::nullopt;
    // Lines end at LF, CR LF or a CR alone.
    int linesBefore = static_cast<int>(std::count(b.cbegin(), b.cbegin() + split, '\n'));
    if (std::memchr(b.constData(), '\r', static_cast<size_t>(split)))
        for (qsizetype i = 0; i < split; ++i) linesBefore += b[i] == '\r' && b[i + 1] != '\n';

    std::promise<std::optional<CsvColumns>> header;
    std::shared_future<std::optional<CsvColumns>> columns = header.get_future().share();
    bool told = false;
    const auto tell = [&](const std::optional<CsvColumns>& c) {
        if (told) return;
        told = true;
        header.set_value(c);
    };
    Reader first(text, options, 0, split, 0, true, {}, tell);
    Reader second(text, options, split, n, linesBefore, false,
                  options.columns ? Reader::AwaitColumns{}
                                  : Reader::AwaitColumns([columns] { return columns.get(); }));
    bool read[2] = {false, false};
    std::exception_ptr failures[2];
    const auto job = [&](int which, Reader& reader) {
        return [&, which] {
            try {
                read[which] = reader.read(separator);
            } catch (...) {
                failures[which] = std::current_exception();
            }
            // A first stretch without a header lets the second one go.
            if (which == 0) tell(std::nullopt);
            return xb::Status::Ok();
        };
    };
    (void)xb::RunJobs({job(0, first), job(1, second)});  // the jobs report through read[]
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    if (!read[0] || !read[1] || !first.tookRecord()) return std::nullopt;
    Statement statement = std::move(first.statement());
    std::vector<StatementLine>& more = second.statement().lines;
    if (statement.lines.empty() && more.empty()) return std::nullopt;
    statement.lines.reserve(statement.lines.size() + more.size());
    std::move(more.begin(), more.end(), std::back_inserter(statement.lines));
    return statement;
}

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
    const CsvText text = Prepare(bytes);
    const char separator = Separator(text.bytes);
    if (notCsv) *notCsv = separator == 0;
    if (separator == 0) {
        *why = QStringLiteral("no line holds a tab, \";\" or \",\" between columns");
        return std::nullopt;
    }
    std::optional<Statement> statement = ReadInHalves(text, options, separator);
    if (!statement) {
        Reader reader(text, options);
        if (!reader.read(separator)) {
            *why = reader.failure();
            return std::nullopt;
        }
        if (reader.statement().lines.empty()) {
            *why = reader.columns() ? QStringLiteral("it holds no statement lines")
                                    : QStringLiteral("it holds no lines");
            return std::nullopt;
        }
        statement = std::move(reader.statement());
    }
    statement->format = Statement::Format::Csv;
    return statement;
}

}  // namespace kvl

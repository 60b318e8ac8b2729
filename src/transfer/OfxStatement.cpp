#include "transfer/OfxStatement.h"

#include <libofx/libofx.h>

#include <QFile>
#include <QStringDecoder>
#include <cmath>
#include <string>
#include <vector>

#include "engine/CodePage.h"
#include "transfer/StatementValues.h"

namespace kvl {

namespace {

struct OfxTransaction {
    std::string name, memo, check;
    bool hasAmount = false;
    double amount = 0;
};

// The texts of one transaction as the file writes them.
struct RawTransaction {
    QByteArray posted, amount;
};

int TakeTransaction(const OfxTransactionData data, void* into) {
    OfxTransaction t;
    if (data.name_valid) t.name = data.name;
    if (data.memo_valid) t.memo = data.memo;
    if (data.check_number_valid) t.check = data.check_number;
    t.hasAmount = data.amount_valid;
    t.amount = data.amount;
    static_cast<std::vector<OfxTransaction>*>(into)->push_back(std::move(t));
    return 0;
}

void Silence() {
    ofx_PARSER_msg = ofx_DEBUG_msg = ofx_DEBUG1_msg = ofx_DEBUG2_msg = ofx_DEBUG3_msg = 0;
    ofx_DEBUG4_msg = ofx_DEBUG5_msg = ofx_STATUS_msg = ofx_INFO_msg = ofx_WARNING_msg = 0;
    ofx_ERROR_msg = ofx_show_position = 0;
}

// libofx gives UTF-8 when the file names its character set; otherwise the file's own bytes.
QString Text(const std::string& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text =
        decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!decoder.hasError()) return text.trimmed();
    return QString::fromStdString(xb::Cp1252ToUtf8(bytes)).trimmed();
}

// The value of the first element named tag in text[from, to): up to the next tag or line end.
QByteArray ElementValue(const QByteArray& text, qsizetype from, qsizetype to, const char* tag) {
    const qsizetype at = text.indexOf(tag, from);
    if (at < 0 || at >= to) return QByteArray();
    qsizetype end = at + qstrlen(tag);
    const qsizetype start = end;
    while (end < to && text[end] != '<' && text[end] != '\r' && text[end] != '\n') ++end;
    return text.mid(start, end - start).trimmed();
}

std::vector<RawTransaction> RawTransactions(const QByteArray& bytes) {
    const QByteArray text = bytes.toUpper();
    static const char kStart[] = "<STMTTRN>";
    std::vector<RawTransaction> raw;
    qsizetype at = text.indexOf(kStart);
    while (at >= 0) {
        const qsizetype next = text.indexOf(kStart, at + 1);
        const qsizetype end = next < 0 ? text.size() : next;
        raw.push_back(
            {ElementValue(text, at, end, "<DTPOSTED>"), ElementValue(text, at, end, "<TRNAMT>")});
        at = next;
    }
    return raw;
}

std::optional<QDate> PostedDate(const QByteArray& text) {
    if (text.size() < 8) return std::nullopt;
    for (int i = 0; i < 8; ++i)
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const QDate date(text.left(4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt());
    if (!date.isValid()) return std::nullopt;
    return date;
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// libofx loses a few hundred bytes on a file whose elements stand where the OFX grammar does not
// allow them; the sanitizer's leak check is not to fail the program's own tests for it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libofx.so\n";
}
#endif

bool LooksLikeOfx(const QByteArray& bytes) {
    const QByteArray head = bytes.left(4096).toUpper();
    return head.contains("OFXHEADER") || head.contains("<OFX>");
}

std::optional<Statement> ReadOfxStatement(const QString& path, const QByteArray& bytes,
                                          QString* why) {
    Silence();
    std::vector<OfxTransaction> read;
    LibofxContextPtr context = libofx_get_new_context();
    ofx_set_transaction_cb(context, TakeTransaction, &read);
    const int rc = libofx_proc_file(context, QFile::encodeName(path).constData(), OFX);
    libofx_free_context(context);
    if (rc != 0) {
        *why = QStringLiteral("it cannot be read as OFX to its end; it is damaged or incomplete");
        return std::nullopt;
    }
    const std::vector<RawTransaction> raw = RawTransactions(bytes);
    if (read.empty() && raw.empty()) {
        *why = QStringLiteral("it holds no transactions");
        return std::nullopt;
    }
    if (read.size() != raw.size()) {
        *why = QStringLiteral("it holds %1 transactions of which %2 can be read as statement lines")
                   .arg(raw.size())
                   .arg(read.size());
        return std::nullopt;
    }
    Statement statement;
    statement.format = Statement::Format::Ofx;
    statement.lines.reserve(read.size());
    for (size_t i = 0; i < read.size(); ++i) {
        const int place = static_cast<int>(i) + 1;
        const auto fail = [&](const QString& text) {
            *why = LinePlace(Statement::Format::Ofx, place) + QStringLiteral(": ") + text;
            return std::nullopt;
        };
        StatementLine line;
        line.place = place;
        const std::optional<QDate> date = PostedDate(raw[i].posted);
        if (!date)
            return fail(QStringLiteral("the posted date '%1' cannot be read")
                            .arg(QString::fromLatin1(raw[i].posted)));
        line.date = *date;
        const QString amountText = QString::fromLatin1(raw[i].amount);
        const std::optional<qint64> cents =
            amountText.contains(QLatin1Char('.'))
                ? ReadStatementAmount(amountText, false)
                : ReadStatementAmount(amountText, amountText.contains(QLatin1Char(',')));
        if (!cents || !read[i].hasAmount || std::abs(read[i].amount * 100 - *cents) >= 0.5 ||
            amountText.count(QLatin1Char(',')) + amountText.count(QLatin1Char('.')) > 1)
            return fail(QStringLiteral("the amount '%1' cannot be read").arg(amountText));
        if (*cents > kLargestCents || *cents < -kLargestCents)
            return fail(QStringLiteral("the amount '%1' is larger than 999999.99, the most an "
                                       "amount holds")
                            .arg(amountText));
        if (*cents == 0) return fail(QStringLiteral("it has no amount other than zero"));
        line.cents = *cents;
        line.payee = Text(read[i].name.empty() ? read[i].memo : read[i].name);
        if (!read[i].name.empty()) line.memo = Text(read[i].memo);
        const QString check = Text(read[i].check);
        const std::optional<long> checkNo = ReadCheckNumber(check);
        if (!checkNo)
            return fail(QStringLiteral("the check number '%1' is not a whole number of at most 8 "
                                       "digits")
                            .arg(check));
        line.checkNo = *checkNo;
        statement.lines.push_back(std::move(line));
    }
    return statement;
}

}  // namespace kvl

#include "transfer/StatementLines.h"

#include <string>

#include "engine/CodePage.h"

namespace kvl {

namespace {

bool NumberWord(QStringView word) {
    bool digit = false;
    for (const QChar c : word) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') {
            digit = true;
        } else if (u != u'x' && u != u'*' && u != u'#' && u != u'/' && u != u'.' && u != u'-' &&
                   u != u':' && u != u',') {
            return false;
        }
    }
    return digit;
}

}  // namespace

QString LinePlace(Statement::Format format, int place) {
    return (format == Statement::Format::Csv ? QStringLiteral("line %1")
                                             : QStringLiteral("transaction %1"))
        .arg(place);
}

QString StoredText(const QString& text) {
    QString clean = text;
    bool ascii = true;
    for (QChar& c : clean) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
        ascii = ascii && c.unicode() < 0x80;
    }
    clean = clean.trimmed();
    // Plain ASCII, what nearly every bank writes, is its own Windows-1252 form.
    if (ascii) return clean.left(kStatementTextWidth).trimmed();
    std::string bytes = xb::Utf8ToCp1252(clean.toStdString());
    if (bytes.size() > static_cast<size_t>(kStatementTextWidth)) bytes.resize(kStatementTextWidth);
    // The cut may end the text in blanks.
    return QString::fromStdString(xb::Cp1252ToUtf8(bytes)).trimmed();
}

QString PayeeKey(const QString& storedPayee) {
    const QString folded = storedPayee.toCaseFolded();
    QString key, all;
    key.reserve(folded.size());
    all.reserve(folded.size());
    for (qsizetype at = 0; at < folded.size();) {
        while (at < folded.size() && folded[at].isSpace()) ++at;
        qsizetype end = at;
        while (end < folded.size() && !folded[end].isSpace()) ++end;
        if (end == at) break;
        const QStringView word = QStringView(folded).mid(at, end - at);
        if (!all.isEmpty()) all += QLatin1Char(' ');
        all += word;
        if (!NumberWord(word)) {
            if (!key.isEmpty()) key += QLatin1Char(' ');
            key += word;
        }
        at = end;
    }
    return key.isEmpty() ? all : key;
}

MappedLine MapLine(const StatementLine& line) {
    MappedLine m;
    m.kind = line.cents < 0 ? LineKind::Expense : LineKind::Income;
    m.date = line.date;
    m.payee = StoredText(line.payee);
    m.cents = line.cents < 0 ? -line.cents : line.cents;
    if (m.kind == LineKind::Expense) {
        m.memo = StoredText(line.memo);
        m.checkNo = line.checkNo;
    }
    m.key = PayeeKey(m.payee);
    return m;
}

}  // namespace kvl

#include "transfer/StatementLines.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/CodePage.h"

namespace kvl {

namespace {

template <class Char>
bool NumberWord(const Char* word, qsizetype length) {
    bool digit = false;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t u = static_cast<char16_t>(word[i]);
        if (u >= u'0' && u <= u'9') {
            digit = true;
        } else if (u != u'x' && u != u'*' && u != u'#' && u != u'/' && u != u'.' && u != u'-' &&
                   u != u':' && u != u',') {
            return false;
        }
    }
    return digit;
}

bool NumberWord(QStringView word) {
    return NumberWord(word.utf16(), word.size());
}

bool IsAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// Blank as QChar::isSpace has it, for a character below 0x80.
bool AsciiSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// PayeeKey of a text in plain ASCII, what nearly every bank writes: case folding is the ASCII
// lower case there, and the words are found without building a string for each.
QString AsciiPayeeKey(const QString& payee) {
    const qsizetype n = payee.size();
    const char16_t* text = reinterpret_cast<const char16_t*>(payee.utf16());
    // Each holds at most the text's characters: the words and one blank between two.
    QVarLengthArray<char, 64> key(n), all(n);
    qsizetype keyLength = 0, allLength = 0;
    for (qsizetype at = 0; at < n;) {
        while (at < n && AsciiSpace(text[at])) ++at;
        qsizetype end = at;
        while (end < n && !AsciiSpace(text[end])) ++end;
        if (end == at) break;
        if (allLength > 0) all[allLength++] = ' ';
        char* word = all.data() + allLength;
        for (qsizetype i = at; i < end; ++i)
            all[allLength++] = static_cast<char>(
                text[i] >= u'A' && text[i] <= u'Z' ? text[i] + (u'a' - u'A') : text[i]);
        const qsizetype length = end - at;
        if (!NumberWord(word, length)) {
            if (keyLength > 0) key[keyLength++] = ' ';
            std::memcpy(key.data() + keyLength, word, static_cast<size_t>(length));
            keyLength += length;
        }
        at = end;
    }
    return keyLength > 0 ? QString::fromLatin1(key.data(), keyLength)
                         : QString::fromLatin1(all.data(), allLength);
}

}  // namespace

QString LinePlace(Statement::Format format, int place) {
    return (format == Statement::Format::Csv ? QStringLiteral("line %1")
                                             : QStringLiteral("transaction %1"))
        .arg(place);
}

QString StoredText(const QString& text) {
    // Plain ASCII, what nearly every bank writes, is its own Windows-1252 form: the field's text
    // is a part of the bank's, shared when it is the whole.
    if (IsAscii(text)) {
        const char16_t* t = reinterpret_cast<const char16_t*>(text.utf16());
        const auto blank = [](char16_t c) { return c <= u' ' || c == 0x7F; };  // once cleaned
        qsizetype from = 0, to = text.size();
        while (from < to && blank(t[from])) ++from;
        to = std::min(to, from + kStatementTextWidth);
        while (to > from && blank(t[to - 1])) --to;
        if (from == 0 && to == text.size() &&
            std::none_of(t, t + to, [](char16_t c) { return c < u' ' || c == 0x7F; }))
            return text;
        QString clean = text.mid(from, to - from);
        for (QChar& c : clean)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
        return clean;
    }
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
    if (IsAscii(storedPayee)) return AsciiPayeeKey(storedPayee);
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

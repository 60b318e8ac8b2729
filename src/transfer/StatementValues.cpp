#include "transfer/StatementValues.h"

#include <algorithm>
#include <array>

#include "transfer/StatementLines.h"

namespace kvl {

namespace {

constexpr qint64 kTooLarge = kLargestCents * 1000;

bool IsDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c.unicode() == 0xA0 || c.unicode() == 0x202F ||
           c == QLatin1Char('\t');
}

bool IsCurrency(QChar c) {
    return c == QLatin1Char('$') || c.unicode() == 0x20AC || c.unicode() == 0xA3 ||
           c.unicode() == 0xA5;
}

bool IsMinus(QChar c) {
    return c == QLatin1Char('-') || c.unicode() == 0x2212;
}

// The digits of an integer part "1,234,567" (group characters between groups of three) or
// "1234567"; -1 when it is neither.
qint64 IntegerPart(QStringView text, bool decimalComma) {
    const auto grouping = [decimalComma](QChar c) {
        return c == QLatin1Char(decimalComma ? '.' : ',') || c == QLatin1Char('\'') || IsBlank(c);
    };
    qint64 value = 0;
    int inGroup = 0;
    bool grouped = false;
    for (const QChar c : text) {
        if (IsDigit(c)) {
            value = std::min(value * 10 + (c.unicode() - u'0'), kTooLarge);
            ++inGroup;
        } else if (grouping(c)) {
            // The first group holds one to three digits, every later one exactly three.
            if (inGroup == 0 || (grouped ? inGroup != 3 : inGroup > 3)) return -1;
            grouped = true;
            inGroup = 0;
        } else {
            return -1;
        }
    }
    if (grouped && inGroup != 3) return -1;
    return value;
}

// "12", "1,234.5", ".50" read as cents; -1 when not an amount.
qint64 UnsignedCents(QStringView text, bool decimalComma) {
    const QChar point = QLatin1Char(decimalComma ? ',' : '.');
    const qsizetype at = text.indexOf(point);
    QStringView whole = at < 0 ? text : text.left(at);
    QStringView fraction = at < 0 ? QStringView() : text.mid(at + 1);
    if (whole.isEmpty() && fraction.isEmpty()) return -1;
    const qint64 units = whole.isEmpty() ? 0 : IntegerPart(whole, decimalComma);
    if (units < 0) return -1;
    qint64 cents = 0;
    for (qsizetype i = 0; i < fraction.size(); ++i) {
        if (!IsDigit(fraction[i])) return -1;
        const int digit = fraction[i].unicode() - u'0';
        if (i < 2) {
            cents = cents * 10 + digit;
        } else if (digit != 0) {
            return -1;  // a fraction of a cent cannot be stored
        }
    }
    if (fraction.size() == 1) cents *= 10;
    return std::min(units * 100 + cents, kTooLarge);
}

// Three numbers separated by sep with the given counts of digits (a count of 0: one or two).
bool ThreeNumbers(QStringView text, QChar sep, const std::array<int, 3>& widths,
                  std::array<int, 3>& out) {
    int part = 0;
    int digits = 0;
    out = {0, 0, 0};
    const auto fits = [&](int p) {
        return widths[p] == 0 ? (digits == 1 || digits == 2) : digits == widths[p];
    };
    for (const QChar c : text) {
        if (IsDigit(c)) {
            out[part] = out[part] * 10 + (c.unicode() - u'0');
            if (++digits > 4) return false;
        } else if (c == sep && part < 2) {
            if (!fits(part)) return false;
            ++part;
            digits = 0;
        } else {
            return false;
        }
    }
    return part == 2 && fits(2);
}

std::optional<QDate> DateOf(int year, int month, int day) {
    const QDate date(year, month, day);
    if (!date.isValid()) return std::nullopt;
    return date;
}

}  // namespace

std::optional<CsvDateFormat> ParseCsvDateFormat(const QString& text) {
    for (const CsvDateFormat f :
         {CsvDateFormat::YearMonthDay, CsvDateFormat::MonthDayYear, CsvDateFormat::DayMonthYear,
          CsvDateFormat::DayMonthYearDots, CsvDateFormat::Automatic}) {
        if (text.compare(CsvDateFormatName(f), Qt::CaseInsensitive) == 0) return f;
    }
    return std::nullopt;
}

QString CsvDateFormatName(CsvDateFormat format) {
    switch (format) {
        case CsvDateFormat::YearMonthDay:
            return QStringLiteral("YYYY-MM-DD");
        case CsvDateFormat::MonthDayYear:
            return QStringLiteral("MM/DD/YYYY");
        case CsvDateFormat::DayMonthYear:
            return QStringLiteral("DD/MM/YYYY");
        case CsvDateFormat::DayMonthYearDots:
            return QStringLiteral("DD.MM.YYYY");
        case CsvDateFormat::Automatic:
            break;
    }
    return QStringLiteral("automatic");
}

std::optional<QDate> ReadStatementDate(QStringView text, CsvDateFormat format, bool* ambiguous) {
    if (ambiguous) *ambiguous = false;
    QStringView t = text.trimmed();
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == QLatin1Char(' ') || t[i] == QLatin1Char('T')) {
            if (i + 1 >= t.size() || !IsDigit(t[i + 1])) return std::nullopt;
            t = t.left(i);
            break;
        }
    }
    std::array<int, 3> n{};
    const bool dots = ThreeNumbers(t, QLatin1Char('.'), {0, 0, 4}, n);
    if (format == CsvDateFormat::DayMonthYearDots || (format == CsvDateFormat::Automatic && dots))
        return dots ? DateOf(n[2], n[1], n[0]) : std::nullopt;
    const bool iso = ThreeNumbers(t, QLatin1Char('-'), {4, 0, 0}, n);
    if (format == CsvDateFormat::YearMonthDay || (format == CsvDateFormat::Automatic && iso))
        return iso ? DateOf(n[0], n[1], n[2]) : std::nullopt;
    if (!ThreeNumbers(t, QLatin1Char('/'), {0, 0, 4}, n)) return std::nullopt;
    if (format == CsvDateFormat::MonthDayYear) return DateOf(n[2], n[0], n[1]);
    if (format == CsvDateFormat::DayMonthYear) return DateOf(n[2], n[1], n[0]);
    if (ambiguous) *ambiguous = true;
    return std::nullopt;
}

std::optional<qint64> ReadStatementAmount(QStringView text, bool decimalComma) {
    QStringView t = text.trimmed();
    bool negative = false, signed_ = false, currency = false;
    if (t.size() >= 2 && t.front() == QLatin1Char('(') && t.back() == QLatin1Char(')')) {
        negative = signed_ = true;
        t = t.mid(1, t.size() - 2);
    }
    // Signs and currency signs on either side, each at most once.
    const auto strip = [&](bool front) {
        while (!t.isEmpty()) {
            const QChar c = front ? t.front() : t.back();
            if ((IsMinus(c) || c == QLatin1Char('+')) && !signed_) {
                negative = IsMinus(c);
                signed_ = true;
            } else if (IsCurrency(c) && !currency) {
                currency = true;
            } else if (!IsBlank(c)) {
                return;
            }
            t = front ? t.mid(1) : t.chopped(1);
        }
    };
    strip(true);
    strip(false);
    if (t.isEmpty()) return std::nullopt;
    const qint64 cents = UnsignedCents(t, decimalComma);
    if (cents < 0) return std::nullopt;
    return negative ? -cents : cents;
}

std::optional<long> ReadCheckNumber(QStringView text) {
    const QStringView t = text.trimmed();
    if (t.isEmpty()) return 0;
    long value = 0;
    for (const QChar c : t) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 99999999) return std::nullopt;
    }
    return value;
}

}  // namespace kvl

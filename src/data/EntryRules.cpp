#include "data/EntryRules.h"

#include <cmath>
#include <cstdio>

#include "data/Clock.h"
#include "data/DbUtil.h"

namespace kvl {

namespace {

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

// The order of the first day, month and year letters of the format; quoted text is skipped.
DateOrder OrderOf(const QString& format) {
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (quoted) continue;
        if (c == QLatin1Char('d')) return DateOrder::DayMonthYear;
        if (c == QLatin1Char('M')) return DateOrder::MonthDayYear;
        if (c == QLatin1Char('y')) return DateOrder::YearMonthDay;
    }
    return DateOrder::MonthDayYear;
}

// How many times the first run of letter occurs in the format (d, dd, M, MM ...).
int LetterCount(const QString& format, QChar letter) {
    const int at = format.indexOf(letter);
    if (at < 0) return 0;
    int count = 0;
    while (at + count < format.size() && format.at(at + count) == letter) ++count;
    return count;
}

bool IsAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

struct FormatSpec {
    int width = 0;
    int precision = 2;
    bool grouped = false;
};

FormatSpec ParseFormat(const QString& format) {
    FormatSpec spec;
    int i = format.indexOf(QLatin1Char('%'));
    if (i < 0) return spec;
    ++i;
    int width = 0;
    while (i < format.size() && IsAsciiDigit(format.at(i)))
        width = width * 10 + format.at(i++).digitValue();
    spec.width = width;
    if (i < format.size() && format.at(i) == QLatin1Char('.')) {
        ++i;
        int precision = 0;
        while (i < format.size() && IsAsciiDigit(format.at(i)))
            precision = precision * 10 + format.at(i++).digitValue();
        spec.precision = precision;
    }
    spec.grouped = i < format.size() && format.at(i).toLower() == QLatin1Char('n');
    return spec;
}

// The decimal digits of |value| rounded half away from zero to `precision` places. The value is
// first taken to 15 significant digits, so that 1.005 (held as 1.00499999...) rounds to 1.01 as
// a person reading the amount expects.
void RoundedDigits(double value, int precision, QString* whole, QString* fraction) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    QString mantissa;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') mantissa += QLatin1Char(*p);
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    // digits: mantissa (15 digits) with the point after position exponent + 1.
    const int point = exponent + 1;
    QString digits = mantissa;
    int integerDigits = point;
    if (point <= 0) {
        digits = QString(-point + 1, QLatin1Char('0')) + digits;
        integerDigits = 1;
    }
    const int keep = integerDigits + precision;
    if (digits.size() < keep) digits += QString(keep - digits.size(), QLatin1Char('0'));
    const bool roundUp = digits.size() > keep && digits.at(keep) >= QLatin1Char('5');
    digits.truncate(keep);
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0) {
            if (digits.at(i) == QLatin1Char('9')) {
                digits[i] = QLatin1Char('0');
                --i;
            } else {
                digits[i] = QChar(digits.at(i).unicode() + 1);
                break;
            }
        }
        if (i < 0) {
            digits.prepend(QLatin1Char('1'));
            ++integerDigits;
        }
    }
    *whole = digits.left(integerDigits);
    while (whole->size() > 1 && whole->at(0) == QLatin1Char('0')) whole->remove(0, 1);
    *fraction = digits.mid(integerDigits);
}

QString Grouped(const QString& whole, QChar separator) {
    QString result;
    const int n = whole.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) result += separator;
        result += whole.at(i);
    }
    return result;
}

}  // namespace

QString DateEditMask() {
    return QStringLiteral("!99/99/00;1;_");
}

std::optional<QDate> ReadDateText(const QString& text) {
    const Regional& regional = RegionalSettings();
    const QChar separator = regional.dateSeparator;
    const int n = text.size();
    int pos = 0;
    int numbers[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            if (pos >= n || text.at(pos) != separator) return std::nullopt;
            ++pos;
        }
        while (pos < n && text.at(pos) == QLatin1Char(' ')) ++pos;
        while (pos < n && IsAsciiDigit(text.at(pos)) && digits[k] < 4) {
            numbers[k] = numbers[k] * 10 + text.at(pos).digitValue();
            ++digits[k];
            ++pos;
        }
        if (digits[k] == 0) return std::nullopt;
    }
    if (pos < n && text.at(pos) == separator) ++pos;
    while (pos < n && text.at(pos) == QLatin1Char(' ')) ++pos;
    if (pos != n) return std::nullopt;

    int year = 0, month = 0, day = 0, yearDigits = 0;
    switch (OrderOf(regional.shortDateFormat)) {
        case DateOrder::MonthDayYear:
            month = numbers[0], day = numbers[1], year = numbers[2], yearDigits = digits[2];
            break;
        case DateOrder::DayMonthYear:
            day = numbers[0], month = numbers[1], year = numbers[2], yearDigits = digits[2];
            break;
        case DateOrder::YearMonthDay:
            year = numbers[0], month = numbers[1], day = numbers[2], yearDigits = digits[0];
            break;
    }
    if (yearDigits <= 2) year = TwoDigitYear(year);
    if (year < 1 || year > 9999) return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid()) return std::nullopt;
    return date;
}

QString DateToShortText(const QDate& date) {
    if (!date.isValid()) return QString();
    const Regional& regional = RegionalSettings();
    return regional.locale.toString(date, regional.shortDateFormat);
}

QString DateToFieldText(const QDate& date) {
    const Regional& regional = RegionalSettings();
    const QChar separator = regional.dateSeparator;
    if (!date.isValid()) {
        return QStringLiteral("  ") + separator + QStringLiteral("  ") + separator +
               QStringLiteral("  ");
    }
    const QString& format = regional.shortDateFormat;
    auto part = [](int value, bool padded) {
        QString s = padded ? QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'))
                           : QString::number(value);
        return s.rightJustified(2, QLatin1Char(' '));
    };
    const QString day = part(date.day(), LetterCount(format, QLatin1Char('d')) >= 2);
    const QString month = part(date.month(), LetterCount(format, QLatin1Char('M')) >= 2);
    const QString year = part(date.year() % 100, true);
    switch (OrderOf(format)) {
        case DateOrder::DayMonthYear:
            return day + separator + month + separator + year;
        case DateOrder::YearMonthDay:
            return year + separator + month + separator + day;
        case DateOrder::MonthDayYear:
            break;
    }
    return month + separator + day + separator + year;
}

QString AmountEditMask() {
    return QStringLiteral("!######") + RegionalSettings().decimalPoint + QStringLiteral("99;1;_");
}

std::optional<double> ReadAmountText(const QString& text) {
    const QChar decimal = RegionalSettings().decimalPoint;
    QString compact = text;
    compact.remove(QLatin1Char(' '));
    int i = 0;
    QByteArray number;
    if (i < compact.size() &&
        (compact.at(i) == QLatin1Char('-') || compact.at(i) == QLatin1Char('+'))) {
        if (compact.at(i) == QLatin1Char('-')) number += '-';
        ++i;
    }
    QByteArray whole, fraction;
    while (i < compact.size() && IsAsciiDigit(compact.at(i)))
        whole += char(compact.at(i++).unicode());
    if (i < compact.size() && compact.at(i) == decimal) {
        ++i;
        while (i < compact.size() && IsAsciiDigit(compact.at(i)))
            fraction += char(compact.at(i++).unicode());
    }
    if (i != compact.size()) return std::nullopt;
    number += whole.isEmpty() ? QByteArray("0") : whole;
    number += '.';
    number += fraction.isEmpty() ? QByteArray("0") : fraction;
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString FormatAmount(double value, const QString& format) {
    const FormatSpec spec = ParseFormat(format);
    const Regional& regional = RegionalSettings();
    QString whole, fraction;
    RoundedDigits(value, spec.precision, &whole, &fraction);
    const bool zero =
        whole == QLatin1String("0") && fraction.count(QLatin1Char('0')) == fraction.size();
    QString text = spec.grouped ? Grouped(whole, regional.thousandsSeparator) : whole;
    if (spec.precision > 0) text += regional.decimalPoint + fraction;
    if (value < 0 && !zero) text.prepend(QLatin1Char('-'));
    return text.rightJustified(spec.width, QLatin1Char(' '));
}

std::optional<QString> NormalizeAmountText(const QString& text, const QString& format) {
    QString compact = text;
    compact.remove(QLatin1Char(' '));
    const std::optional<double> value = ReadAmountText(compact);
    if (!value) return std::nullopt;
    const QString formatted = FormatAmount(*value, format);
    if (compact.startsWith(QLatin1Char('-')) && !(*value < 0)) {
        const QString signedText = QLatin1Char('-') + formatted.trimmed();
        return signedText.rightJustified(text.size(), QLatin1Char(' '));
    }
    return formatted;
}

std::optional<int> ReadIntegerText(const QString& text) {
    int i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!IsAsciiDigit(text.at(i))) return std::nullopt;
        value = value * 10 + text.at(i).digitValue();
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace kvl

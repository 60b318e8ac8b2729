#include "reports/CellText.h"

#include <QDate>
#include <QString>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "data/Clock.h"
#include "data/DbUtil.h"
#include "engine/Files.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

// Eight bytes at a time: a record's texts are mostly ASCII and padded with blanks.
std::uint64_t Word(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kBlanks = 0x2020202020202020ULL;

bool Ascii(std::string_view bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8)
        if (Word(bytes.data() + i) & kHighBits) return false;
    for (; i < bytes.size(); ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
    return true;
}

bool AsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int Digits(std::string_view text) {
    int v = 0;
    for (const char c : text) v = v * 10 + (c - '0');
    return v;
}

char* Put(char* out, const char* bytes, std::size_t n) {
    std::memcpy(out, bytes, n);
    return out + n;
}

char* Put(char* out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Put(out, utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

}  // namespace

CellText::CellText()
    : decimal_(QString(RegionalSettings().decimalPoint).toStdString()),
      thousands_(QString(RegionalSettings().thousandsSeparator).toStdString()) {
    const QString& format = ReportDateFormat;
    for (int i = 0; i < format.size();) {
        const QChar c = format.at(i);
        int run = 1;
        while (i + run < format.size() && format.at(i + run) == c) ++run;
        // Where in the stored CCYYMMDD text each part comes from.
        std::size_t from = 0, length = 0;
        if (c == QLatin1Char('D'))
            from = 6, length = 2;
        else if (c == QLatin1Char('M'))
            from = 4, length = 2;
        else if (c == QLatin1Char('Y'))
            from = run <= 2 ? 2 : 0, length = run <= 2 ? 2 : 4;
        if (length) {
            dateCopies_.push_back({dateTemplate_.size(), from, length});
            dateTemplate_.append(length, '0');
        } else {
            dateTemplate_ += QString(run, c).toStdString();
        }
        i += run;
    }
}

char* CellText::amount(char* out, long long cents) const {
    // Made from the right: two decimals, the point, the whole part in groups of three, the sign.
    char reversed[kAmountRoom];
    char* p = reversed + sizeof reversed;
    int characters = 0;
    auto put = [&](const std::string& separator) {
        p -= separator.size();
        std::memcpy(p, separator.data(), separator.size());
        ++characters;
    };
    unsigned long long v = cents < 0 ? 0ULL - static_cast<unsigned long long>(cents)
                                     : static_cast<unsigned long long>(cents);
    auto digit = [&] {
        *--p = static_cast<char>('0' + v % 10);
        ++characters;
        v /= 10;
    };
    digit();
    digit();
    put(decimal_);
    for (int group = 0; group == 0 || v != 0; ++group) {
        if (group > 0 && group % 3 == 0) put(thousands_);
        digit();
    }
    if (cents < 0) {
        *--p = '-';
        ++characters;
    }
    if (characters < 13) {
        std::memset(out, ' ', static_cast<std::size_t>(13 - characters));
        out += 13 - characters;
    }
    const std::size_t n = static_cast<std::size_t>(reversed + sizeof reversed - p);
    std::memcpy(out, p, n);
    return out + n;
}

namespace {

bool EightDigits(std::string_view stored) {
    bool digits = stored.size() == 8;
    for (const char c : stored) digits = digits && c >= '0' && c <= '9';
    return digits;
}

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Whether eight stored digits name a real day. QDate's rule, made here because a detail asks it
// for every record: the Gregorian calendar, no year 0.
bool DigitsNameADay(std::string_view stored) {
    const int year = Digits(stored.substr(0, 4)), month = Digits(stored.substr(4, 2)),
              day = Digits(stored.substr(6, 2));
    if (year == 0 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace

bool CellText::isDay(std::string_view stored) {
    if (!EightDigits(stored)) return KeyToDate(Latin1(stored)).isValid();
    return DigitsNameADay(stored);
}

char* CellText::date(char* out, std::string_view stored) const {
    if (!EightDigits(stored)) return Put(out, ReportDate(KeyToDate(Latin1(stored))));
    if (!DigitsNameADay(stored)) return out;
    std::memcpy(out, dateTemplate_.data(), dateTemplate_.size());
    for (const DateCopy& copy : dateCopies_)
        std::memcpy(out + copy.at, stored.data() + copy.from, copy.length);
    return out + dateTemplate_.size();
}

char* CellText::number(char* out, long value) {
    return std::to_chars(out, out + kNumberRoom, value).ptr;
}

char* CellText::text(char* out, std::string_view field) {
    if (Ascii(field)) return Put(out, field.data(), field.size());
    const std::string utf8 = xb::Cp1252ToUtf8(field);
    return Put(out, utf8.data(), utf8.size());
}

bool CellText::trimmedAscii(std::string_view field, std::string_view* inner) {
    std::string_view t = field;
    while (t.size() >= 8 && Word(t.data() + t.size() - 8) == kBlanks) t.remove_suffix(8);
    while (!t.empty() && AsciiSpace(t.back())) t.remove_suffix(1);
    while (!t.empty() && AsciiSpace(t.front())) t.remove_prefix(1);
    *inner = t;
    return Ascii(t);
}

char* CellText::trimmed(char* out, std::string_view field) {
    std::string_view inner;
    if (trimmedAscii(field, &inner)) return Put(out, inner.data(), inner.size());
    // Beyond ASCII a blank may be a no-break space, which trimming removes too.
    return Put(out, QString::fromStdString(xb::Cp1252ToUtf8(field)).trimmed());
}

}  // namespace kvl

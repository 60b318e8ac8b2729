#include "reports/CellText.h"

#include <QDate>
#include <QString>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "data/Clock.h"
#include "data/DbUtil.h"
#include "engine/CodePage.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

// Eight bytes at a time: a record's texts are mostly ASCII and padded with blanks.
std::uint64_t Word(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

static_assert(std::endian::native == std::endian::little, "a word's last byte is its highest");

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kBlanks = 0x2020202020202020ULL;

bool Ascii(std::string_view bytes) {
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    if (n >= 8) {
        std::uint64_t all = Word(p + n - 8);
        for (std::size_t i = 0; i + 8 <= n; i += 8) all |= Word(p + i);
        return (all & kHighBits) == 0;
    }
    for (std::size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    return true;
}

// Whether every byte of the word is a decimal digit.
bool DigitWord(std::uint64_t w) {
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ULL, kThrees = 0x3030303030303030ULL;
    // A byte 0x30 to 0x39 stays below 0x40 when 6 is added; no byte carries into the next.
    return (w & kHighNibbles) == kThrees && ((w + 0x0606060606060606ULL) & kHighNibbles) == kThrees;
}

bool AsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Copies n bytes in words, the last word overlapping the one before: a cell's text is short.
char* Put(char* out, const char* bytes, std::size_t n) {
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8) std::memcpy(out + i, bytes + i, 8);
        std::memcpy(out + n - 8, bytes + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(out, bytes, 4);
        std::memcpy(out + n - 4, bytes + n - 4, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i) out[i] = bytes[i];
    }
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
    // Padded so that a date is copied as one fixed block, within its room.
    dateLength_ = dateTemplate_.size();
    if (dateTemplate_.size() < 16) dateTemplate_.resize(16, ' ');
}

namespace {

// "000" to "999", three characters each: an amount's groups are made three digits at a time.
constexpr auto kTriples = [] {
    std::array<char, 3000> t{};
    for (int i = 0; i < 1000; ++i) {
        t[3 * i] = static_cast<char>('0' + i / 100);
        t[3 * i + 1] = static_cast<char>('0' + i / 10 % 10);
        t[3 * i + 2] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

}  // namespace

char* CellText::amount(char* out, long long cents) const {
    // Made from the right: two decimals, the point, the whole part in groups of three, the sign.
    char made[kAmountRoom];
    char* p = made + sizeof made;
    int characters = 0;
    const auto put = [&](const std::string& separator) {  // one character, up to 3 bytes
        for (std::size_t k = separator.size(); k-- > 0;) *--p = separator[k];
        ++characters;
    };
    unsigned long long v = cents < 0 ? 0ULL - static_cast<unsigned long long>(cents)
                                     : static_cast<unsigned long long>(cents);
    p -= 2;
    std::memcpy(p, kTriples.data() + 3 * (v % 100) + 1, 2);
    characters += 2;
    v /= 100;
    put(decimal_);
    for (; v >= 1000; v /= 1000) {
        p -= 3;
        std::memcpy(p, kTriples.data() + 3 * (v % 1000), 3);
        characters += 3;
        put(thousands_);
    }
    do {
        *--p = static_cast<char>('0' + v % 10);
        ++characters;
        v /= 10;
    } while (v != 0);
    if (cents < 0) {
        *--p = '-';
        ++characters;
    }
    if (characters < 13) {
        std::memset(out, ' ', static_cast<std::size_t>(13 - characters));
        out += 13 - characters;
    }
    const std::size_t n = static_cast<std::size_t>(made + sizeof made - p);
    std::memcpy(out, p, n);
    return out + n;
}

namespace {

bool EightDigits(std::string_view stored) {
    return stored.size() == 8 && DigitWord(Word(stored.data()));
}

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Whether eight stored digits name a real day. QDate's rule, made here because a detail asks it
// for every record: the Gregorian calendar, no year 0.
bool DigitsNameADay(std::string_view stored) {
    const char* d = stored.data();
    const int year = (d[0] - '0') * 1000 + (d[1] - '0') * 100 + (d[2] - '0') * 10 + (d[3] - '0');
    const int month = (d[4] - '0') * 10 + (d[5] - '0'), day = (d[6] - '0') * 10 + (d[7] - '0');
    if (year == 0 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (day <= kDays[month - 1]) return true;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap && day == 29;
}

// The field trimmed of blanks at both ends when it is ASCII; false otherwise.
bool TrimmedAscii(std::string_view field, std::string_view* inner) {
    if (!Ascii(field)) return false;
    const char* b = field.data();
    const char* e = b + field.size();
    while (e - b >= 8) {
        // The blanks at the word's end, its highest bytes, at once.
        const std::uint64_t others = Word(e - 8) ^ kBlanks;
        if (others == 0) {
            e -= 8;
            continue;
        }
        e -= __builtin_clzll(others) / 8;
        break;
    }
    while (e > b && AsciiSpace(e[-1])) --e;
    while (b < e && AsciiSpace(*b)) ++b;
    *inner = std::string_view(b, static_cast<std::size_t>(e - b));
    return true;
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
    for (const DateCopy& copy : dateCopies_) {
        if (copy.length == 2)
            std::memcpy(out + copy.at, stored.data() + copy.from, 2);
        else
            std::memcpy(out + copy.at, stored.data() + copy.from, 4);
    }
    return out + dateLength_;
}

char* CellText::number(char* out, long value) {
    return std::to_chars(out, out + kNumberRoom, value).ptr;
}

char* CellText::plainNumber(char* out, std::string_view field) {
    const std::size_t n = field.size();
    std::size_t i = 0;
    while (i < n && field[i] == ' ') ++i;
    while (i + 1 < n && field[i] == '0') ++i;
    if (i == n || n - i > 9) return nullptr;
    for (std::size_t k = i; k < n; ++k)
        if (field[k] < '0' || field[k] > '9') return nullptr;
    return Put(out, field.data() + i, n - i);
}

char* CellText::text(char* out, std::string_view field) {
    if (Ascii(field)) return Put(out, field.data(), field.size());
    const std::string utf8 = xb::Cp1252ToUtf8(field);
    return Put(out, utf8.data(), utf8.size());
}

char* CellText::trimmed(char* out, std::string_view field) {
    std::string_view inner;
    if (TrimmedAscii(field, &inner)) return Put(out, inner.data(), inner.size());
    // Beyond ASCII a blank may be a no-break space, which trimming removes too.
    return Put(out, QString::fromStdString(xb::Cp1252ToUtf8(field)).trimmed());
}

}  // namespace kvl

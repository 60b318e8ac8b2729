#include "engine/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>

namespace xb {

namespace {

// Large enough for the shortest fixed-notation text of any finite double (the smallest
// subnormal needs about 330 characters, the largest about 310).
constexpr size_t kReprSize = 400;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The number magnitude / 10^scale (scale at most dec, magnitude below 10^16), with its sign, as
// STR(value, len, dec) writes it; all '*' (and false) when it does not fit.
bool WriteDigits(uint64_t magnitude, int scale, bool negative, int len, int dec, char* dst,
                 bool& negativeOut) {
    char digits[24];
    size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0 || count <= static_cast<size_t>(scale));
    const size_t fraction = static_cast<size_t>(scale);
    const size_t need =
        (negative ? 1 : 0) + count - fraction + (dec > 0 ? 1 + static_cast<size_t>(dec) : 0);
    negativeOut = false;
    if (need > static_cast<size_t>(len)) {
        std::memset(dst, '*', static_cast<size_t>(len));
        return false;
    }
    char* p = dst;
    std::memset(p, ' ', static_cast<size_t>(len) - need);
    p += static_cast<size_t>(len) - need;
    if (negative) *p++ = '-';
    while (count > fraction) *p++ = digits[--count];
    if (dec > 0) {
        *p++ = '.';
        while (count > 0) *p++ = digits[--count];
        std::memset(p, '0', static_cast<size_t>(dec) - fraction);
    }
    negativeOut = negative;
    return true;
}

}  // namespace

bool FormatInto(double value, int len, int dec, char* dst, bool& negative) {
    negative = false;
    if (len <= 0) return false;
    if (!std::isfinite(value) || (dec > 0 && dec + 2 > len)) {
        std::memset(dst, '*', static_cast<size_t>(len));
        return false;
    }

    // Whole numbers (account, folder and check numbers, stored with every record) need no
    // rounding: their digits are written directly, exactly as the general path writes them.
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return WriteDigits(static_cast<uint64_t>(std::fabs(value)), 0, value < 0, len, dec, dst,
                           negative);

    // Amounts: a value that is the double nearest to a decimal of at most 15 digits, dec of them
    // decimals, has that decimal as its shortest text (any 15 digits read back as themselves),
    // so the general path below would write its digits unrounded. They are written directly.
    if (dec > 0 && dec < static_cast<int>(std::size(kPowers)) &&
        std::fabs(value) < 1e15 / kPowers[dec]) {
        const long long scaled = std::llround(value * kPowers[dec]);
        if (static_cast<double>(scaled) / kPowers[dec] == value)
            return WriteDigits(static_cast<uint64_t>(std::llabs(scaled)), dec, scaled < 0, len, dec,
                               dst, negative);
    }

    char repr[kReprSize];
    auto conv = std::to_chars(repr, repr + sizeof repr, std::fabs(value), std::chars_format::fixed);
    if (conv.ec != std::errc()) {
        std::memset(dst, '*', static_cast<size_t>(len));
        return false;
    }
    std::string_view text(repr, static_cast<size_t>(conv.ptr - repr));
    size_t dot = text.find('.');
    std::string_view intText = text.substr(0, dot);
    std::string_view fracText =
        dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);

    // digits[0] is room for a carry out of the integer part.
    char digits[kReprSize + 1];
    size_t kept = std::min(fracText.size(), static_cast<size_t>(dec));
    size_t intEnd = 1 + intText.size();
    size_t n = intEnd + kept;
    digits[0] = '0';
    std::memcpy(digits + 1, intText.data(), intText.size());
    if (kept > 0) std::memcpy(digits + intEnd, fracText.data(), kept);

    if (fracText.size() > static_cast<size_t>(dec) && fracText[static_cast<size_t>(dec)] >= '5') {
        size_t i = n;
        while (i > 0) {
            --i;
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                break;
            }
        }
    }

    size_t start = 0;
    while (start + 1 < intEnd && digits[start] == '0') ++start;
    bool zero = std::all_of(digits + start, digits + n, [](char c) { return c == '0'; });
    negative = value < 0 && !zero;

    size_t intDigits = intEnd - start;
    size_t need = (negative ? 1 : 0) + intDigits + (dec > 0 ? 1 + static_cast<size_t>(dec) : 0);
    if (need > static_cast<size_t>(len)) {
        std::memset(dst, '*', static_cast<size_t>(len));
        negative = false;
        return false;
    }

    char* p = dst;
    size_t pad = static_cast<size_t>(len) - need;
    std::memset(p, ' ', pad);
    p += pad;
    if (negative) *p++ = '-';
    std::memcpy(p, digits + start, intDigits);
    p += intDigits;
    if (dec > 0) {
        *p++ = '.';
        std::memcpy(p, digits + intEnd, kept);
        p += kept;
        std::memset(p, '0', static_cast<size_t>(dec) - kept);
    }
    return true;
}

void NumericKeyInto(double value, int len, int dec, char* dst) {
    if (len <= 0) return;
    bool negative = false;
    if (!FormatInto(value, len, dec, dst, negative)) {
        std::memset(dst, value < 0 ? ',' : '9', static_cast<size_t>(len));
        return;
    }
    if (negative) {
        for (int i = 0; i < len; ++i) {
            char c = dst[i];
            dst[i] = IsDigit(c) ? static_cast<char>(92 - c) : ',';
        }
    } else {
        for (int i = 0; i < len && dst[i] == ' '; ++i) dst[i] = '0';
    }
}

void NumericKey(double value, int len, int dec, std::string& out) {
    if (len <= 0) {
        out.clear();
        return;
    }
    out.resize(static_cast<size_t>(len));
    NumericKeyInto(value, len, std::max(dec, 0), out.data());
}

double ParseNumber(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    std::string_view s = text.substr(b, e - b);
    if (s.empty()) return 0.0;

    // Only plain decimal text counts: no exponent, no "inf"/"nan", no embedded blanks.
    size_t i = 0;
    if (s[0] == '+' || s[0] == '-') ++i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0 || i != s.size()) return 0.0;

    // Up to 15 digits make an integer that a double holds exactly, and dividing it by an exact
    // power of ten rounds once, as from_chars does: the usual field takes no general parse.
    if (digits <= 15) {
        const bool negative = s[0] == '-';
        uint64_t whole = 0;
        int decimals = -1;
        for (size_t k = (s[0] == '+' || negative) ? 1 : 0; k < s.size(); ++k) {
            if (s[k] == '.') {
                decimals = 0;
                continue;
            }
            whole = whole * 10 + static_cast<uint64_t>(s[k] - '0');
            if (decimals >= 0) ++decimals;
        }
        double value = static_cast<double>(whole);
        if (decimals > 0) value /= kPowers[decimals];
        return negative ? -value : value;
    }
    if (s[0] == '+') s.remove_prefix(1);
    double value = 0.0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return 0.0;
    return value;
}

namespace {

// The plain start of a number's text: blanks, a minus sign, then at most `most` digits. Returns
// where the digits stop, or npos when there are none.
size_t PlainDigits(std::string_view t, size_t most, bool& negative, long long& value) {
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    negative = i < t.size() && t[i] == '-';
    if (negative) ++i;
    const size_t first = i;
    value = 0;
    for (; i < t.size() && IsDigit(t[i]) && i - first < most; ++i)
        value = value * 10 + (t[i] - '0');
    return i > first ? i : std::string_view::npos;
}

}  // namespace

// Up to 15 digits the general parse gives exactly the same; anything else takes it.
long IntegerText(std::string_view t) {
    bool negative;
    long long value;
    if (PlainDigits(t, 15, negative, value) == t.size()) return negative ? -value : value;
    return static_cast<long>(ParseNumber(t));
}

long long CentsText(std::string_view t) {
    bool negative;
    long long cents;
    const size_t i = PlainDigits(t, 13, negative, cents);
    if (i != std::string_view::npos && i + 3 == t.size() && t[i] == '.' && IsDigit(t[i + 1]) &&
        IsDigit(t[i + 2])) {
        cents = cents * 100 + (t[i + 1] - '0') * 10 + (t[i + 2] - '0');
        return negative ? -cents : cents;
    }
    return std::llround(ParseNumber(t) * 100.0);
}

void FormatNumber(double value, int len, int dec, std::string& out) {
    if (len <= 0) {
        out.clear();
        return;
    }
    out.resize(static_cast<size_t>(len));
    bool negative = false;
    FormatInto(value, len, std::max(dec, 0), out.data(), negative);
}

}  // namespace xb

// STR() formatting of whole numbers and of plain decimals such as amounts, which take shorter paths
// than other fractions, against printf.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "engine/Expr.h"

namespace {

std::string Printf(double v, int len, int dec) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%*.*f", len, dec, v);
    std::string s = buf;
    return s.size() > static_cast<size_t>(len) ? std::string(static_cast<size_t>(len), '*') : s;
}

TEST(FormatNumberTest, WholeNumbersReadAsPrintfWritesThem) {
    std::mt19937_64 rng(11);
    std::vector<double> values = {
        0,    -0.0,  1,     -1,     9,        10,       99,        100,
        9999, 10000, -9999, -10000, 12345678, 99999999, 100000000, 999999999999999.0,
        -1e14};
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(rng() % 15);
        double v = std::floor(static_cast<double>(rng() % 1000000000000000ULL) /
                              std::pow(10.0, 15 - digits));
        values.push_back(rng() % 2 ? v : -v);
    }
    std::string out;
    for (double v : values) {
        for (int len : {1, 2, 4, 8, 9, 12, 20}) {
            for (int dec : {0, 2, 4}) {
                if (dec > 0 && dec + 2 > len) continue;
                xb::FormatNumber(v, len, dec, out);
                std::string want = Printf(v, len, dec);
                if (v == 0) want = Printf(0.0, len, dec);  // no "-0"
                ASSERT_EQ(out, want) << v << " in " << len << "." << dec;
            }
        }
    }
}

TEST(FormatNumberTest, DecimalsReadAsPrintfWritesThem) {
    std::mt19937_64 rng(12);
    std::string out;
    for (int i = 0; i < 20000; ++i) {
        const int dec = 1 + static_cast<int>(rng() % 4);
        const long long scaled =
            static_cast<long long>(rng() % 1000000000000000ULL >> (rng() % 50));
        if (scaled == 0) continue;  // printf writes "-0.00"
        const double v = static_cast<double>(rng() % 2 ? scaled : -scaled) / std::pow(10.0, dec);
        for (int len : {dec + 2, 9, 12, 20}) {
            xb::FormatNumber(v, len, dec, out);
            ASSERT_EQ(out, Printf(v, len, dec)) << v << " in " << len << "." << dec;
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/Expr.h"

namespace xb {
namespace {

// Lays out fields the way a table header does and builds record images of exactly the record
// length, so that any read past the end is caught by the address sanitizer.
class Layout {
  public:
    Layout& add(const std::string& name, char type, uint16_t length, uint8_t decimals = 0) {
        FieldDesc f;
        f.name = name;
        f.type = type;
        f.length = length;
        f.decimals = decimals;
        f.offset = recordLength_;
        recordLength_ += length;
        fields_.push_back(f);
        return *this;
    }

    const std::vector<FieldDesc>& fields() const { return fields_; }

    // Numeric values are right-aligned as dBASE stores them, everything else left-aligned.
    std::vector<char> record(const std::vector<std::pair<std::string, std::string>>& values,
                             bool deleted = false) const {
        std::vector<char> image(recordLength_, ' ');
        image[0] = deleted ? '*' : ' ';
        for (const auto& [name, value] : values) {
            const FieldDesc* f = find(name);
            EXPECT_NE(f, nullptr) << name;
            if (f == nullptr) continue;
            EXPECT_LE(value.size(), f->length) << name;
            size_t n = std::min<size_t>(value.size(), f->length);
            size_t at = f->offset + (f->type == 'N' ? f->length - n : 0);
            std::copy(value.begin(), value.begin() + static_cast<long>(n),
                      image.begin() + static_cast<long>(at));
        }
        return image;
    }

  private:
    const FieldDesc* find(const std::string& name) const {
        for (const FieldDesc& f : fields_) {
            if (f.name == name) return &f;
        }
        return nullptr;
    }

    std::vector<FieldDesc> fields_;
    uint32_t recordLength_ = 1;
};

Layout Ledger() {
    Layout l;
    l.add("NAME", 'C', 12)
        .add("ACCNO", 'N', 4)
        .add("INCACC", 'N', 4)
        .add("AMOUNT", 'N', 10, 2)
        .add("RATE", 'N', 8, 3)
        .add("INCDATE", 'D', 8)
        .add("EXPDATE", 'D', 8)
        .add("PAID", 'L', 1)
        .add("FOLNO", 'N', 4)
        .add("NOTE", 'M', 10)
        .add("RATIO", 'F', 6);
    return l;
}

std::string Key(const Expr& e, const std::vector<char>& record) {
    std::string out;
    e.key(record.data(), out);
    EXPECT_EQ(out.size(), e.keyLength());
    return out;
}

Expr MustParse(const std::string& text, const Layout& layout) {
    Expr e;
    Status st = Expr::parse(text, layout.fields(), e);
    EXPECT_TRUE(st.ok()) << st.message;
    EXPECT_FALSE(e.empty());
    return e;
}

std::string Str(double v, int len, int dec) {
    std::string out;
    FormatNumber(v, len, dec, out);
    return out;
}

std::string NumKey(double v, int len, int dec) {
    std::string out;
    NumericKey(v, len, dec, out);
    EXPECT_EQ(out.size(), static_cast<size_t>(len));
    return out;
}

TEST(ExprTest, CharacterFieldIsItsText) {
    Layout l = Ledger();
    Expr e = MustParse("NAME", l);
    EXPECT_EQ(e.type(), ExprType::Char);
    EXPECT_EQ(e.keyLength(), 12);
    EXPECT_EQ(e.keyDecimals(), 0);
    EXPECT_EQ(e.text(), "NAME");
    EXPECT_EQ(Key(e, l.record({{"NAME", "Smith"}})), "Smith       ");
}

TEST(ExprTest, OtherFieldTypesAreRawText) {
    Layout l = Ledger();
    Expr memo = MustParse("NOTE", l);
    EXPECT_EQ(memo.type(), ExprType::Char);
    EXPECT_EQ(Key(memo, l.record({{"NOTE", "0000000042"}})), "0000000042");

    Expr joined = MustParse("RATIO + NAME", l);
    EXPECT_EQ(joined.keyLength(), 18);
    EXPECT_EQ(Key(joined, l.record({{"RATIO", "1.5"}, {"NAME", "X"}})), "1.5   X           ");

    Expr bad;
    EXPECT_EQ(Expr::parse("STR(RATIO)", l.fields(), bad).code, e4expr);
}

TEST(ExprTest, StrDefaultsToTenWideNoDecimals) {
    Layout l = Ledger();
    Expr e = MustParse("STR(AMOUNT)", l);
    EXPECT_EQ(e.type(), ExprType::Char);
    EXPECT_EQ(e.keyLength(), 10);
    EXPECT_EQ(Key(e, l.record({{"AMOUNT", "1234.56"}})), "      1235");
    EXPECT_EQ(Key(e, l.record({{"AMOUNT", "-7.25"}})), "        -7");
    EXPECT_EQ(Key(e, l.record({})), "         0");
}

TEST(ExprTest, StrWithLengthAndDecimals) {
    Layout l = Ledger();
    Expr e = MustParse("STR(AMOUNT, 10, 2)", l);
    EXPECT_EQ(Key(e, l.record({{"AMOUNT", "-1234.5"}})), "  -1234.50");
    EXPECT_EQ(Key(e, l.record({{"AMOUNT", "12"}})), "     12.00");

    Expr rate = MustParse("STR(RATE,6,2)", l);
    EXPECT_EQ(Key(rate, l.record({{"RATE", "2.675"}})), "  2.68");
    EXPECT_EQ(Key(rate, l.record({{"RATE", "-2.675"}})), " -2.68");
    EXPECT_EQ(Key(rate, l.record({{"RATE", "2.665"}})), "  2.67");
    EXPECT_EQ(Key(rate, l.record({{"RATE", "2.664"}})), "  2.66");
}

TEST(ExprTest, StrOfANumberAtItsOwnWidthReadsTheNumber) {
    Layout l = Ledger();
    Expr e = MustParse("STR(ACCNO,4)", l);
    const std::pair<const char*, const char*> cases[] = {
        {"12", "  12"},   {"-7", "  -7"}, {"0", "   0"},   {"0012", "  12"}, {"-0", "   0"},
        {"-012", " -12"}, {"", "   0"},   {"1 2", "   0"}, {"12.", "  12"},  {"9999", "9999"}};
    for (const auto& [stored, key] : cases)
        EXPECT_EQ(Key(e, l.record({{"ACCNO", stored}})), key) << stored;
}

TEST(ExprTest, StrOverflowIsAllStars) {
    Layout l = Ledger();
    Expr e = MustParse("STR(ACCNO,2)", l);
    EXPECT_EQ(Key(e, l.record({{"ACCNO", "123"}})), "**");
    EXPECT_EQ(Key(e, l.record({{"ACCNO", "99"}})), "99");
    EXPECT_EQ(Key(e, l.record({{"ACCNO", "-9"}})), "-9");
    EXPECT_EQ(Key(e, l.record({{"ACCNO", "-10"}})), "**");
}

TEST(ExprTest, FormatNumberRoundsHalfAwayFromZero) {
    EXPECT_EQ(Str(2.5, 3, 0), "  3");
    EXPECT_EQ(Str(-2.5, 3, 0), " -3");
    EXPECT_EQ(Str(0.125, 5, 2), " 0.13");
    EXPECT_EQ(Str(-0.125, 5, 2), "-0.13");
    // 1.005 is 1.00499999... in binary; the decimal the user typed must win.
    EXPECT_EQ(Str(1.005, 6, 2), "  1.01");
    EXPECT_EQ(Str(9.995, 6, 2), " 10.00");
    EXPECT_EQ(Str(0.0, 4, 0), "   0");
    EXPECT_EQ(Str(1234567.0, 10, 0), "   1234567");
    EXPECT_EQ(Str(0.5, 10, 0), "         1");
    EXPECT_EQ(Str(0.4, 10, 0), "         0");
}

TEST(ExprTest, FormatNumberHasNoNegativeZero) {
    EXPECT_EQ(Str(-0.004, 6, 2), "  0.00");
    EXPECT_EQ(Str(-0.4, 3, 0), "  0");
    EXPECT_EQ(NumKey(-0.004, 6, 2), "000.00");
}

TEST(ExprTest, FormatNumberOverflow) {
    EXPECT_EQ(Str(12345, 4, 0), "****");
    EXPECT_EQ(Str(9999, 4, 0), "9999");
    EXPECT_EQ(Str(-999, 3, 0), "***");
    EXPECT_EQ(Str(-99, 3, 0), "-99");
    EXPECT_EQ(Str(99.995, 5, 2), "*****");  // rounds up to 100.00
    EXPECT_EQ(Str(99.994, 5, 2), "99.99");
    EXPECT_EQ(Str(1e300, 10, 0), "**********");
    EXPECT_EQ(Str(0.5, 3, 2), "***");
}

TEST(ExprTest, ParseNumber) {
    EXPECT_DOUBLE_EQ(ParseNumber("  12.50"), 12.5);
    EXPECT_DOUBLE_EQ(ParseNumber("-3"), -3.0);
    EXPECT_DOUBLE_EQ(ParseNumber("  -3.25  "), -3.25);
    EXPECT_DOUBLE_EQ(ParseNumber("+7"), 7.0);
    EXPECT_DOUBLE_EQ(ParseNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseNumber("5."), 5.0);
    EXPECT_DOUBLE_EQ(ParseNumber("0012"), 12.0);
    EXPECT_EQ(ParseNumber(""), 0.0);
    EXPECT_EQ(ParseNumber("    "), 0.0);
    EXPECT_EQ(ParseNumber("abc"), 0.0);
    EXPECT_EQ(ParseNumber("12abc"), 0.0);
    EXPECT_EQ(ParseNumber("1.2.3"), 0.0);
    EXPECT_EQ(ParseNumber("-"), 0.0);
    EXPECT_EQ(ParseNumber("****"), 0.0);
    EXPECT_EQ(ParseNumber("1 2"), 0.0);
    EXPECT_EQ(ParseNumber("inf"), 0.0);
}

TEST(ExprTest, ParseNumberGivesTheCorrectlyRoundedValueOfEveryShortDecimal) {
    uint64_t state = 12345;
    auto next = [&] { return state = state * 6364136223846793005ULL + 1442695040888963407ULL; };
    for (int n = 0; n < 20000; ++n) {
        const int digits = 1 + static_cast<int>(next() >> 60) % 16;
        std::string text;
        for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + (next() >> 33) % 10);
        const int point = static_cast<int>((next() >> 40) % (digits + 1));
        text.insert(static_cast<size_t>(point), ".");
        if (next() & 1) text.insert(0, "-");
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected, std::chars_format::fixed);
        const double got = ParseNumber(text);
        EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << text;
    }
}

TEST(ExprTest, DtosIsCcyymmddAndBlankStaysBlank) {
    Layout l = Ledger();
    Expr e = MustParse("DTOS(INCDATE)", l);
    EXPECT_EQ(e.type(), ExprType::Char);
    EXPECT_EQ(e.keyLength(), 8);
    EXPECT_EQ(Key(e, l.record({{"INCDATE", "20240131"}})), "20240131");
    EXPECT_EQ(Key(e, l.record({})), "        ");
}

TEST(ExprTest, BareDateFieldKey) {
    Layout l = Ledger();
    Expr e = MustParse("EXPDATE", l);
    EXPECT_EQ(e.type(), ExprType::Date);
    EXPECT_EQ(e.keyLength(), 8);
    EXPECT_EQ(Key(e, l.record({{"EXPDATE", "19991231"}})), "19991231");
    EXPECT_EQ(Key(e, l.record({})), "        ");
}

TEST(ExprTest, ShortDateFieldAtRecordEndIsPaddedNotOverread) {
    Layout l;
    l.add("NAME", 'C', 3).add("D", 'D', 6);
    Expr e = MustParse("DTOS(D)", l);
    EXPECT_EQ(Key(e, l.record({{"D", "202401"}})), "202401  ");
}

TEST(ExprTest, OverwideDateFieldGivesItsFirstEightCharacters) {
    Layout l;
    l.add("D", 'D', 10).add("NAME", 'C', 2);
    Expr e = MustParse("DTOS(D)+NAME", l);
    EXPECT_EQ(e.keyLength(), 10);
    EXPECT_EQ(Key(e, l.record({{"D", "20240131XX"}, {"NAME", "AB"}})), "20240131AB");
}

TEST(ExprTest, ConcatenationOfStrAndDtos) {
    Layout l = Ledger();
    auto rec = l.record({{"INCACC", "17"}, {"INCDATE", "20230705"}});

    Expr e = MustParse("Str(IncAcc,4,0)+DTOS(INCDATE)", l);
    EXPECT_EQ(e.type(), ExprType::Char);
    EXPECT_EQ(e.keyLength(), 12);
    EXPECT_EQ(Key(e, rec), "  1720230705");

    Expr f = MustParse("DTOS(EXPDATE) + STR(ACCNO,4)", l);
    EXPECT_EQ(f.keyLength(), 12);
    EXPECT_EQ(Key(f, l.record({{"EXPDATE", "20221231"}, {"ACCNO", "4001"}})), "202212314001");

    Expr g = MustParse("NAME + DTOS(INCDATE) + STR(ACCNO,4) + NAME", l);
    EXPECT_EQ(g.keyLength(), 12 + 8 + 4 + 12);
    EXPECT_EQ(Key(g, l.record({{"NAME", "Ann"}, {"INCDATE", "20200101"}, {"ACCNO", "5"}})),
              "Ann         20200101   5Ann         ");
}

TEST(ExprTest, CaseAndBlanksDoNotMatter) {
    Layout l = Ledger();
    auto rec = l.record({{"ACCNO", "42"}, {"INCDATE", "20240229"}, {"NAME", "Bo"}});
    std::string reference = Key(MustParse("STR(ACCNO,4)+DTOS(INCDATE)+NAME", l), rec);
    EXPECT_EQ(reference, "  4220240229Bo          ");
    for (const char* text :
         {"str(accno,4)+dtos(incdate)+name", "  Str ( AccNo , 4 ) + DtoS( IncDate )+Name  ",
          "\tSTR(ACCNO,\t4)+DTOS (INCDATE) + ( name )", "STR((ACCNO),4)+(DTOS(INCDATE))+NAME"}) {
        Expr e = MustParse(text, l);
        EXPECT_EQ(e.text(), text);
        EXPECT_EQ(Key(e, rec), reference) << text;
    }
}

TEST(ExprTest, NumericFieldKeyUsesNtxForm) {
    Layout l = Ledger();
    Expr e = MustParse("FOLNO", l);
    EXPECT_EQ(e.type(), ExprType::Numeric);
    EXPECT_EQ(e.keyLength(), 4);
    EXPECT_EQ(e.keyDecimals(), 0);
    EXPECT_EQ(Key(e, l.record({{"FOLNO", "12"}})), "0012");
    EXPECT_EQ(Key(e, l.record({{"FOLNO", "-12"}})), ",,+*");
    EXPECT_EQ(Key(e, l.record({})), "0000");

    Expr amount = MustParse("(amount)", l);
    EXPECT_EQ(amount.type(), ExprType::Numeric);
    EXPECT_EQ(amount.keyLength(), 10);
    EXPECT_EQ(amount.keyDecimals(), 2);
    EXPECT_EQ(Key(amount, l.record({{"AMOUNT", "3.5"}})), "0000003.50");
    EXPECT_EQ(Key(amount, l.record({{"AMOUNT", "-5"}})), ",,,,,,',,,");
}

TEST(ExprTest, NumericKeyExactBytes) {
    EXPECT_EQ(NumKey(3, 8, 2), "00003.00");
    EXPECT_EQ(NumKey(20, 8, 2), "00020.00");
    EXPECT_EQ(NumKey(0, 8, 2), "00000.00");
    // "   -5.00": blanks, sign and point become ',', the digit 5 becomes 92 - '5' = '\''.
    EXPECT_EQ(NumKey(-5, 8, 2), ",,,,',,,");
    EXPECT_EQ(NumKey(-100, 8, 2), ",,+,,,,,");
    EXPECT_EQ(NumKey(-9, 4, 0), ",,,#");
    EXPECT_EQ(NumKey(1234, 4, 0), "1234");
}

TEST(ExprTest, NumericKeyOverflow) {
    EXPECT_EQ(NumKey(12345, 4, 0), "9999");
    EXPECT_EQ(NumKey(-12345, 4, 0), ",,,,");
    EXPECT_EQ(NumKey(-1000, 4, 0), ",,,,");
    EXPECT_EQ(NumKey(-999, 4, 0), ",###");
}

void ExpectAscendingKeys(const std::vector<double>& values, int len, int dec) {
    for (size_t i = 1; i < values.size(); ++i) {
        std::string a = NumKey(values[i - 1], len, dec);
        std::string b = NumKey(values[i], len, dec);
        EXPECT_LT(a, b) << values[i - 1] << " vs " << values[i] << " at width " << len << "."
                        << dec;
    }
}

TEST(ExprTest, NumericKeysSortInNumericOrder) {
    ExpectAscendingKeys({-100, -5, -0.5, 0, 3, 20}, 8, 2);
    ExpectAscendingKeys({-100, -5, -0.5, 0, 3, 20}, 4, 0);
    ExpectAscendingKeys(
        {-9999.99, -1000, -10.01, -10, -9.99, -1, -0.01, 0, 0.01, 1, 9.99, 10, 99999.99}, 8, 2);
}

TEST(ExprTest, NumericKeysSortInNumericOrderOverWholeRange) {
    std::vector<double> hundredths;
    for (int i = -9999; i <= 99999; i += 7) hundredths.push_back(i / 100.0);
    ExpectAscendingKeys(hundredths, 8, 2);

    std::vector<double> integers;
    for (int i = -999; i <= 9999; ++i) integers.push_back(i);
    ExpectAscendingKeys(integers, 4, 0);
}

TEST(ExprTest, NotDeleted) {
    Layout l = Ledger();
    Expr e = MustParse(".NOT. DELETED()", l);
    EXPECT_EQ(e.type(), ExprType::Logical);
    EXPECT_EQ(e.keyLength(), 1);
    auto live = l.record({});
    auto gone = l.record({}, true);
    EXPECT_TRUE(e.truth(live.data()));
    EXPECT_FALSE(e.truth(gone.data()));
    EXPECT_EQ(Key(e, live), "T");
    EXPECT_EQ(Key(e, gone), "F");

    Expr d = MustParse("deleted( )", l);
    EXPECT_FALSE(d.truth(live.data()));
    EXPECT_TRUE(d.truth(gone.data()));

    Expr twice = MustParse(".not.(.NOT. Deleted())", l);
    EXPECT_FALSE(twice.truth(live.data()));
    EXPECT_TRUE(twice.truth(gone.data()));
}

TEST(ExprTest, LogicalField) {
    Layout l = Ledger();
    Expr e = MustParse("PAID", l);
    Expr n = MustParse(".NOT.PAID", l);
    EXPECT_EQ(e.type(), ExprType::Logical);
    EXPECT_EQ(e.keyLength(), 1);
    for (const char* v : {"T", "t", "Y", "y"}) {
        auto rec = l.record({{"PAID", v}});
        EXPECT_TRUE(e.truth(rec.data())) << v;
        EXPECT_FALSE(n.truth(rec.data())) << v;
        EXPECT_EQ(Key(e, rec), "T") << v;
    }
    for (const char* v : {"F", "f", "N", "n", " ", "?"}) {
        auto rec = l.record({{"PAID", v}});
        EXPECT_FALSE(e.truth(rec.data())) << v;
        EXPECT_TRUE(n.truth(rec.data())) << v;
        EXPECT_EQ(Key(e, rec), "F") << v;
    }
}

TEST(ExprTest, TruthOfNonLogicalIsFalse) {
    Layout l = Ledger();
    auto rec = l.record({{"NAME", "T"}, {"PAID", "T"}});
    EXPECT_FALSE(MustParse("NAME", l).truth(rec.data()));
    EXPECT_FALSE(MustParse("FOLNO", l).truth(rec.data()));
}

TEST(ExprTest, KeyReusesOutputBuffer) {
    Layout l = Ledger();
    Expr e = MustParse("STR(AMOUNT,12,2)+DTOS(INCDATE)+NAME", l);
    auto a = l.record({{"AMOUNT", "1.5"}, {"NAME", "A"}});
    auto b = l.record({{"AMOUNT", "-2"}, {"NAME", "B"}, {"INCDATE", "20000101"}});
    std::string out;
    out.reserve(e.keyLength());
    const char* buffer = out.data();
    e.key(a.data(), out);
    EXPECT_EQ(out, "        1.50        A           ");
    e.key(b.data(), out);
    EXPECT_EQ(out, "       -2.0020000101B           ");
    EXPECT_EQ(out.data(), buffer);
}

TEST(ExprTest, MovedExpressionStillEvaluates) {
    Layout l = Ledger();
    Expr a = MustParse("FOLNO", l);
    Expr b(std::move(a));
    EXPECT_EQ(Key(b, l.record({{"FOLNO", "7"}})), "0007");
    Expr c;
    EXPECT_TRUE(c.empty());
    EXPECT_EQ(c.keyLength(), 0);
    c = std::move(b);
    EXPECT_EQ(Key(c, l.record({{"FOLNO", "8"}})), "0008");
}

// Each refusal must be e4expr, name the expression, say what is wrong, and leave the target empty.
void ExpectRefused(const std::string& text, const std::string& fault) {
    Layout l = Ledger();
    Expr e = MustParse("NAME", l);
    Status st = Expr::parse(text, l.fields(), e);
    EXPECT_EQ(st.code, e4expr) << text;
    EXPECT_NE(st.message.find("\"" + text + "\""), std::string::npos) << st.message;
    EXPECT_NE(st.message.find(fault), std::string::npos)
        << "expected '" << fault << "' in: " << st.message;
    EXPECT_TRUE(e.empty()) << text;
    EXPECT_EQ(e.keyLength(), 0);
}

TEST(ExprTest, RefusesUnknownNames) {
    ExpectRefused("UPPER(NAME)", "unknown function UPPER");
    ExpectRefused("NOSUCH", "unknown field NOSUCH");
    ExpectRefused("STR(NOSUCH,4)", "unknown field NOSUCH");
    ExpectRefused("DELETED", "unknown field DELETED");
}

TEST(ExprTest, RefusesTypeMismatches) {
    ExpectRefused("STR(NAME)", "numeric argument");
    ExpectRefused("STR(INCDATE,8)", "numeric argument");
    ExpectRefused("DTOS(ACCNO)", "date argument");
    ExpectRefused("DTOS(NAME)", "date argument");
    ExpectRefused("ACCNO + NAME", "left side is numeric");
    ExpectRefused("NAME + ACCNO", "right side is numeric");
    ExpectRefused("INCDATE + NAME", "left side is date");
    ExpectRefused("INCDATE + EXPDATE", "left side is date");
    ExpectRefused("PAID + NAME", "left side is logical");
    ExpectRefused(".NOT. NAME", ".NOT. needs a logical");
    ExpectRefused(".NOT. STR(ACCNO)", ".NOT. needs a logical");
    ExpectRefused("FOLNO + FOLNO", "left side is numeric");
}

TEST(ExprTest, RefusesMalformedText) {
    ExpectRefused("", "empty");
    ExpectRefused("   ", "empty");
    ExpectRefused("NAME NAME", "unexpected 'NAME'");
    ExpectRefused("NAME)", "')' without a matching '('");
    ExpectRefused("STR(ACCNO", "never closed");
    ExpectRefused("(NAME", "never closed");
    ExpectRefused("((NAME)", "never closed");
    ExpectRefused("()", "empty parentheses");
    ExpectRefused("NAME +", "missing");
    ExpectRefused("+ NAME", "missing");
    ExpectRefused(".NOT.", "nothing to negate");
    ExpectRefused("DELETED(1)", "takes no argument");
    ExpectRefused("DTOS()", "needs a date argument");
    ExpectRefused("DTOS(INCDATE, 2)", "one argument");
    ExpectRefused("STR()", "needs a numeric argument");
    ExpectRefused("STR(ACCNO,4,0,1)", "at most three");
    ExpectRefused("STR(ACCNO, 0)", "length of STR()");
    ExpectRefused("STR(ACCNO, 300)", "length of STR()");
    ExpectRefused("STR(ACCNO, X)", "whole number");
    ExpectRefused("STR(ACCNO, 4.5)", "whole number");
    ExpectRefused("STR(ACCNO, -4)", "whole number");
    ExpectRefused("STR(ACCNO, 4, 3)", "no room");
    ExpectRefused("STR(ACCNO, 4 2)", "expected ')'");
    ExpectRefused("42", "number is allowed only");
    ExpectRefused("NAME = 'X'", "unexpected '='");
    ExpectRefused("PAID .AND. DELETED()", "unexpected '.AND.'");
    ExpectRefused(".T.", "unsupported operator '.T.'");
    ExpectRefused("\"Smith\"", "unexpected '\"'");
}

// Found by fuzzing: thousands of '(' overflowed the stack of the recursive parser.
TEST(ExprTest, DeepNestingIsRefusedNotRecursedInto) {
    ExpectRefused(std::string(5000, '(') + "NAME" + std::string(5000, ')'), "nested more than");
    std::string nots;
    for (int i = 0; i < 3000; ++i) nots += ".NOT. ";
    ExpectRefused(nots + "PAID", "nested more than");
    Layout l = Ledger();
    Expr e = MustParse(std::string(50, '(') + "NAME" + std::string(50, ')'), l);
    EXPECT_EQ(e.keyLength(), MustParse("NAME", l).keyLength());
}

}  // namespace
}  // namespace xb

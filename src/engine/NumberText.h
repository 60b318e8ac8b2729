// The texts of numbers as xBase files hold them: the STR() form of numeric fields, the NTX numeric
// key form, and the reading of a numeric field's text. The buffer forms write exactly len bytes and
// allocate nothing, for the evaluation of index keys.
#pragma once

#include <string>
#include <string_view>

namespace xb {

// The NTX numeric key form: the number formatted as STR(v, len, dec); a non-negative number has
// its leading blanks turned into '0'; a negative number has every digit d turned into the byte
// 92 - d and every other character into ',', so that every negative sorts before every positive
// and larger magnitudes of negatives sort first. A value that does not fit is all '9' (positive)
// or all ',' (negative).
void NumericKey(double value, int len, int dec, std::string& out);

// Reads the text of a numeric field or a typed number ("  12.50", "-3", "") as a double; blank
// text is 0. Leading and trailing blanks are ignored; text that is not a number reads as 0.
double ParseNumber(std::string_view text);
// ParseNumber's value cut to an integer, the usual right-aligned integer text read from its digits.
long IntegerText(std::string_view text);
// ParseNumber's value in whole cents (rounded), the usual text of an amount (blanks, a sign,
// digits, a point and two decimals) read from its digits.
long long CentsText(std::string_view text);

// STR(value, len, dec): right-aligned, rounded to dec decimals, all '*' when it does not fit.
void FormatNumber(double value, int len, int dec, std::string& out);

// STR(value, len, dec) into dst[0..len). Rounding works on the shortest decimal text that reads
// back as the same double, so a stored 1.005 rounds to 1.01 the way a bookkeeper expects, not to
// 1.00 as the binary value 1.00499999... would. Returns false (dst all '*') when it does not fit;
// negative tells whether the text written carries a minus sign.
bool FormatInto(double value, int len, int dec, char* dst, bool& negative);
// NumericKey into dst[0..len).
void NumericKeyInto(double value, int len, int dec, char* dst);

}  // namespace xb

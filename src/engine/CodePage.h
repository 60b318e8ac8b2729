// Text between the tables' code page and the program's: every text a table stores is Windows-1252
// and everything above the engine speaks UTF-8. The conversion is total: Windows-1252 bytes 0x81,
// 0x8D, 0x8F, 0x90 and 0x9D map to the same code points (C1) so that any byte survives a round
// trip, and code points that Windows-1252 lacks become '?'.
#pragma once

#include <string>
#include <string_view>

namespace xb {

std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text);

}  // namespace xb

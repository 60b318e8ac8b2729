// Names as xBase matches them (tables, fields, tags, files): ASCII letters compared and stored
// without regard to case, every other byte as it is. Pure text functions; the file system is
// reached through Files.h.
#pragma once

#include <string>
#include <string_view>

namespace xb {

bool SameIgnoringCase(std::string_view a, std::string_view b);
std::string UpperAscii(std::string_view text);
// Whether name ends with ext (".dbf") ignoring case.
bool HasExtension(std::string_view name, std::string_view ext);

}  // namespace xb

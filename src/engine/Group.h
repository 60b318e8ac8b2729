// Group files (.cgp): the list of a table's index tags.
//
// The format is ours: a text file whose first line is the signature "KVL-CGP 1", followed by one
// tag name per line (the tag's file is that name with ".ntx", found in the table's directory
// ignoring case). Blank lines and lines starting with '#' are ignored; trailing blanks and a
// carriage return are trimmed, so the file may be edited by hand on any system. A file without the
// signature, with a name longer than 10 characters or holding characters that cannot stand in a
// file name, or with more than 47 tags, is refused with e4index.
#pragma once

#include <string>
#include <vector>

#include "engine/Status.h"

namespace xb {

inline constexpr const char* kGroupSignature = "KVL-CGP 1";

Status ReadGroup(const std::string& path, std::vector<std::string>& tags);
// Written beside the target and renamed over it.
Status WriteGroup(const std::string& path, const std::vector<std::string>& tags);

}  // namespace xb

// The arguments of kvl-cli report that need more than parsing: the period's dates and the folder
// selection. Each complains on stderr ("kvl-cli report: ...") when it refuses.
#pragma once

#include <QDate>
#include <string>
#include <vector>

namespace kvl::cli {

inline constexpr char kCommand[] = "report";

// text as YYYY-MM-DD into *date (left as it is when text is empty). A date outside the hundred
// years that the century window stores is refused: the data files would read it a century off.
bool ReadReportDate(const std::string& text, const char* option, QDate* date);

// The folder selection of --folders over the live folders (in number order): "all" is every
// one; otherwise each number given must be a live folder, and the selection keeps the list's
// order. Without --folders one live folder is the selection, and two or more are refused.
// Returns 0, or the exit code when refused.
int ChooseReportFolders(const std::string& given, const std::vector<int>& live,
                        std::vector<int>* out);

}  // namespace kvl::cli

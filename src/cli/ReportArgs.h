// The arguments of kvl-cli report and chart that need more than parsing: the period's dates, the
// folder selection and the output file. Each complains on stderr ("kvl-cli report: ...", or the
// command given) when it refuses.
#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kvl::cli {

class DataSession;

inline constexpr char kCommand[] = "report";

// Declares --from, --through and --folders on command.
void AddPeriodOptions(CLI::App& command, std::string& from, std::string& through,
                      std::string& folders);

// text as YYYY-MM-DD into *date (left as it is when text is empty). A date outside the hundred
// years that the century window stores is refused: the data files would read it a century off.
bool ReadReportDate(const std::string& text, const char* option, QDate* date,
                    const char* command = kCommand);

// The folder selection of --folders over the live folders (in number order): "all" is every
// one; otherwise each number given must be a live folder, and the selection keeps the list's
// order. Without --folders one live folder is the selection, and two or more are refused.
// Returns 0, or the exit code when refused.
int ChooseReportFolders(const std::string& given, const std::vector<int>& live,
                        std::vector<int>* out, const char* command = kCommand);

// The folder selection of --folders over the live folders of the data set in the current
// directory. Returns 0, or the exit code: 1 after the engine's message when the walk of FOLDER met
// an engine error, or after "Create folders before running reports" when there is none; that of
// ChooseReportFolders when it refuses.
int ChooseLiveFolders(const std::string& given, std::vector<int>* out,
                      const char* command = kCommand);

// Enters the data set in dir for a report or chart of from..through: its settings loaded, the
// report period set. From then on books that cannot be read (a table or tag that does not open,
// which ends the program after the open routine's message) end the command with exit 1, as a
// report or chart whose walk meets a damaged tag does, not with the 2 of bad usage. False (exit 2)
// when the data set cannot be entered.
bool OpenReportBooks(DataSession& session, const std::string& dir, const QDate& from,
                     const QDate& through, const char* command = kCommand);

// The output file named on the command line, made absolute against the directory the command was
// started in (a session then enters the data directory). Empty for none.
QString OutputPath(const std::string& given);

}  // namespace kvl::cli

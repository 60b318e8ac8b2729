// The subcommands of kvl-cli. Each takes the arguments after its name and returns the process's
// exit code: 0 success, 1 a check found a fault, 2 bad usage or bad input. Messages go to stderr.
#pragma once

#include <string>
#include <vector>

namespace kvl::cli {

using Args = std::vector<std::string>;

int CmdDump(const Args& args);
int CmdNew(const Args& args);
int CmdReindex(const Args& args);
int CmdPack(const Args& args);
int CmdCheck(const Args& args);

}  // namespace kvl::cli

// How kvl-cli's help and usage read. A command's usage line is made from what it declares:
// "usage: kvl-cli check [-d DIR] [--repair]" (arguments first, then the options in the order
// declared); the program's --help lists each command by that line and its summary.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace kvl::cli {

// "DIR [--sample] [--name TEXT]": a command's arguments and options, as its usage line shows them.
std::string UsageArguments(const CLI::App& command);

class HelpFormat : public CLI::Formatter {
  public:
    HelpFormat();
    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_subcommand(const CLI::App* sub) const override;
    std::string make_option_opts(const CLI::Option* opt) const override;
};

}  // namespace kvl::cli

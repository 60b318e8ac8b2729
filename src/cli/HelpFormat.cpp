#include "cli/HelpFormat.h"

#include <sstream>

namespace kvl::cli {

namespace {

// Options are listed in a narrow column, commands by their whole usage line.
constexpr std::size_t kOptionColumn = 16;
constexpr std::size_t kCommandColumn = 36;

bool IsCommandList(const CLI::App& app) {
    return !app.get_subcommands({}).empty();
}

}  // namespace

std::string UsageArguments(const CLI::App& command) {
    std::string out;
    auto add = [&out](const std::string& text, bool required) {
        if (!out.empty()) out += ' ';
        out += required ? text : "[" + text + "]";
    };
    for (const CLI::Option* opt : command.get_options())
        if (opt->get_positional()) add(opt->get_name(true, false), opt->get_required());
    for (const CLI::Option* opt : command.get_options()) {
        if (opt->get_positional() || opt == command.get_help_ptr() ||
            opt == command.get_version_ptr())
            continue;
        std::string text = opt->get_name(false, true);
        text = text.substr(0, text.find(','));
        if (opt->get_type_size() != 0 && !opt->get_type_name().empty())
            text += " " + opt->get_type_name();
        add(text, opt->get_required());
    }
    return out;
}

HelpFormat::HelpFormat() {
    label("Positionals", "Arguments");
    column_width(kOptionColumn);
}

std::string HelpFormat::make_help(const CLI::App* app, std::string name,
                                  CLI::AppFormatMode mode) const {
    if (mode == CLI::AppFormatMode::Sub) return Formatter::make_help(app, name, mode);
    std::ostringstream out;
    out << make_usage(app, name);
    if (!app->get_description().empty()) out << "  " << app->get_description() << "\n";
    out << make_positionals(app) << make_groups(app, mode) << make_subcommands(app, mode);
    if (!app->get_footer().empty()) out << "\n" << app->get_footer() << "\n";
    return out.str();
}

std::string HelpFormat::make_usage(const CLI::App* app, std::string name) const {
    if (IsCommandList(*app)) return "usage: " + name + " <command> [options]\n";
    const std::string arguments = UsageArguments(*app);
    return "usage: " + name + (arguments.empty() ? "" : " " + arguments) + "\n";
}

std::string HelpFormat::make_subcommand(const CLI::App* sub) const {
    std::ostringstream out;
    const std::string arguments = UsageArguments(*sub);
    CLI::detail::format_help(out, sub->get_name() + (arguments.empty() ? "" : " " + arguments),
                             sub->get_description(), kCommandColumn);
    return out.str();
}

// Arguments are named by what they are ("DIR"); a type after the name would repeat it.
std::string HelpFormat::make_option_opts(const CLI::Option* opt) const {
    return opt->get_positional() ? std::string() : Formatter::make_option_opts(opt);
}

}  // namespace kvl::cli

// kvl-cli dump: a table as the engine sees it, one line per record.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "engine/CodePage.h"
#include "engine/Engine.h"
#include "engine/Names.h"

namespace kvl::cli {

namespace {

struct DumpOptions {
    std::string table, tag, dir = ".";
};

bool IsPath(const std::string& s) {
    if (s.find('/') != std::string::npos) return true;
    return xb::HasExtension(s, ".dbf");
}

int RunDump(const std::string& table, const std::string& tag, const std::string& dir) {
    xb::Engine engine;
    engine.settings.readOnly = true;
    engine.settings.autoOpen = !tag.empty();
    std::string name = IsPath(table) ? table : (dir + "/" + table);
    xb::Table* t = engine.open(name);
    if (!t) {
        std::cerr << "kvl-cli dump: " << engine.errorMessage() << "\n";
        return 2;
    }
    if (!tag.empty()) {
        xb::Tag* tg = t->tag(tag);
        if (!tg) {
            std::cerr << "kvl-cli dump: no tag " << tag << " in the group of " << t->path() << "\n";
            return 2;
        }
        t->select(tg);
    }
    std::string out = "#recno\tdel";
    for (const auto& f : t->fields()) out += "\t" + f.name;
    out += "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    for (int rc = t->top(); rc == xb::r4success; rc = t->skip(1)) {
        out = std::to_string(t->recno());
        out += t->deleted() ? "\t*" : "\t ";
        for (const auto& f : t->fields()) {
            out += '\t';
            out += xb::Cp1252ToUtf8(std::string_view(t->record() + f.offset, f.length));
        }
        out += '\n';
        std::fwrite(out.data(), 1, out.size(), stdout);
    }
    if (engine.errorCode() < 0) {
        std::cerr << "kvl-cli dump: " << engine.errorMessage() << "\n";
        return 2;
    }
    return 0;
}

}  // namespace

Command AddDumpCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("dump", "print a table as the engine sees it");
    auto options = std::make_shared<DumpOptions>();
    command
        ->add_option("TABLE", options->table,
                     "a table name (EXP5) opened in DIR, or a path to a .dbf file")
        ->required();
    command->add_option("--tag", options->tag, "list the records the tag holds, in its order")
        ->type_name("TAG");
    AddDirOption(*command, options->dir);
    command->footer(
        "Without --tag: every record in record-number order, deleted ones included, one line\n"
        "each: the record number, '*' when deleted, then each field as stored.");
    return {command, [options] { return RunDump(options->table, options->tag, options->dir); }};
}

}  // namespace kvl::cli

// kvl-cli dump: a table as the engine sees it, one line per record.
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "engine/Engine.h"
#include "engine/Files.h"

namespace kvl::cli {

namespace {

void Usage() {
    std::cerr << "usage: kvl-cli dump TABLE [--tag TAG] [-d DIR]\n"
                 "  TABLE is a table name (EXP5) opened in DIR, or a path to a .dbf file.\n"
                 "  Without --tag: every record in record-number order, deleted ones included.\n"
                 "  With --tag: the records the tag holds, in its order.\n";
}

bool IsPath(const std::string& s) {
    if (s.find('/') != std::string::npos) return true;
    return xb::HasExtension(s, ".dbf");
}

}  // namespace

int CmdDump(const Args& args) {
    std::string table, tag, dir = ".";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            Usage();
            return 0;
        } else if (a == "--tag" && i + 1 < args.size()) {
            tag = args[++i];
        } else if (a == "-d" && i + 1 < args.size()) {
            dir = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            Usage();
            return 2;
        } else if (table.empty()) {
            table = a;
        } else {
            Usage();
            return 2;
        }
    }
    if (table.empty()) {
        Usage();
        return 2;
    }
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

}  // namespace kvl::cli

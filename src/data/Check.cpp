#include "data/Check.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string_view>

#include "data/Maintenance.h"
#include "engine/CodePage.h"
#include "engine/Engine.h"
#include "engine/Files.h"
#include "engine/Group.h"

namespace kvl {

namespace {

// Detailed lines per tag before the rest are only counted, so a tag that is wholly wrong gives a
// readable report rather than one line per record.
constexpr int kDetailLines = 5;

std::string Canonical(std::string_view expression) {
    std::string out;
    for (unsigned char c : expression) {
        if (!std::isspace(c)) out += static_cast<char>(std::toupper(c));
    }
    return out;
}

bool SameName(std::string_view a, std::string_view b) {
    return Canonical(a) == Canonical(b);
}

std::string Shown(std::string_view key) {
    return "'" + xb::Cp1252ToUtf8(key) + "'";
}

std::string TypeText(const xb::FieldDesc& f) {
    std::string text(1, f.type);
    if (f.type == 'C' || f.type == 'N') text += " " + std::to_string(f.length);
    if (f.type == 'N') text += "." + std::to_string(f.decimals);
    return text;
}

class TagFaults {
  public:
    TagFaults(TableCheck& check, const std::string& tag)
        : check_(check), prefix_("tag " + tag + ": ") {}
    ~TagFaults() {
        if (hidden_ > 0)
            check_.faults.push_back(prefix_ + std::to_string(hidden_) + " more problems");
    }
    void add(const std::string& text) {
        if (shown_ < kDetailLines) {
            check_.faults.push_back(prefix_ + text);
            ++shown_;
        } else {
            ++hidden_;
        }
    }

  private:
    TableCheck& check_;
    std::string prefix_;
    int shown_ = 0;
    long hidden_ = 0;
};

void CheckFields(xb::Table& table, const TableLayout& layout, TableCheck& check) {
    for (const xb::FieldDesc& want : layout.fields) {
        auto found =
            std::find_if(table.fields().begin(), table.fields().end(),
                         [&](const xb::FieldDesc& f) { return SameName(f.name, want.name); });
        if (found == table.fields().end()) {
            check.faults.push_back("field " + want.name + " is missing");
        } else if (found->type != want.type) {
            check.faults.push_back("field " + want.name + " is of type " + TypeText(*found) +
                                   ", expected " + TypeText(want));
        }
    }
}

void CheckGroup(const std::string& dir, const TableLayout& layout, TableCheck& check) {
    const std::string path = xb::ResolvePath(dir, layout.groupFile);
    if (!xb::FileExists(path)) {
        check.faults.push_back(std::string("group file ") + layout.groupFile + " is missing");
        return;
    }
    std::vector<std::string> listed;
    if (xb::Status s = xb::ReadGroup(path, listed); !s.ok()) {
        check.faults.push_back("group file: " + s.message);
        return;
    }
    for (const TagLayout& tag : layout.tags) {
        const auto n = std::count_if(listed.begin(), listed.end(),
                                     [&](const std::string& l) { return SameName(l, tag.name); });
        if (n == 0)
            check.faults.push_back(std::string("group ") + layout.groupFile +
                                   " does not list tag " + tag.name);
        else if (n > 1)
            check.faults.push_back(std::string("group ") + layout.groupFile + " lists tag " +
                                   tag.name + " " + std::to_string(n) + " times");
    }
    for (const std::string& name : listed) {
        const bool known = std::any_of(layout.tags.begin(), layout.tags.end(),
                                       [&](const TagLayout& t) { return SameName(name, t.name); });
        if (!known)
            check.faults.push_back(std::string("group ") + layout.groupFile + " lists tag " + name +
                                   ", which is not one of this table's");
    }
}

// The tag's header must describe the tag the program creates; otherwise its entries mean
// something else and comparing them with the records would only repeat the same fault.
bool CheckSpec(const xb::NtxSpec& spec, const TagLayout& want, const xb::Expr& key,
               TagFaults& faults) {
    bool sound = true;
    if (Canonical(spec.keyExpr) != Canonical(want.expression)) {
        faults.add("key expression is '" + spec.keyExpr + "', expected '" + want.expression + "'");
        sound = false;
    }
    if (Canonical(spec.forExpr) != Canonical(kTagFilter)) {
        faults.add("FOR condition is '" + spec.forExpr + "', expected '" + kTagFilter + "'");
        sound = false;
    }
    if (spec.unique) faults.add("is unique, expected not unique");
    if (spec.descending) faults.add("is descending, expected ascending");
    if (sound && spec.keySize != key.keyLength()) {
        faults.add("keys of " + std::to_string(spec.keySize) + " bytes, the expression gives " +
                   std::to_string(key.keyLength()));
        sound = false;
    }
    return sound;
}

struct Entry {
    std::string key;
    uint32_t recno;
};

void CheckEntries(xb::Table& table, xb::NtxIndex& index, const xb::Expr& key,
                  const xb::Expr& filter, TagFaults& faults) {
    const long count = table.recCount();
    const size_t width = key.keyLength();
    // Expected key of every record the tag must hold; an empty slot for one it must not.
    std::string expected(static_cast<size_t>(count) * width, ' ');
    std::vector<char> held(static_cast<size_t>(count) + 1, 0);
    std::vector<uint32_t> seen(static_cast<size_t>(count) + 1, 0);
    std::vector<char> deleted(static_cast<size_t>(count) + 1, 0);
    std::string scratch;
    for (long r = 1; r <= count; ++r) {
        if (table.go(r) != xb::r4success) {
            faults.add("record " + std::to_string(r) +
                       " cannot be read: " + table.engine().errorMessage());
            table.engine().takeError(0);
            continue;
        }
        deleted[r] = table.deleted() ? 1 : 0;
        if (!filter.truth(table.record())) continue;
        key.key(table.record(), scratch);
        expected.replace(static_cast<size_t>(r - 1) * width, width, scratch);
        held[r] = 1;
    }

    bool haveLast = false;
    Entry last;
    bool reportedOrder = false;
    std::vector<std::string> problems;
    index.verify(
        [&](std::string_view k, uint32_t recno) {
            if (haveLast && !reportedOrder &&
                (k < last.key || (k == last.key && recno <= last.recno))) {
                faults.add("entries out of order at record " + std::to_string(recno));
                reportedOrder = true;
            }
            last.key.assign(k);
            last.recno = recno;
            haveLast = true;
            if (recno < 1 || recno > static_cast<uint32_t>(count)) {
                faults.add("entry for record " + std::to_string(recno) +
                           ", which the table does not hold");
                return;
            }
            if (!held[recno]) {
                faults.add(
                    "entry for record " + std::to_string(recno) +
                    (deleted[recno] ? ", which is deleted" : ", which the tag must not hold"));
                return;
            }
            ++seen[recno];
            std::string_view want(expected.data() + (recno - 1) * width, width);
            if (k != want)
                faults.add("record " + std::to_string(recno) + " is under key " + Shown(k) +
                           " but its key is " + Shown(want));
        },
        problems);
    for (const std::string& p : problems) faults.add(p);
    for (long r = 1; r <= count; ++r) {
        if (held[r] && seen[r] == 0)
            faults.add("record " + std::to_string(r) + " has no entry");
        else if (seen[r] > 1)
            faults.add("record " + std::to_string(r) + " has " + std::to_string(seen[r]) +
                       " entries");
    }
}

void CheckTag(const std::string& dir, xb::Table& table, const TagLayout& want, TableCheck& check) {
    TagFaults faults(check, want.name);
    const std::string path = xb::ResolvePath(dir, want.fileName());
    if (!xb::FileExists(path)) {
        faults.add("file " + want.fileName() + " is missing");
        return;
    }
    std::unique_ptr<xb::NtxIndex> index;
    if (xb::Status s = xb::NtxIndex::open(path, true, index); !s.ok()) {
        faults.add(s.message);
        return;
    }
    ++check.tags;
    xb::Expr key, filter;
    if (xb::Status s = xb::Expr::parse(want.expression, table.fields(), key); !s.ok()) {
        faults.add(s.message);
        return;
    }
    if (xb::Status s = xb::Expr::parse(kTagFilter, table.fields(), filter); !s.ok()) {
        faults.add(s.message);
        return;
    }
    if (!CheckSpec(index->spec(), want, key, faults)) return;
    CheckEntries(table, *index, key, filter, faults);
}

}  // namespace

TableCheck CheckTable(const std::string& dir, const TableLayout& layout) {
    TableCheck check;
    check.table = layout.name;
    const std::string path = xb::ResolvePath(dir, layout.fileName);
    if (!xb::FileExists(path)) {
        check.faults.push_back(std::string("table file ") + layout.fileName + " is missing");
        return check;
    }
    xb::Engine engine;
    engine.settings.readOnly = true;
    engine.settings.autoOpen = false;
    xb::Table* table = engine.open(path);
    if (!table) {
        check.faults.push_back(engine.errorMessage());
        return check;
    }
    check.records = table->recCount();
    const size_t before = check.faults.size();
    CheckFields(*table, layout, check);
    check.readable = check.faults.size() == before;
    CheckGroup(dir, layout, check);
    if (check.readable) {
        for (const TagLayout& tag : layout.tags) CheckTag(dir, *table, tag, check);
    }
    // Opened read-only: closing writes nothing that could fail the check.
    (void)engine.closeAll();
    return check;
}

std::vector<TableCheck> CheckDataSet(const std::string& dir) {
    std::vector<TableCheck> checks;
    for (const TableLayout* table : DataTableLayouts()) checks.push_back(CheckTable(dir, *table));
    return checks;
}

bool TableFileFits(const std::string& path, const TableLayout& layout, std::string* why) {
    auto fail = [&](std::string reason) {
        const std::string prefix = path + ": ";
        if (reason.compare(0, prefix.size(), prefix) == 0) reason.erase(0, prefix.size());
        if (why) *why = reason;
        return false;
    };
    xb::Engine engine;
    engine.settings.readOnly = true;
    engine.settings.autoOpen = false;
    xb::Table* table = engine.open(path);
    if (!table) return fail(engine.errorMessage());
    TableCheck check;
    CheckFields(*table, layout, check);
    if (!check.ok()) return fail(check.faults.front());
    for (long r = 1; r <= table->recCount(); ++r) {
        if (table->go(r) != xb::r4success) return fail(engine.errorMessage());
    }
    return true;
}

std::vector<std::string> CheckLines(const TableCheck& check) {
    std::vector<std::string> lines;
    if (check.ok()) {
        lines.push_back("OK " + check.table + ": " + std::to_string(check.records) + " records, " +
                        std::to_string(check.tags) + (check.tags == 1 ? " tag" : " tags"));
        return lines;
    }
    for (const std::string& fault : check.faults)
        lines.push_back("FAULT " + check.table + ": " + fault);
    return lines;
}

std::vector<std::string> RepairIndexes(const std::vector<TableCheck>& checks) {
    std::vector<std::string> rebuilt;
    for (const TableCheck& check : checks) {
        if (check.ok() || !check.readable) continue;
        const TableLayout* layout = FindLayout(check.table);
        if (!layout || !layout->hasIndex()) continue;
        RebuildTableIndex(*layout);
        rebuilt.push_back(check.table);
    }
    return rebuilt;
}

}  // namespace kvl

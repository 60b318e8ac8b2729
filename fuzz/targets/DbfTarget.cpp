// fuzz_dbf: arbitrary bytes opened as a table.
#include <algorithm>
#include <string>

#include "engine/CodePage.h"
#include "engine/Engine.h"
#include "targets/Support.h"
#include "targets/Targets.h"

namespace kvlfuzz {

namespace {

// Bounds that keep one input quick; the fuzzer's inputs are small anyway.
constexpr long kMaxScan = 4096;
constexpr long kMaxChanged = 64;

void TouchFields(xb::Table& t, std::string& sink) {
    for (const xb::FieldDesc& f : t.fields()) {
        xb::Field* h = t.field(f.name);
        Require(h != nullptr, "a field the table lists cannot be found by its name");
        // Foreign files may repeat a name; the handle is then the first field of that name.
        std::string_view raw = h->raw();
        Require(raw.size() == h->desc().length, "a field's text is not its width");
        sink += xb::Cp1252ToUtf8(raw);
        sink += h->truth() ? 'T' : 'F';
        std::string n;
        xb::FormatNumber(h->number(), 20, 4, n);
        Require(n.size() == 20, "a formatted number is not its width");
    }
}

// Reads every record forwards, a few backwards and some by number.
long Scan(xb::Table& t) {
    std::string sink;
    const long count = t.recCount();
    long seen = 0;
    for (int rc = t.top(); rc == xb::r4success && seen < kMaxScan; rc = t.skip(1)) {
        ++seen;
        Require(t.recno() == seen, "record-number order skipped a record");
        TouchFields(t, sink);
    }
    if (count <= kMaxScan) Require(seen == count, "a scan did not reach every record");
    int steps = 0;
    for (int rc = t.bottom(); rc == xb::r4success && steps < 16; rc = t.skip(-1)) ++steps;
    for (long r : {1L, count / 2, count}) {
        if (r < 1 || r > count) continue;
        Require(t.go(r) == xb::r4success, "a record the table counts cannot be reached");
        TouchFields(t, sink);
    }
    return seen;
}

}  // namespace

int FuzzDbf(const uint8_t* data, size_t size) {
    const std::string path = ScratchDir() + "/F.dbf";
    if (!WriteFile(path, data, size)) return 0;
    long count = 0;
    long live = 0;
    {
        xb::Engine e;
        e.settings.autoOpen = false;
        e.settings.readOnly = true;
        xb::Table* t = e.open(path);
        if (!t) {
            Require(e.errorCode() < 0 && !e.errorMessage().empty(),
                    "a refused table leaves no error");
            return 0;
        }
        count = t->recCount();
        Require(count == static_cast<long>(t->file().recordCount()), "two record counts differ");
        Scan(*t);
        if (count > kMaxChanged) return 0;
        for (long r = 1; r <= count; ++r) {
            Require(t->go(r) == xb::r4success, "a counted record cannot be read");
            if (!t->deleted()) ++live;
        }
    }

    // Small tables are changed too: one record added, the first deleted, the table packed.
    xb::Engine e;
    e.settings.autoOpen = false;
    xb::Table* t = e.open(path);
    Require(t != nullptr, "a table that opened read-only does not open for writing");
    Require(t->appendBlank() == xb::r4success, "appending a blank record failed");
    std::string text(data, data + std::min<size_t>(size, 40));
    for (const xb::FieldDesc& f : t->fields()) t->field(f.name)->assign(text);
    const std::string written(t->record(), t->file().recordLength());
    Require(t->refresh() == xb::r4success, "storing an appended record failed");
    if (count > 0) {
        Require(t->go(1) == xb::r4success, "the first record cannot be reached");
        if (!t->deleted()) --live;
        t->setDeleted(true);
    }
    Require(t->pack() == xb::r4success, "packing failed");
    Require(e.closeAll() == xb::r4success, "closing failed");

    xb::Engine check;
    check.settings.autoOpen = false;
    check.settings.readOnly = true;
    t = check.open(path);
    Require(t != nullptr, "a packed table does not open");
    Require(t->recCount() == live + 1, "the packed table holds the wrong number of records");
    Require(t->go(t->recCount()) == xb::r4success, "the appended record cannot be read");
    Require(std::string(t->record(), t->file().recordLength()) == written,
            "the appended record did not keep its text");
    Scan(*t);
    return 0;
}

}  // namespace kvlfuzz

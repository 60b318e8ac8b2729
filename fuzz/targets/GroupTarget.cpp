// fuzz_cgp: arbitrary bytes as the group file of a table that has two tag files, X and Y.
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/Files.h"
#include "engine/Group.h"
#include "targets/Support.h"
#include "targets/Targets.h"

namespace kvlfuzz {

namespace {

constexpr size_t kMaxTags = 47;

// The table and its two tag files, made once; the inputs only ever replace T.cgp.
const std::string& GroupDir() {
    static const std::string dir = [] {
        const std::string d = ScratchDir() + "/cgp";
        bool made = (::mkdir(d.c_str(), 0755) == 0 || errno == EEXIST) && WriteNtxTable(d);
        if (made) {
            xb::Engine e;
            e.settings.autoOpen = false;
            e.settings.safety = false;
            xb::Table* t = e.open(d + "/T");
            made = t && t->createIndex("T", {{"X", "NAME", "", false, false},
                                             {"Y", "NUM", ".NOT. DELETED()", false, false}}) ==
                            xb::r4success;
            made = e.closeAll() == xb::r4success && made;
        }
        Require(made, "the table for the group could not be made");
        return d;
    }();
    return dir;
}

bool ValidName(const std::string& name) {
    if (name.empty() || name.size() > 10) return false;
    for (unsigned char c : name)
        if (c <= ' ' || c >= 0x7F || c == '/' || c == '\\') return false;
    return true;
}

}  // namespace

int FuzzCgp(const uint8_t* data, size_t size) {
    const std::string& dir = GroupDir();
    const std::string group = dir + "/T.cgp";
    if (!WriteFile(group, data, size)) return 0;

    std::vector<std::string> tags;
    const xb::Status read = xb::ReadGroup(group, tags);
    if (!read.ok()) {
        Require(read.code < 0 && !read.message.empty(), "a refused group leaves no error");
    } else {
        Require(tags.size() <= kMaxTags, "a group lists more tags than a group may");
        for (const std::string& t : tags) Require(ValidName(t), "a group lists an invalid name");
        // What the reader accepts, the writer writes back, and it reads the same.
        std::vector<std::string> again;
        Require(xb::WriteGroup(dir + "/R.cgp", tags).ok(), "an accepted list cannot be written");
        Require(xb::ReadGroup(dir + "/R.cgp", again).ok() && again == tags,
                "a written group does not read back as written");
    }

    // Opening the table reads the group: it opens exactly when the group reads, with one tag for
    // every listed name whose file exists (X or Y, in any case).
    xb::Engine e;
    e.settings.readOnly = true;
    xb::Table* table = e.open(dir + "/T");
    Require((table != nullptr) == read.ok(), "opening the table disagrees with reading its group");
    if (!table) return 0;
    size_t present = 0;
    for (const std::string& t : tags)
        present += xb::SameIgnoringCase(t, "X") || xb::SameIgnoringCase(t, "Y") ? 1 : 0;
    Require(table->tags().size() == present, "the table's tags are not the group's");
    for (xb::Tag* tag : table->tags()) {
        table->select(tag);
        int steps = 0;
        for (int rc = table->top(); rc == xb::r4success && steps < 16; rc = table->skip(1)) ++steps;
        Require(table->seek("N") >= 0, "a seek through a listed tag failed");
    }
    return 0;
}

}  // namespace kvlfuzz

// fuzz_ntx: arbitrary bytes opened as the index file of a valid table's tag.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/Files.h"
#include "engine/Group.h"
#include "engine/Ntx.h"
#include "targets/Support.h"
#include "targets/Targets.h"

namespace kvlfuzz {

namespace {

constexpr long kRecords = 300;
constexpr int kMaxWalk = 5000;

std::string TableImage() {
    static const std::string image = [] {
        std::string dir = ScratchDir() + "/image";
        std::string out;
        if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) return out;
        if (!WriteNtxTable(dir) || !ReadFile(dir + "/T.dbf", out)) out.clear();
        return out;
    }();
    return image;
}

struct Walked {
    std::vector<std::pair<std::string, uint32_t>> entries;
};

void Walk(xb::NtxIndex& idx, const uint8_t* data, size_t size) {
    std::vector<std::pair<std::string, uint32_t>> sound;
    std::vector<std::string> problems;
    const bool verified = idx.verify(
        [&](std::string_view k, uint32_t r) {
            if (sound.size() < kMaxWalk) sound.emplace_back(k, r);
        },
        problems);
    Require(verified == problems.empty(), "verify's answer and its problems disagree");
    const size_t keySize = idx.spec().keySize;

    std::vector<std::pair<std::string, uint32_t>> forward;
    int rc = idx.top();
    while (rc == xb::r4success && forward.size() < kMaxWalk) {
        Require(idx.positioned(), "a cursor at an entry is not positioned");
        Require(idx.key().size() == keySize, "an entry's key is not the key size");
        forward.emplace_back(idx.key(), idx.recno());
        rc = idx.next();
    }
    if (verified && sound.size() < kMaxWalk) {
        Require(rc == xb::r4eof, "a sound tree's walk ended in an error");
        Require(forward == sound, "a walk of a sound tree differs from its verification");
        std::vector<std::pair<std::string, uint32_t>> backward;
        for (rc = idx.bottom(); rc == xb::r4success && backward.size() < kMaxWalk; rc = idx.prev())
            backward.emplace_back(idx.key(), idx.recno());
        Require(backward.size() == sound.size(), "backwards a sound tree has other entries");
        for (size_t i = 0; i < sound.size(); ++i)
            Require(backward[sound.size() - 1 - i] == sound[i],
                    "backwards a sound tree gives other entries");
        // Counted page by page, the whole tree holds what the walk met.
        Require(idx.count("", "") == static_cast<long>(sound.size()),
                "a sound tree's count differs from its walk");
        // Every entry is found again by its key and record number.
        for (size_t i = 0; i < sound.size(); i += 7)
            Require(idx.seekEntry(sound[i].first, sound[i].second) == xb::r4success,
                    "an entry of a sound tree cannot be sought");
    } else {
        for (int steps = 0, r = idx.bottom(); r == xb::r4success && steps < kMaxWalk; ++steps)
            r = idx.prev();
        (void)idx.count("", "");
    }
    // Seeks on keys taken from the input.
    for (size_t at = 0; at + 1 < size && at < 64; at += 9) {
        std::string key(reinterpret_cast<const char*>(data + at),
                        std::min<size_t>(keySize, size - at));
        int s = idx.seek(key);
        if (s == xb::r4success || s == xb::r4after) {
            Require(idx.positioned(), "a seek that found an entry left no position");
            (void)idx.next();
        }
    }
}

// Changes records through the table so the tag's entries move.
void Change(xb::Table& t, xb::Tag* tag, const uint8_t* data, size_t size) {
    t.select(tag);
    int steps = 0;
    for (int rc = t.top(); rc == xb::r4success && steps < kMaxWalk; rc = t.skip(1)) ++steps;
    (void)t.seek(std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 6)));
    for (long r = 1; r <= 40; ++r) {
        if (t.go(r * 7 % kRecords + 1) != xb::r4success) return;
        const uint8_t b = size ? data[r % size] : 0;
        switch (b % 4) {
            case 0:
                t.field("NAME")->assign(std::string(1, static_cast<char>('A' + b % 26)));
                break;
            case 1:
                t.field("NUM")->assignNumber((b - 128) * 3.25);
                break;
            case 2:
                t.field("WHEN")->assign(b & 1 ? "" : "20260115");
                break;
            default:
                t.setDeleted(!t.deleted());
        }
        if (t.refresh() < 0) return;
    }
    if (t.appendBlank() != xb::r4success) return;
    t.field("NAME")->assign("ZZ");
    if (t.refresh() < 0) return;
    (void)t.skip(-3);
}

}  // namespace

int FuzzNtx(const uint8_t* data, size_t size) {
    const std::string& image = TableImage();
    Require(!image.empty(), "the table for the tag could not be made");
    const std::string dir = ScratchDir();
    WriteFile(dir + "/T.dbf", image.data(), image.size());
    if (!xb::FileExists(dir + "/T.cgp"))
        Require(xb::WriteGroup(dir + "/T.cgp", {"X"}).ok(), "the group file could not be written");
    const std::string tagPath = dir + "/X.ntx";
    if (!WriteFile(tagPath, data, size)) return 0;

    bool sound = false;
    {
        std::unique_ptr<xb::NtxIndex> idx;
        xb::Status s = xb::NtxIndex::open(tagPath, true, idx);
        if (!s.ok()) {
            Require(s.code < 0 && !s.message.empty(), "a refused index leaves no error");
        } else {
            idx->setCacheLimit(1 + size % 5);  // small caches evict pages in the middle of work
            Walk(*idx, data, size);
            std::vector<std::string> problems;
            sound = idx->verify({}, problems);
        }
    }

    xb::Engine e;
    xb::Table* t = e.open(dir + "/T");
    if (!t) {
        Require(e.errorCode() < 0, "a refused table leaves no error");
        return 0;
    }
    xb::Tag* tag = t->tag("X");
    Require(tag != nullptr, "the tag of an opened group is missing");
    tag->index().setCacheLimit(1 + size % 3);
    Change(*t, tag, data, size);
    const int closed = e.closeAll();
    if (!sound || closed < 0) return 0;

    // A tree that was sound stays sound through the table's changes, and opens again.
    std::unique_ptr<xb::NtxIndex> again;
    xb::Status s = xb::NtxIndex::open(tagPath, true, again);
    if (!s.ok()) {
        std::fprintf(stderr, "%s\n", s.message.c_str());
        Require(false, "a sound tree does not open after changes");
    }
    std::vector<std::string> problems;
    Require(again->verify({}, problems), "a sound tree is damaged by changes");
    return 0;
}

std::vector<xb::FieldDesc> NtxTableFields() {
    return {{"NAME", 'C', 10, 0, 0},
            {"NUM", 'N', 8, 2, 0},
            {"WHEN", 'D', 8, 0, 0},
            {"OK", 'L', 1, 0, 0}};
}

bool WriteNtxTable(const std::string& dir) {
    ::unlink((dir + "/T.dbf").c_str());
    if (!xb::CreateTable(dir + "/T.dbf", NtxTableFields()).ok()) return false;
    xb::Engine e;
    e.settings.autoOpen = false;
    xb::Table* t = e.open(dir + "/T");
    if (!t) return false;
    for (long r = 1; r <= kRecords; ++r) {
        if (t->appendBlank() != xb::r4success) return false;
        char name[16];
        std::snprintf(name, sizeof name, "N%c%c%03ld", static_cast<char>('A' + r % 26),
                      static_cast<char>('a' + r * 7 % 26), r % 97);
        t->field("NAME")->assign(name);
        t->field("NUM")->assignNumber((r % 41 - 20) * 12.75);
        char when[16];
        std::snprintf(when, sizeof when, "20%02ld%02ld%02ld", r % 30, r % 12 + 1, r % 28 + 1);
        t->field("WHEN")->assign(r % 13 == 0 ? "" : when);
        t->field("OK")->assign(r % 3 ? "T" : "F");
        if (r % 11 == 0) t->setDeleted(true);
    }
    if (e.closeAll() != xb::r4success) return false;
    return xb::WriteGroup(dir + "/T.cgp", {"X"}).ok();
}

}  // namespace kvlfuzz

// One index tag stored in one Clipper NTX file.
//
// The file is a B-tree of 1024-byte pages: a header page (signature, version, root page, free-page
// list, item size, key size, key decimals, items per page, half page, key expression, unique flag,
// descending flag, FOR expression, tag name) followed by key pages (item count, an array of item
// offsets, and items of left-page pointer, record number and key). Entries are ordered by key bytes
// and, among equal keys, by record number, so an entry can always be found again from its key and
// record number. Other xBase tools read these files.
//
// Every length, offset and count read from the file is checked against the file before use: a
// damaged, truncated or foreign file fails to open or to walk with e4index and a message naming
// the file and the fault, never a crash, a hang or a read outside the file. open() checks the
// header and every branch page, so truncation and damage above the leaves are refused at once;
// a leaf is checked when it is first read (its entries in order), every page the cursor enters
// against the range the separators above it give (so a walk or a seek never passes a misplaced
// page in silence), and verify() checks everything. A file is marked in its header as "being
// changed" before its first modification and the mark is cleared by flush(); a file found with
// the mark set was being changed when its writer died and fails to open.
//
// Pages live in a bounded cache, so memory does not grow with the index.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Status.h"

namespace xb {

inline constexpr size_t kNtxPageSize = 1024;
inline constexpr size_t kNtxMaxKey = 256;

struct NtxSpec {
    std::string tagName;  // stored in the header, at most 10 characters
    std::string keyExpr;
    std::string forExpr;  // empty when the tag has no FOR condition
    uint16_t keySize = 0;
    uint16_t keyDec = 0;
    bool unique = false;
    bool descending = false;
};

class NtxEntries;
struct SortedNtxEntries;
Status SortNtxEntries(NtxEntries& entries, SortedNtxEntries& sorted, std::vector<uint32_t>& order,
                      const std::function<Status(uint32_t)>& twice);

// The entries of an index being built, gathered one record at a time and put in order by the
// build. A key of up to 12 bytes is held with its record number in 16 bytes whose order is the
// entries' order, so that the sort compares two integers; longer keys are held as given.
class NtxEntries {
  public:
    explicit NtxEntries(uint16_t keySize) : keySize_(keySize) {}
    uint16_t keySize() const { return keySize_; }
    size_t size() const { return packed() ? packed_.size() : recnos_.size(); }
    // Room for this many entries at once: growing by doubling would need twice the memory.
    void reserve(size_t count);
    void add(const char* key, uint32_t recno);  // keySize() bytes of key

  private:
    friend class NtxIndex;
    friend Status SortNtxEntries(NtxEntries&, SortedNtxEntries&, std::vector<uint32_t>&,
                                 const std::function<Status(uint32_t)>&);
    struct Packed {
        uint64_t high, low;  // key bytes, then the record number, big-endian, then zeros
        bool operator<(const Packed& o) const {
            return high != o.high ? high < o.high : low < o.low;
        }
        bool operator==(const Packed&) const = default;
    };
    bool packed() const { return keySize_ + 4u <= sizeof(Packed); }
    uint16_t keySize_;
    std::vector<Packed> packed_;
    std::string keys_;
    std::vector<uint32_t> recnos_;
};

class NtxIndex {
  public:
    ~NtxIndex();
    NtxIndex(const NtxIndex&) = delete;
    NtxIndex& operator=(const NtxIndex&) = delete;

    // Opens an existing file and checks its header. readOnly opens without write access.
    static Status open(const std::string& path, bool readOnly, std::unique_ptr<NtxIndex>& out);

    // Creates (or replaces) the file at path holding the given entries, which need not be sorted.
    // keys holds count keys of spec.keySize bytes each, back to back; recnos the matching record
    // numbers. The file is written beside path under a temporary name, synced, and renamed over
    // path, so a crash leaves the old file or the complete new one. The tree is built bottom-up
    // from the sorted entries (pages filled, not split).
    static Status build(const std::string& path, const NtxSpec& spec, std::string_view keys,
                        const std::vector<uint32_t>& recnos);
    // The same from gathered entries (of spec.keySize bytes), which the build sorts in place.
    static Status build(const std::string& path, const NtxSpec& spec, NtxEntries& entries);

    const NtxSpec& spec() const;
    const std::string& path() const;
    // The open file now goes by path (it was renamed); messages and later rewrites use it.
    void renamed(const std::string& path);

    // Sets the "being changed" mark now, ahead of the first change, so that a change made
    // elsewhere first (the table's record) is already covered by it. No-op when it is set.
    Status prepareChange();
    // Sets or clears the mark of a file that is not open, and syncs it. Replacing an index file
    // sets the mark on the old one first, so that a crash before the replacement leaves it
    // refused rather than describing records it no longer matches.
    static Status setChangingMark(const std::string& path, bool on);

    // Changes. key is exactly spec().keySize bytes.
    Status insert(std::string_view key, uint32_t recno);
    Status remove(std::string_view key, uint32_t recno);  // e4index when the entry is absent
    // Inserts gathered entries (of spec().keySize bytes), sorting them in place: in key order
    // each goes into the leaf the one before went to, or the next, and the pages they change are
    // near one another. The first failure stops it, as a failed insert() does.
    Status insertAll(NtxEntries& entries);

    // The cursor. Each returns r4success at an entry, r4eof past the last (next) or when empty,
    // r4bof before the first (prev), or a negative code on a damaged page.
    [[nodiscard]] int top();
    [[nodiscard]] int bottom();
    [[nodiscard]] int next();
    [[nodiscard]] int prev();
    // Moves to the first entry whose key is not below key, comparing only key.size() bytes
    // (a shorter key is a partial-key seek): r4success when that entry's first key.size() bytes
    // equal key, r4after when it is greater, r4eof when there is none.
    [[nodiscard]] int seek(std::string_view key);
    // Moves to the entry (key, recno) or the first entry after it: r4success when found.
    [[nodiscard]] int seekEntry(std::string_view key, uint32_t recno);
    // The entries whose first from.size() bytes are not below from and whose first through.size()
    // bytes are not above through, counted page by page without moving the cursor; a negative
    // code on a damaged page. With recnos, their record numbers are appended to it in key order.
    [[nodiscard]] long count(std::string_view from, std::string_view through,
                             std::vector<uint32_t>* recnos = nullptr);
    // The same, handing the record numbers to take as each page gives them.
    [[nodiscard]] long count(std::string_view from, std::string_view through,
                             const std::function<void(const uint32_t*, size_t)>& take);
    // Whether the file holds everything this handle knows (no change still to be written), so
    // that another handle on it reads the same tree.
    bool allWritten() const;
    // A second, read-only handle on this file for reading beside this one, once allWritten: the
    // header is checked again, the branch pages are not, this handle having checked them at its
    // opening and written every page since.
    Status reader(std::unique_ptr<NtxIndex>& out) const;
    // The message of the last call that failed, naming the file and the fault.
    const std::string& lastError() const;
    bool positioned() const;  // the cursor stands on an entry
    uint32_t recno() const;   // of the entry under the cursor
    // The record number of the entry steps after the cursor when it lies in the cursor's cached
    // leaf, else 0: a hint for reading ahead, never a move.
    uint32_t recnoAhead(int steps) const;
    std::string_view key() const;  // of the entry under the cursor

    // Writes dirty pages and the header and clears the "being changed" mark.
    Status flush();
    // flush(), then fsync.
    Status sync();

    // Walks the whole tree checking its structure (page bounds, item counts, key order across
    // pages, no page reached twice, uniform leaf depth) and calls visit for every entry in order.
    // Problems are appended as readable sentences; returns false when any was found.
    bool verify(const std::function<void(std::string_view key, uint32_t recno)>& visit,
                std::vector<std::string>& problems);

    // Pages kept in memory at most (default 1024: appends in date order that come a few weeks late
    // reach back that far in both of a table's tags).
    void setCacheLimit(size_t pages);

  private:
    NtxIndex();
    static Status open(const std::string& path, bool readOnly, bool checkBranches,
                       std::unique_ptr<NtxIndex>& out);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace xb

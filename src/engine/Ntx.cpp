// Clipper NTX index files.
//
// Header page (offset 0, all integers little-endian):
//     0  u16  signature: 6, or 7 (6 | 1) when the tag has a FOR condition; 3 in old files
//     2  u16  version, counted up once per round of changes
//     4  u32  root page offset
//     8  u32  first free page offset, 0 when none
//    12  u16  item size (key size + 8)
//    14  u16  key size
//    16  u16  key decimals
//    18  u16  items per page at most
//    20  u16  half page (the fewest items a non-root page keeps)
//    22  256  key expression, NUL terminated
//   278  u8   unique flag
//   279  u8   our "being changed" mark (other readers ignore this byte)
//   280  u8   descending flag
//   281  u8   reserved
//   282  256  FOR expression, NUL terminated
//   538  12   tag name, NUL terminated, at most 10 characters
//   550  ...  unused
//
// Key page: u16 item count, (max items + 1) u16 item offsets inside the page, then the items:
// u32 left child page offset, u32 record number, key bytes. The item at position count carries
// only the rightmost child. Leaves have child 0 everywhere. Every entry of an inner page is a real
// entry (a B-tree, not a B+tree), ordered between the subtrees on either side of it.
//
// The offsets array of every page we hold is kept a permutation of the max+1 item slots, so an
// insertion or removal only moves offsets, never items. A freed page is emptied and goes on the
// free list; the list runs through the child pointer of each free page's first item.
//
// "Being changed": before the first change after open or flush the version is counted up, byte 279
// is set to kChangingMark and the header is written and synced, so no changed page can reach the
// disk ahead of the mark. flush() writes the pages and then the header with the mark cleared. A
// file found with the mark set was left half-written and is refused. Other tools leave the byte
// alone or zero it when they rewrite the header, which only drops our warning.
#include "engine/Ntx.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <numeric>
#include <unordered_set>

#include "engine/Files.h"

namespace xb {

namespace {

constexpr uint32_t kPage = static_cast<uint32_t>(kNtxPageSize);
constexpr int kMaxDepth = 64;
// Page offsets are 32-bit, so the file cannot grow past the last page that starts below 4 GiB.
constexpr uint64_t kMaxFileEnd = 0xFFFFFC00ull;

constexpr size_t kOffSignature = 0;
constexpr size_t kOffVersion = 2;
constexpr size_t kOffRoot = 4;
constexpr size_t kOffFree = 8;
constexpr size_t kOffItemSize = 12;
constexpr size_t kOffKeySize = 14;
constexpr size_t kOffKeyDec = 16;
constexpr size_t kOffMaxItems = 18;
constexpr size_t kOffHalf = 20;
constexpr size_t kOffKeyExpr = 22;
constexpr size_t kOffUnique = 278;
constexpr size_t kOffMark = 279;
constexpr size_t kOffDescend = 280;
constexpr size_t kOffForExpr = 282;
constexpr size_t kOffTagName = 538;
constexpr size_t kExprField = 256;
constexpr size_t kTagField = 12;
constexpr size_t kMaxTagName = 10;

constexpr uint16_t kSigStandard = 0x0006;
constexpr uint16_t kSigOld = 0x0003;
constexpr uint16_t kSigForItem = 0x0001;
// Flag bits other writers set that do not change the page layout.
constexpr uint16_t kSigHarmless =
    0x0001 | 0x0008 | 0x0010 | 0x0020 | 0x0040 | 0x0080 | 0x0100 | 0x0400;
constexpr uint8_t kChangingMark = 0x4B;

bool SignatureOk(uint16_t sig) {
    return sig == kSigOld ||
           ((sig & kSigStandard) == kSigStandard && (sig & ~(kSigStandard | kSigHarmless)) == 0);
}

inline uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Items per page as Clipper lays them out, kept even so a split of a full page plus one item
// gives two halves of equal size.
uint16_t MaxItemsFor(uint16_t keySize) {
    int m = static_cast<int>((kPage - 2) / (keySize + 10u)) - 1;
    if ((m & 1) && m > 2) --m;
    return static_cast<uint16_t>(m);
}

inline uint32_t ItemsStart(uint16_t maxItems) {
    return 2u + 2u * (maxItems + 1u);
}

// Page accessors. A page is 1024 bytes; offsets and counts are trusted only after CheckPage.
inline uint16_t Count(const uint8_t* pg) {
    return Get16(pg);
}
inline void SetCount(uint8_t* pg, uint16_t n) {
    Put16(pg, n);
}
inline uint16_t SlotOf(const uint8_t* pg, int i) {
    return Get16(pg + 2 + 2 * i);
}
inline uint8_t* Item(uint8_t* pg, int i) {
    return pg + SlotOf(pg, i);
}
inline const uint8_t* Item(const uint8_t* pg, int i) {
    return pg + SlotOf(pg, i);
}
inline uint32_t Child(const uint8_t* pg, int i) {
    return Get32(Item(pg, i));
}
inline void SetChild(uint8_t* pg, int i, uint32_t c) {
    Put32(Item(pg, i), c);
}
inline uint32_t Rec(const uint8_t* pg, int i) {
    return Get32(Item(pg, i) + 4);
}
inline const uint8_t* KeyOf(const uint8_t* pg, int i) {
    return Item(pg, i) + 8;
}

// Lays out an empty page: no items, the offsets pointing at the slots in order.
void InitPage(uint8_t* pg, uint16_t maxItems, uint16_t itemSize) {
    std::memset(pg, 0, kPage);
    uint32_t start = ItemsStart(maxItems);
    for (int i = 0; i <= maxItems; ++i)
        Put16(pg + 2 + 2 * i, static_cast<uint16_t>(start + i * itemSize));
}

// Writes n entries (whole items, back to back in items) and the rightmost child into pg.
void WriteItems(uint8_t* pg, uint16_t maxItems, uint16_t itemSize, const uint8_t* items, int n,
                uint32_t rightChild) {
    InitPage(pg, maxItems, itemSize);
    SetCount(pg, static_cast<uint16_t>(n));
    for (int i = 0; i < n; ++i)
        std::memcpy(Item(pg, i), items + static_cast<size_t>(i) * itemSize, itemSize);
    SetChild(pg, n, rightChild);
}

// Opens a slot at position i (0..count+1) by moving offsets; the slot's item is left as it was.
void OpenSlot(uint8_t* pg, int i) {
    int n = Count(pg);
    uint8_t spare[2] = {pg[2 + 2 * (n + 1)], pg[3 + 2 * (n + 1)]};
    std::memmove(pg + 2 + 2 * (i + 1), pg + 2 + 2 * i, static_cast<size_t>(2 * (n + 1 - i)));
    pg[2 + 2 * i] = spare[0];
    pg[3 + 2 * i] = spare[1];
    SetCount(pg, static_cast<uint16_t>(n + 1));
}

// Closes position i (0..count); the items after it move down one position.
void CloseSlot(uint8_t* pg, int i) {
    int n = Count(pg);
    uint8_t freed[2] = {pg[2 + 2 * i], pg[3 + 2 * i]};
    std::memmove(pg + 2 + 2 * i, pg + 2 + 2 * (i + 1), static_cast<size_t>(2 * (n - i)));
    pg[2 + 2 * n] = freed[0];
    pg[3 + 2 * n] = freed[1];
    SetCount(pg, static_cast<uint16_t>(n - 1));
}

struct CachedPage {
    uint32_t off = 0;
    bool dirty = false;
    int pins = 0;
    CachedPage* prev = nullptr;
    CachedPage* next = nullptr;
    alignas(8) uint8_t d[kPage];
};

// Keeps a cached page from being evicted while it is in use.
class Pin {
  public:
    Pin() = default;
    explicit Pin(CachedPage* p) : p_(p) {
        if (p_) ++p_->pins;
    }
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;
    ~Pin() { release(); }
    void reset(CachedPage* p) {
        release();
        p_ = p;
        if (p_) ++p_->pins;
    }
    void release() {
        if (p_) --p_->pins;
        p_ = nullptr;
    }

  private:
    CachedPage* p_ = nullptr;
};

// Cached pages by offset. Page offsets are bounded by the file, so a table indexed by page
// number costs 8 bytes per page of the file and makes a lookup one load instead of a hash.
class PageMap {
  public:
    CachedPage* find(uint32_t off) const {
        const size_t i = off / kPage;
        return i < slots_.size() ? slots_[i] : nullptr;
    }
    void emplace(uint32_t off, CachedPage* p) {
        const size_t i = off / kPage;
        if (i >= slots_.size()) slots_.resize(std::max(i + 1, slots_.size() + slots_.size() / 2));
        if (!slots_[i]) ++size_;
        slots_[i] = p;
    }
    void erase(uint32_t off) {
        const size_t i = off / kPage;
        if (i < slots_.size() && slots_[i]) {
            slots_[i] = nullptr;
            --size_;
        }
    }
    size_t size() const { return size_; }

  private:
    std::vector<CachedPage*> slots_;
    size_t size_ = 0;
};

// Key order is byte order. Most keys differ within their first eight bytes, which are compared
// as one big-endian number before any call to memcmp.
inline int CompareKeys(const uint8_t* a, const uint8_t* b, size_t n) {
    if (n >= 8) {
        uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y) {
            if constexpr (std::endian::native == std::endian::little) {
                x = __builtin_bswap64(x);
                y = __builtin_bswap64(y);
            }
            return x < y ? -1 : 1;
        }
        return n == 8 ? 0 : std::memcmp(a + 8, b + 8, n - 8);
    }
    return std::memcmp(a, b, n);
}

std::string Num(uint32_t v) {
    return std::to_string(v);
}

}  // namespace

struct NtxIndex::Impl {
    std::string path;
    int fd = -1;
    bool readOnly = false;
    NtxSpec spec;
    uint8_t hdr[kPage] = {};
    uint16_t version = 0;
    uint32_t root = 0;
    uint32_t freeHead = 0;
    uint16_t keySize = 0, itemSize = 0, maxItems = 0, half = 0;
    uint64_t fileEnd = 0;  // pages lie below this; new pages are appended here
    bool marked = false;   // the mark is on disk
    bool headerDirty = false;
    bool broken = false;  // a change stopped half-way: the mark stays so the file is rebuilt
    bool freeChecked = false;
    std::string lastError;

    // Page cache: most recently used first.
    PageMap map;
    CachedPage lru;  // sentinel
    std::vector<std::unique_ptr<CachedPage>> frames;
    std::vector<CachedPage*> spare;
    size_t limit = 256;

    // Cursor. trail[0..depth) runs from the root; the last level's idx is the entry under the
    // cursor, the others' the child descended into.
    struct Level {
        uint32_t off;
        int idx;
    };
    enum class Pos { None, Entry, Eof, Bof, Detached };
    std::array<Level, kMaxDepth> trail{};
    int depth = 0;
    Pos pos = Pos::None;
    std::string curKey;
    std::string findKey;  // curKey's copy while finding the cursor's place again
    uint32_t curRec = 0;
    uint64_t changes = 0;    // counts structural changes
    uint64_t markedAt = 0;   // value of changes when the mark was set
    uint64_t pathStamp = 0;  // value of changes when trail was found

    std::vector<uint8_t> scratch;
    std::array<int16_t, kPage> slotAt{};  // slot number of each in-page offset, -1 elsewhere

    Impl() { lru.prev = lru.next = &lru; }

    // ---- errors ------------------------------------------------------------------------------
    int fault(const std::string& what) {
        lastError = "index file " + path + " is damaged: " + what;
        return e4index;
    }
    int fail(int code, const std::string& message) {
        lastError = message;
        return code;
    }
    int failStatus(const Status& s) { return fail(s.code, s.message); }
    Status status(int rc) const { return rc == 0 ? Status::Ok() : Status::Error(rc, lastError); }

    // ---- page checks -------------------------------------------------------------------------
    bool pageInFile(uint32_t off) const {
        return off % kPage == 0 && off >= kPage && static_cast<uint64_t>(off) + kPage <= fileEnd;
    }

    // Checks a page read from disk and brings its offsets into slot order when another writer
    // left them otherwise.
    int checkPage(uint8_t* pg, uint32_t off) {
        int n = Count(pg);
        if (n > maxItems)
            return fault("page " + Num(off) + " holds " + std::to_string(n) +
                         " items, more than the " + std::to_string(maxItems) + " a page can hold");
        // Usual case: the offsets are a permutation of the slots, so the items cannot overlap.
        std::array<uint64_t, 2> used{};
        bool canonical = true;
        for (int i = 0; i <= maxItems; ++i) {
            int s = slotAt[SlotOf(pg, i) & (kPage - 1)];
            if (SlotOf(pg, i) >= kPage || s < 0 || (used[s >> 6] >> (s & 63)) & 1) {
                canonical = false;
                break;
            }
            used[s >> 6] |= uint64_t{1} << (s & 63);
        }
        if (!canonical) {
            const uint32_t start = ItemsStart(maxItems);
            std::array<uint16_t, kPage / 2> sorted;
            for (int i = 0; i <= n; ++i) {
                uint16_t o = SlotOf(pg, i);
                if (o < start || o + itemSize > kPage)
                    return fault("page " + Num(off) + " has item " + std::to_string(i) +
                                 " at offset " + std::to_string(o) +
                                 ", outside the page's item area");
                sorted[i] = o;
            }
            std::sort(sorted.begin(), sorted.begin() + n + 1);
            for (int i = 1; i <= n; ++i)
                if (sorted[i] - sorted[i - 1] < itemSize)
                    return fault("page " + Num(off) + " has overlapping items");
        }
        bool leaf = Child(pg, 0) == 0;
        for (int i = 0; i <= n; ++i) {
            uint32_t c = Child(pg, i);
            if (leaf) {
                if (c != 0) return fault("page " + Num(off) + " mixes leaf and branch items");
            } else if (!pageInFile(c) || c == off) {
                return fault("page " + Num(off) + " points to page " + Num(c) +
                             ", which is not a page of the file");
            }
        }
        if (!canonical) {
            // Re-lay the page so that insertions can take spare slots by moving offsets alone.
            std::vector<uint8_t> items(static_cast<size_t>(n) * itemSize);
            for (int i = 0; i < n; ++i)
                std::memcpy(items.data() + static_cast<size_t>(i) * itemSize, Item(pg, i),
                            itemSize);
            uint32_t right = Child(pg, n);
            WriteItems(pg, maxItems, itemSize, items.data(), n, right);
        }
        return 0;
    }

    void buildSlotTable() {
        slotAt.fill(-1);
        const uint32_t start = ItemsStart(maxItems);
        for (int s = 0; s <= maxItems; ++s) slotAt[start + s * itemSize] = static_cast<int16_t>(s);
    }

    // ---- cache -------------------------------------------------------------------------------
    void unlink(CachedPage* p) {
        p->prev->next = p->next;
        p->next->prev = p->prev;
    }
    void pushFront(CachedPage* p) {
        p->next = lru.next;
        p->prev = &lru;
        lru.next->prev = p;
        lru.next = p;
    }
    int writePage(CachedPage* p) {
        if (Status s = WriteAt(fd, p->d, kPage, p->off, path); !s) {
            broken = true;
            return failStatus(s);
        }
        p->dirty = false;
        return 0;
    }
    // Evicts unpinned pages from the cold end until the cache is below keep pages.
    int shrinkTo(size_t keep) {
        CachedPage* p = lru.prev;
        while (map.size() > keep && p != &lru) {
            CachedPage* before = p->prev;
            if (p->pins == 0) {
                if (p->dirty) {
                    if (int rc = writePage(p)) return rc;
                }
                unlink(p);
                map.erase(p->off);
                spare.push_back(p);
            }
            p = before;
        }
        return 0;
    }
    int frame(CachedPage*& out) {
        if (map.size() >= limit) {
            if (int rc = shrinkTo(limit - 1)) return rc;
        }
        if (!spare.empty()) {
            out = spare.back();
            spare.pop_back();
        } else {
            frames.push_back(std::make_unique<CachedPage>());
            out = frames.back().get();
        }
        out->dirty = false;
        out->pins = 0;
        return 0;
    }
    void adopt(CachedPage* p, uint32_t off) {
        p->off = off;
        map.emplace(off, p);
        pushFront(p);
    }
    int fetch(uint32_t off, CachedPage*& out) {
        if (CachedPage* hit = map.find(off)) {
            out = hit;
            if (lru.next != out) {
                unlink(out);
                pushFront(out);
            }
            return 0;
        }
        if (!pageInFile(off)) return fault("page offset " + Num(off) + " lies outside the file");
        CachedPage* p;
        if (int rc = frame(p)) return rc;
        if (Status s = ReadAt(fd, p->d, kPage, off, path); !s) {
            spare.push_back(p);
            return failStatus(s);
        }
        if (int rc = checkPage(p->d, off)) {
            spare.push_back(p);
            return rc;
        }
        adopt(p, off);
        out = p;
        return 0;
    }

    // ---- header ------------------------------------------------------------------------------
    int writeHeader(bool mark) {
        Put16(hdr + kOffVersion, version);
        Put32(hdr + kOffRoot, root);
        Put32(hdr + kOffFree, freeHead);
        hdr[kOffMark] = mark ? kChangingMark : 0;
        if (Status s = WriteAt(fd, hdr, kPage, 0, path); !s) {
            broken = true;
            return failStatus(s);
        }
        headerDirty = false;
        return 0;
    }

    // Reads the next-free pointer of a free page (which may sit dirty in the cache).
    int nextFree(uint32_t off, uint32_t& next) {
        if (!pageInFile(off))
            return fault("the free page list points to " + Num(off) + ", outside the file");
        uint8_t buf[kPage];
        const uint8_t* pg;
        if (CachedPage* hit = map.find(off)) {
            pg = hit->d;
        } else {
            if (Status s = ReadAt(fd, buf, kPage, off, path); !s) return failStatus(s);
            pg = buf;
        }
        uint16_t o = SlotOf(pg, 0);
        if (o < 2 || o + 4u > kPage) return fault("free page " + Num(off) + " has no valid link");
        next = Get32(pg + o);
        if (next != 0 && (!pageInFile(next) || next == off))
            return fault("free page " + Num(off) + " links to " + Num(next) +
                         ", not a page of the file");
        return 0;
    }

    int checkFreeList() {
        uint64_t steps = fileEnd / kPage;
        uint32_t off = freeHead;
        while (off != 0) {
            if (steps-- == 0) return fault("the free page list runs in a circle");
            uint32_t next;
            if (int rc = nextFree(off, next)) return rc;
            off = next;
        }
        freeChecked = true;
        return 0;
    }

    // Reads every branch page once, so that a truncated file or a damaged upper level is refused
    // when the file is opened. Branch pages are a small part of a tree; the leaves they point to
    // have been bounded by checkPage and are checked in full when they are read.
    int checkBranches() {
        int leafLevel = 0;
        for (uint32_t off = root;; ++leafLevel) {
            if (leafLevel >= kMaxDepth) return tooDeep();
            CachedPage* p;
            if (int rc = fetch(off, p)) return rc;
            if (Child(p->d, 0) == 0) break;
            off = Child(p->d, 0);
        }
        std::vector<std::pair<uint32_t, int>> pending{{root, 0}};
        std::unordered_set<uint32_t> seen;
        while (!pending.empty() && leafLevel > 0) {
            const auto [off, level] = pending.back();
            pending.pop_back();
            if (!seen.insert(off).second) return fault("page " + Num(off) + " is reached twice");
            CachedPage* p;
            if (int rc = fetch(off, p)) return rc;
            if (Child(p->d, 0) == 0)
                return fault("leaf page " + Num(off) + " lies at depth " + std::to_string(level) +
                             ", others at " + std::to_string(leafLevel));
            if (level + 1 == leafLevel) continue;
            for (int i = 0, n = Count(p->d); i <= n; ++i)
                pending.emplace_back(Child(p->d, i), level + 1);
        }
        return 0;
    }

    // Puts the mark on disk before the first change after open or flush.
    int markChanging() {
        if (marked) return 0;
        ++version;
        if (int rc = writeHeader(true)) return rc;
        if (Status s = SyncFd(fd, path); !s) return failStatus(s);
        marked = true;
        markedAt = changes;
        return 0;
    }

    // Called before every change.
    int beginChange() {
        if (readOnly) return fail(e4info, path + " is open read-only");
        if (broken)
            return fail(e4index, "index file " + path +
                                     " was left half-changed by an earlier failure; rebuild it");
        if (spec.descending)
            return fail(e4info, "index file " + path + " is descending, which is read-only here");
        if (!freeChecked) {
            if (int rc = checkFreeList()) return rc;
        }
        if (int rc = markChanging()) return rc;
        ++changes;
        return 0;
    }

    // A new empty page, from the free list or appended at the end.
    int allocPage(CachedPage*& out) {
        uint32_t off;
        uint32_t next = 0;
        if (freeHead != 0) {
            off = freeHead;
            if (int rc = nextFree(off, next)) return rc;
        } else {
            if (fileEnd + kPage > kMaxFileEnd)
                return fail(e4write, "index file " + path + " has reached its largest size");
            off = static_cast<uint32_t>(fileEnd);
        }
        CachedPage* p = map.find(off);
        if (p) {
            unlink(p);
            pushFront(p);
        } else {
            if (int rc = frame(p)) return rc;
            adopt(p, off);
        }
        if (freeHead != 0) {
            freeHead = next;
        } else {
            fileEnd += kPage;
        }
        headerDirty = true;
        InitPage(p->d, maxItems, itemSize);
        p->dirty = true;
        out = p;
        return 0;
    }

    void freePage(CachedPage* p) {
        InitPage(p->d, maxItems, itemSize);
        SetChild(p->d, 0, freeHead);
        freeHead = p->off;
        p->dirty = true;
        headerDirty = true;
    }

    // ---- comparisons -------------------------------------------------------------------------
    int compareEntry(const uint8_t* pg, int i, const uint8_t* key, uint32_t rec) const {
        int c = CompareKeys(KeyOf(pg, i), key, keySize);
        if (c) return c;
        uint32_t r = Rec(pg, i);
        return r < rec ? -1 : r > rec ? 1 : 0;
    }
    // First position whose entry is not below (key, rec).
    int lowerBound(const uint8_t* pg, const uint8_t* key, uint32_t rec) const {
        int lo = 0, hi = Count(pg);
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (compareEntry(pg, mid, key, rec) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }
    // First position whose key's first len bytes are not below key.
    int lowerBoundPrefix(const uint8_t* pg, const uint8_t* key, size_t len) const {
        int lo = 0, hi = Count(pg);
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (CompareKeys(KeyOf(pg, mid), key, len) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    // ---- cursor ------------------------------------------------------------------------------
    int tooDeep() {
        return fault("the tree is deeper than " + std::to_string(kMaxDepth) +
                     " levels (a page loop)");
    }

    int lose(int rc) {
        depth = 0;
        pos = Pos::None;
        return rc;
    }

    void take(const uint8_t* pg, int i) {
        curKey.assign(reinterpret_cast<const char*>(KeyOf(pg, i)), keySize);
        curRec = Rec(pg, i);
        pos = Pos::Entry;
        pathStamp = changes;
    }

    int descendLeft(uint32_t off) {
        for (;;) {
            if (depth >= kMaxDepth) return tooDeep();
            CachedPage* p;
            if (int rc = fetch(off, p)) return rc;
            trail[depth++] = {off, 0};
            if (Child(p->d, 0) == 0) return 0;
            off = Child(p->d, 0);
        }
    }
    int descendRight(uint32_t off) {
        for (;;) {
            if (depth >= kMaxDepth) return tooDeep();
            CachedPage* p;
            if (int rc = fetch(off, p)) return rc;
            int n = Count(p->d);
            if (Child(p->d, 0) == 0) {
                trail[depth++] = {off, n - 1};
                return 0;
            }
            trail[depth++] = {off, n};
            off = Child(p->d, n);
        }
    }
    // From a candidate position, climbs until it names an entry.
    int settleForward() {
        for (;;) {
            Level& l = trail[depth - 1];
            CachedPage* p;
            if (int rc = fetch(l.off, p)) return lose(rc);
            if (l.idx < Count(p->d)) {
                take(p->d, l.idx);
                return r4success;
            }
            if (--depth == 0) {
                pos = Pos::Eof;
                return r4eof;
            }
        }
    }
    int settleBackward() {
        for (;;) {
            Level& l = trail[depth - 1];
            if (l.idx >= 0) {
                CachedPage* p;
                if (int rc = fetch(l.off, p)) return lose(rc);
                if (l.idx < Count(p->d)) {
                    take(p->d, l.idx);
                    return r4success;
                }
                return lose(fault("page " + Num(l.off) + " changed under the cursor"));
            }
            if (--depth == 0) {
                pos = Pos::Bof;
                return r4bof;
            }
            trail[depth - 1].idx -= 1;
        }
    }

    int top() {
        depth = 0;
        if (int rc = descendLeft(root)) return lose(rc);
        return settleForward();
    }
    int bottom() {
        depth = 0;
        if (int rc = descendRight(root)) return lose(rc);
        int rc = settleBackward();
        if (rc == r4bof) {
            pos = Pos::Eof;
            return r4eof;
        }
        return rc;
    }
    // Lands on the first entry not below (key, rec); r4success when it is that entry.
    // Walks from the root to a leaf taking, in each page, the slot that bound(page) picks, then
    // settles on the first entry at or after the path's end.
    template <class Bound>
    int descend(Bound bound) {
        depth = 0;
        uint32_t off = root;
        for (;;) {
            if (depth >= kMaxDepth) return lose(tooDeep());
            CachedPage* p;
            if (int rc = fetch(off, p)) return lose(rc);
            int i = bound(p->d);
            trail[depth++] = {off, i};
            uint32_t c = Child(p->d, i);
            if (c == 0) break;
            off = c;
        }
        return settleForward();
    }
    int seekEntry(const uint8_t* key, uint32_t rec) {
        int rc = descend([&](const auto& d) { return lowerBound(d, key, rec); });
        if (rc != r4success) return rc;
        if (std::memcmp(curKey.data(), key, keySize) == 0 && curRec == rec) return r4success;
        return r4after;
    }
    int seekPrefix(const uint8_t* key, size_t len) {
        int rc = descend([&](const auto& d) { return lowerBoundPrefix(d, key, len); });
        if (rc != r4success) return rc;
        return std::memcmp(curKey.data(), key, len) == 0 ? r4success : r4after;
    }

    int stepForward() {
        Level& l = trail[depth - 1];
        CachedPage* p;
        if (int rc = fetch(l.off, p)) return lose(rc);
        if (Child(p->d, 0) != 0) {
            l.idx += 1;
            if (int rc = descendLeft(Child(p->d, l.idx))) return lose(rc);
        } else {
            l.idx += 1;
        }
        return settleForward();
    }
    int stepBackward() {
        Level& l = trail[depth - 1];
        CachedPage* p;
        if (int rc = fetch(l.off, p)) return lose(rc);
        if (Child(p->d, 0) != 0) {
            if (int rc = descendRight(Child(p->d, l.idx))) return lose(rc);
        } else {
            l.idx -= 1;
        }
        return settleBackward();
    }

    // Finds the cursor's place again after the tree changed. Returns r4success when the cursor
    // stands on its old entry, r4after when that entry is gone and the cursor stands on the next.
    int refind() {
        findKey.assign(curKey);
        return seekEntry(reinterpret_cast<const uint8_t*>(findKey.data()), curRec);
    }

    int next() {
        switch (pos) {
            case Pos::None:
            case Pos::Bof:
                return top();
            case Pos::Eof:
                return r4eof;
            case Pos::Detached: {
                int rc = refind();
                if (rc == r4success) return stepForward();
                return rc == r4after ? r4success : rc;
            }
            case Pos::Entry:
                break;
        }
        if (pathStamp != changes) {
            int rc = refind();
            if (rc == r4after) return r4success;
            if (rc != r4success) return rc;
        }
        return stepForward();
    }
    int prev() {
        switch (pos) {
            case Pos::None:
            case Pos::Eof:
                return bottom();
            case Pos::Bof:
                return r4bof;
            case Pos::Detached: {
                int rc = refind();
                if (rc == r4eof) return bottom();
                if (rc < 0) return rc;
                return stepBackward();
            }
            case Pos::Entry:
                break;
        }
        if (pathStamp != changes) {
            int rc = refind();
            if (rc == r4eof) return bottom();
            if (rc < 0) return rc;
        }
        return stepBackward();
    }

    // ---- changes -----------------------------------------------------------------------------
    int insert(const uint8_t* key, uint32_t rec) {
        struct Step {
            uint32_t off;
            int idx;
        };
        std::array<Step, kMaxDepth> steps;
        int n = 0;
        uint32_t off = root;
        for (;;) {
            if (n >= kMaxDepth) return tooDeep();
            CachedPage* p;
            if (int rc = fetch(off, p)) return rc;
            int i = lowerBound(p->d, key, rec);
            if (i < Count(p->d) && compareEntry(p->d, i, key, rec) == 0)
                return fail(e4index, "index file " + path + " already holds record " +
                                         std::to_string(rec) + " under that key");
            steps[n++] = {off, i};
            uint32_t c = Child(p->d, i);
            if (c == 0) break;
            off = c;
        }
        if (int rc = beginChange()) return rc;

        std::array<uint8_t, 8 + kNtxMaxKey> item{};
        Put32(item.data(), 0);
        Put32(item.data() + 4, rec);
        std::memcpy(item.data() + 8, key, keySize);
        uint32_t rightOfItem = 0;  // when set, the page after the inserted item (after a split)
        for (int level = n - 1;; --level) {
            CachedPage* p;
            if (int rc = fetch(steps[level].off, p)) return broke(rc);
            Pin pin(p);
            int at = steps[level].idx;
            int cnt = Count(p->d);
            if (cnt < maxItems) {
                OpenSlot(p->d, at);
                std::memcpy(Item(p->d, at), item.data(), itemSize);
                if (rightOfItem) SetChild(p->d, at + 1, rightOfItem);
                p->dirty = true;
                return 0;
            }
            // Split: lay the max+1 entries and the rightmost child out in order, keep the lower
            // half here, move the upper half to a new page and pass the middle entry up.
            CachedPage* r;
            if (int rc = allocPage(r)) return broke(rc);
            Pin rpin(r);
            const int total = cnt + 1;
            scratch.resize(static_cast<size_t>(total + 1) * itemSize);
            uint8_t* s = scratch.data();
            for (int i = 0, j = 0; i <= total; ++i) {
                uint8_t* dst = s + static_cast<size_t>(i) * itemSize;
                if (i == at) {
                    std::memcpy(dst, item.data(), itemSize);
                } else {
                    std::memcpy(dst, Item(p->d, j), itemSize);
                    if (rightOfItem && j == at) Put32(dst, rightOfItem);
                    ++j;
                }
            }
            const int mid = total / 2;
            const uint8_t* m = s + static_cast<size_t>(mid) * itemSize;
            WriteItems(r->d, maxItems, itemSize, m + itemSize, total - mid - 1,
                       Get32(s + static_cast<size_t>(total) * itemSize));
            WriteItems(p->d, maxItems, itemSize, s, mid, Get32(m));
            p->dirty = r->dirty = true;
            std::memcpy(item.data() + 4, m + 4, 4 + keySize);
            Put32(item.data(), p->off);
            rightOfItem = r->off;
            if (level == 0) {
                CachedPage* nr;
                if (int rc = allocPage(nr)) return broke(rc);
                SetCount(nr->d, 1);
                std::memcpy(Item(nr->d, 0), item.data(), itemSize);
                SetChild(nr->d, 1, rightOfItem);
                root = nr->off;
                headerDirty = true;
                return 0;
            }
        }
    }

    int broke(int rc) {
        broken = true;
        return rc;
    }

    int remove(const uint8_t* key, uint32_t rec) {
        struct Step {
            uint32_t off;
            int idx;
        };
        std::array<Step, kMaxDepth> steps;
        int n = 0;
        uint32_t off = root;
        int foundLevel = -1;
        for (;;) {
            if (n >= kMaxDepth) return tooDeep();
            CachedPage* p;
            if (int rc = fetch(off, p)) return rc;
            int i = lowerBound(p->d, key, rec);
            steps[n++] = {off, i};
            if (i < Count(p->d) && compareEntry(p->d, i, key, rec) == 0) {
                foundLevel = n - 1;
                break;
            }
            uint32_t c = Child(p->d, i);
            if (c == 0) break;
            off = c;
        }
        if (foundLevel < 0)
            return fail(e4index, "index file " + path + " holds no entry for record " +
                                     std::to_string(rec) + " under that key");
        // An entry in a branch page is replaced by its predecessor, the last entry of the
        // rightmost leaf of its left subtree; then that leaf loses an entry instead.
        CachedPage* fp;
        if (int rc = fetch(steps[foundLevel].off, fp)) return rc;
        if (Child(fp->d, 0) != 0) {
            uint32_t c = Child(fp->d, steps[foundLevel].idx);
            for (;;) {
                if (n >= kMaxDepth) return tooDeep();
                CachedPage* p;
                if (int rc = fetch(c, p)) return rc;
                int cnt = Count(p->d);
                if (Child(p->d, 0) == 0) {
                    if (cnt == 0)
                        return fault("leaf page " + Num(c) + " below a branch page is empty");
                    steps[n++] = {c, cnt - 1};
                    break;
                }
                steps[n++] = {c, cnt};
                c = Child(p->d, cnt);
            }
        }
        if (int rc = beginChange()) return rc;
        bool removingCursor =
            pos == Pos::Entry && curRec == rec && std::memcmp(curKey.data(), key, keySize) == 0;

        CachedPage* leaf;
        if (int rc = fetch(steps[n - 1].off, leaf)) return broke(rc);
        Pin leafPin(leaf);
        if (foundLevel != n - 1) {
            if (int rc = fetch(steps[foundLevel].off, fp)) return broke(rc);
            const uint8_t* src = Item(leaf->d, steps[n - 1].idx) + 4;
            std::memcpy(Item(fp->d, steps[foundLevel].idx) + 4, src, 4 + keySize);
            fp->dirty = true;
        }
        CloseSlot(leaf->d, steps[n - 1].idx);
        leaf->dirty = true;
        leafPin.release();
        if (removingCursor) pos = Pos::Detached;

        // Refill pages that fell below half, from a sibling or by merging with one.
        for (int level = n - 1; level > 0; --level) {
            CachedPage* node;
            if (int rc = fetch(steps[level].off, node)) return broke(rc);
            Pin nodePin(node);
            if (Count(node->d) >= half) return 0;
            CachedPage* parent;
            if (int rc = fetch(steps[level - 1].off, parent)) return broke(rc);
            Pin parentPin(parent);
            const int c = steps[level - 1].idx;
            const int pc = Count(parent->d);
            const bool leafLevel = Child(node->d, 0) == 0;
            CachedPage* left = nullptr;
            CachedPage* right = nullptr;
            Pin lpin, rpin;
            if (c > 0) {
                if (int rc = fetch(Child(parent->d, c - 1), left)) return broke(rc);
                lpin.reset(left);
            }
            if (c < pc) {
                if (int rc = fetch(Child(parent->d, c + 1), right)) return broke(rc);
                rpin.reset(right);
            }
            if ((left && (Child(left->d, 0) == 0) != leafLevel) ||
                (right && (Child(right->d, 0) == 0) != leafLevel))
                return broke(fault("sibling pages " + Num(node->off) + " lie at different depths"));
            if (left && Count(left->d) > half) {
                // Rotate right: the separator comes down in front, the left's last goes up.
                int nl = Count(left->d);
                OpenSlot(node->d, 0);
                uint8_t* it = Item(node->d, 0);
                Put32(it, Child(left->d, nl));
                std::memcpy(it + 4, Item(parent->d, c - 1) + 4, 4 + keySize);
                std::memcpy(Item(parent->d, c - 1) + 4, Item(left->d, nl - 1) + 4, 4 + keySize);
                CloseSlot(left->d, nl);
                node->dirty = parent->dirty = left->dirty = true;
                return 0;
            }
            if (right && Count(right->d) > half) {
                // Rotate left: the separator comes down at the end, the right's first goes up.
                int nn = Count(node->d);
                std::memcpy(Item(node->d, nn) + 4, Item(parent->d, c) + 4, 4 + keySize);
                OpenSlot(node->d, nn + 1);
                std::memset(Item(node->d, nn + 1), 0, itemSize);
                SetChild(node->d, nn + 1, Child(right->d, 0));
                std::memcpy(Item(parent->d, c) + 4, Item(right->d, 0) + 4, 4 + keySize);
                CloseSlot(right->d, 0);
                node->dirty = parent->dirty = right->dirty = true;
                return 0;
            }
            if (left) {
                merge(left, parent, c - 1, node);
            } else if (right) {
                merge(node, parent, c, right);
            } else {
                return broke(fault("branch page " + Num(parent->off) + " has no entries"));
            }
        }
        CachedPage* r;
        if (int rc = fetch(root, r)) return broke(rc);
        if (Count(r->d) == 0 && Child(r->d, 0) != 0) {
            uint32_t only = Child(r->d, 0);
            freePage(r);
            root = only;
            headerDirty = true;
        }
        return 0;
    }

    // Joins right into left around the parent's separator sep and frees right.
    void merge(CachedPage* left, CachedPage* parent, int sep, CachedPage* right) {
        int nl = Count(left->d), nr = Count(right->d);
        int total = nl + 1 + nr;
        scratch.resize(static_cast<size_t>(total) * itemSize);
        uint8_t* s = scratch.data();
        for (int i = 0; i < nl; ++i)
            std::memcpy(s + static_cast<size_t>(i) * itemSize, Item(left->d, i), itemSize);
        uint8_t* sepItem = s + static_cast<size_t>(nl) * itemSize;
        Put32(sepItem, Child(left->d, nl));
        std::memcpy(sepItem + 4, Item(parent->d, sep) + 4, 4 + keySize);
        for (int i = 0; i < nr; ++i)
            std::memcpy(s + static_cast<size_t>(nl + 1 + i) * itemSize, Item(right->d, i),
                        itemSize);
        uint32_t rightmost = Child(right->d, nr);
        WriteItems(left->d, maxItems, itemSize, s, total, rightmost);
        // The parent loses the separator and its pointer to right.
        SetChild(parent->d, sep + 1, left->off);
        CloseSlot(parent->d, sep);
        left->dirty = parent->dirty = true;
        freePage(right);
    }

    // ---- flushing ----------------------------------------------------------------------------
    int flush(bool durable) {
        if (readOnly || fd < 0) return 0;
        std::vector<CachedPage*> dirty;
        // Only cached pages are dirty: a page leaves the cache written.
        for (auto& p : frames)
            if (p->dirty) dirty.push_back(p.get());
        std::sort(dirty.begin(), dirty.end(),
                  [](const CachedPage* a, const CachedPage* b) { return a->off < b->off; });
        for (CachedPage* p : dirty)
            if (int rc = writePage(p)) return rc;
        if (durable && (!dirty.empty() || marked || headerDirty)) {
            if (Status s = SyncFd(fd, path); !s) return failStatus(s);
        }
        if (marked || headerDirty) {
            // A mark set ahead of a change that never came leaves the file as it was.
            const bool untouched = marked && changes == markedAt && !headerDirty && !broken;
            if (untouched) --version;
            if (int rc = writeHeader(broken)) {
                if (untouched) ++version;
                return rc;
            }
            if (!broken) marked = false;
            if (durable) {
                if (Status s = SyncFd(fd, path); !s) return failStatus(s);
            }
        }
        if (broken)
            return fail(e4index, "index file " + path +
                                     " was left half-changed by an earlier failure; rebuild it");
        return 0;
    }

    // ---- verification ------------------------------------------------------------------------
    struct VerifyState {
        const std::function<void(std::string_view, uint32_t)>* visit;
        std::vector<std::string>* problems;
        std::unordered_set<uint32_t> seen;
        int leafDepth = -1;
        bool havePrev = false;
        std::string prevKey;
        uint32_t prevRec = 0;
        size_t found = 0;
    };
    void problem(VerifyState& v, const std::string& what) {
        ++v.found;
        if (v.found <= 100)
            v.problems->push_back(what);
        else if (v.found == 101)
            v.problems->push_back("further problems in " + path + " are not listed");
    }
    void verifyPage(VerifyState& v, uint32_t off, int level) {
        if (level >= kMaxDepth) {
            problem(v, path + ": the tree is deeper than " + std::to_string(kMaxDepth) + " levels");
            return;
        }
        if (!v.seen.insert(off).second) {
            problem(v, path + ": page " + Num(off) + " is reached twice");
            return;
        }
        CachedPage* p;
        if (fetch(off, p) != 0) {
            problem(v, lastError);
            return;
        }
        // A private copy: walking the children may evict the cached page.
        uint8_t pg[kPage];
        std::memcpy(pg, p->d, kPage);
        int cnt = Count(pg);
        bool leaf = Child(pg, 0) == 0;
        if (leaf) {
            if (v.leafDepth < 0)
                v.leafDepth = level;
            else if (v.leafDepth != level)
                problem(v, path + ": leaf page " + Num(off) + " lies at depth " +
                               std::to_string(level) + ", others at " +
                               std::to_string(v.leafDepth));
        }
        if (cnt == 0 && off != root) problem(v, path + ": page " + Num(off) + " holds no entries");
        for (int i = 0; i <= cnt; ++i) {
            if (!leaf) verifyPage(v, Child(pg, i), level + 1);
            if (i == cnt) break;
            std::string_view k(reinterpret_cast<const char*>(KeyOf(pg, i)), keySize);
            uint32_t r = Rec(pg, i);
            if (v.havePrev) {
                int c = std::memcmp(v.prevKey.data(), k.data(), keySize);
                if (c > 0 || (c == 0 && v.prevRec >= r))
                    problem(v, path + ": entry for record " + std::to_string(r) + " in page " +
                                   Num(off) + " is out of order");
            }
            v.prevKey.assign(k);
            v.prevRec = r;
            v.havePrev = true;
            if (*v.visit) (*v.visit)(k, r);
        }
    }
    bool verify(const std::function<void(std::string_view, uint32_t)>& visit,
                std::vector<std::string>& problems) {
        VerifyState v;
        v.visit = &visit;
        v.problems = &problems;
        verifyPage(v, root, 0);
        // The free list: no loops, no page that the tree uses.
        uint64_t steps = fileEnd / kPage;
        for (uint32_t f = freeHead; f != 0;) {
            if (steps-- == 0) {
                problem(v, path + ": the free page list runs in a circle");
                break;
            }
            if (v.seen.count(f)) {
                problem(v, path + ": free page " + Num(f) + " is also part of the tree");
                break;
            }
            uint32_t next;
            if (nextFree(f, next) != 0) {
                problem(v, lastError);
                break;
            }
            f = next;
        }
        return v.found == 0;
    }
};

// ---- building -------------------------------------------------------------------------------

namespace {

struct Builder {
    int fd;
    const std::string& tmpPath;
    const uint8_t* keys;
    const std::vector<uint32_t>& recnos;
    const std::vector<uint32_t>& order;
    uint16_t keySize, itemSize, maxItems;
    std::vector<uint64_t> cap;  // entries a subtree of height h+1 can hold at most
    std::vector<uint8_t> out;   // pages waiting to be written
    uint64_t nextOff = kPage;
    uint64_t outStart = kPage;
    Status error;

    void putEntry(uint8_t* pg, int i, uint32_t child, size_t e) {
        uint8_t* it = Item(pg, i);
        Put32(it, child);
        uint32_t idx = order[e];
        Put32(it + 4, recnos[idx]);
        std::memcpy(it + 8, keys + static_cast<size_t>(idx) * keySize, keySize);
    }

    bool emit(const uint8_t* pg, uint32_t& off) {
        if (nextOff + kPage > kMaxFileEnd) {
            error =
                Status::Error(e4write, "index file " + tmpPath + " would exceed its largest size");
            return false;
        }
        off = static_cast<uint32_t>(nextOff);
        nextOff += kPage;
        out.insert(out.end(), pg, pg + kPage);
        if (out.size() >= 256 * kPage) return drain();
        return true;
    }
    bool drain() {
        if (out.empty()) return true;
        if (Status s = WriteAt(fd, out.data(), out.size(), outStart, tmpPath); !s) {
            error = s;
            return false;
        }
        outStart += out.size();
        out.clear();
        return true;
    }

    // Writes the subtree of height h over entries [first, first+n) children first and returns
    // the offset of its top page.
    bool subtree(size_t h, size_t first, size_t n, uint32_t& off) {
        uint8_t pg[kPage];
        InitPage(pg, maxItems, itemSize);
        if (h == 1) {
            SetCount(pg, static_cast<uint16_t>(n));
            for (size_t i = 0; i < n; ++i) putEntry(pg, static_cast<int>(i), 0, first + i);
            SetChild(pg, static_cast<int>(n), 0);
            return emit(pg, off);
        }
        // As few children as can hold the entries, sharing them evenly.
        const uint64_t below = cap[h - 2];
        size_t k = static_cast<size_t>((n + 1 + below) / (below + 1));
        if (k < 2) k = 2;
        size_t spread = n - (k - 1);
        size_t base = spread / k, extra = spread % k;
        size_t e = first;
        SetCount(pg, static_cast<uint16_t>(k - 1));
        for (size_t j = 0; j < k; ++j) {
            size_t m = base + (j < extra ? 1 : 0);
            uint32_t child;
            if (!subtree(h - 1, e, m, child)) return false;
            e += m;
            if (j + 1 < k) {
                putEntry(pg, static_cast<int>(j), child, e);
                ++e;
            } else {
                SetChild(pg, static_cast<int>(j), child);
            }
        }
        return emit(pg, off);
    }
};

}  // namespace

// ---- the interface --------------------------------------------------------------------------

NtxIndex::NtxIndex() : impl_(std::make_unique<Impl>()) {}

NtxIndex::~NtxIndex() {
    if (impl_ && impl_->fd >= 0) {
        (void)impl_->flush(false);
        ::close(impl_->fd);
    }
}

Status NtxIndex::open(const std::string& path, bool readOnly, std::unique_ptr<NtxIndex>& out) {
    out.reset();
    std::unique_ptr<NtxIndex> idx(new NtxIndex());
    Impl& m = *idx->impl_;
    m.path = path;
    m.readOnly = readOnly;
    m.fd = OpenFile(path, (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (m.fd < 0)
        return Status::Error(e4open,
                             "cannot open index file " + path + ": " + std::strerror(errno));
    auto bad = [&](const std::string& what) {
        return Status::Error(e4index, "index file " + path + " is damaged: " + what);
    };
    uint64_t size = 0;
    if (Status s = FileSize(m.fd, size, path); !s) return s;
    if (size < kPage)
        return bad("it is " + std::to_string(size) + " bytes long, shorter than its header page");
    if (size > kMaxFileEnd + kPage) size = kMaxFileEnd + kPage;
    m.fileEnd = size / kPage * kPage;
    if (Status s = ReadAt(m.fd, m.hdr, kPage, 0, path); !s) return s;
    const uint8_t* h = m.hdr;
    uint16_t sig = Get16(h + kOffSignature);
    if (!SignatureOk(sig))
        return bad("signature " + std::to_string(sig) + " is not that of an NTX file");
    if (h[kOffMark] == kChangingMark)
        return Status::Error(e4index, "index file " + path +
                                          " was being changed when its writer stopped; rebuild it");
    m.keySize = Get16(h + kOffKeySize);
    m.itemSize = Get16(h + kOffItemSize);
    m.maxItems = Get16(h + kOffMaxItems);
    m.half = Get16(h + kOffHalf);
    if (m.keySize < 1 || m.keySize > kNtxMaxKey)
        return bad("key size " + std::to_string(m.keySize) + " is outside 1 to 256");
    if (m.itemSize != m.keySize + 8)
        return bad("item size " + std::to_string(m.itemSize) + " does not match key size " +
                   std::to_string(m.keySize));
    if (m.maxItems < 2 || 2u + (m.maxItems + 1u) * (m.itemSize + 2u) > kPage)
        return bad(std::to_string(m.maxItems) + " items of " + std::to_string(m.itemSize) +
                   " bytes do not fit a page");
    if (m.half < 1 || m.half > m.maxItems / 2)
        return bad("half page " + std::to_string(m.half) + " does not suit " +
                   std::to_string(m.maxItems) + " items per page");
    m.root = Get32(h + kOffRoot);
    if (!m.pageInFile(m.root))
        return bad("root page " + std::to_string(m.root) + " lies outside the file");
    m.freeHead = Get32(h + kOffFree);
    if (m.freeHead != 0 && !m.pageInFile(m.freeHead))
        return bad("first free page " + std::to_string(m.freeHead) + " lies outside the file");
    m.version = Get16(h + kOffVersion);
    auto text = [&](size_t at, size_t field, std::string& dst) {
        const void* nul = std::memchr(h + at, 0, field);
        if (!nul) return false;
        dst.assign(reinterpret_cast<const char*>(h + at),
                   static_cast<const uint8_t*>(nul) - (h + at));
        return true;
    };
    NtxSpec& sp = m.spec;
    if (!text(kOffKeyExpr, kExprField, sp.keyExpr))
        return bad("the key expression is not terminated within its field");
    if (sig & kSigForItem) {
        if (!text(kOffForExpr, kExprField, sp.forExpr))
            return bad("the FOR expression is not terminated within its field");
    }
    if (sig != kSigOld) {
        std::string name;
        if (text(kOffTagName, kTagField, name) && name.size() <= kMaxTagName) sp.tagName = name;
        sp.descending = h[kOffDescend] != 0;
    }
    sp.keySize = m.keySize;
    sp.keyDec = Get16(h + kOffKeyDec);
    sp.unique = h[kOffUnique] != 0;
    m.buildSlotTable();
    m.curKey.reserve(m.keySize);
    m.findKey.reserve(m.keySize);
    if (int rc = m.checkBranches()) return m.status(rc);
    out = std::move(idx);
    return Status::Ok();
}

Status NtxIndex::build(const std::string& path, const NtxSpec& spec, std::string_view keys,
                       const std::vector<uint32_t>& recnos) {
    auto parm = [&](const std::string& what) {
        return Status::Error(e4parm, "cannot build index file " + path + ": " + what);
    };
    if (spec.keySize < 1 || spec.keySize > kNtxMaxKey)
        return parm("key size " + std::to_string(spec.keySize) + " is outside 1 to 256");
    if (spec.descending) return parm("descending tags are not supported");
    if (spec.tagName.size() > kMaxTagName)
        return parm("tag name \"" + spec.tagName + "\" is longer than 10 characters");
    auto fits = [](const std::string& s, size_t field) {
        return s.size() < field && s.find('\0') == std::string::npos;
    };
    if (!fits(spec.keyExpr, kExprField)) return parm("the key expression is too long");
    if (!fits(spec.forExpr, kExprField)) return parm("the FOR expression is too long");
    if (!fits(spec.tagName, kTagField)) return parm("the tag name holds a NUL");
    const size_t n = recnos.size();
    const uint16_t ks = spec.keySize;
    if (keys.size() != n * ks)
        return parm(std::to_string(keys.size()) + " key bytes for " + std::to_string(n) +
                    " entries of " + std::to_string(ks) + " bytes");
    if (n > 0xFFFFFFFFull) return parm("too many entries");
    const uint8_t* kb = reinterpret_cast<const uint8_t*>(keys.data());

    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    auto less = [&](uint32_t a, uint32_t b) {
        int c = std::memcmp(kb + static_cast<size_t>(a) * ks, kb + static_cast<size_t>(b) * ks, ks);
        if (c) return c < 0;
        return recnos[a] < recnos[b];
    };
    std::sort(order.begin(), order.end(), less);
    for (size_t i = 1; i < n; ++i)
        if (!less(order[i - 1], order[i]))
            return parm("record " + std::to_string(recnos[order[i]]) +
                        " is given twice under the same key");

    const uint16_t maxItems = MaxItemsFor(ks);
    const uint16_t itemSize = static_cast<uint16_t>(ks + 8);
    const std::string tmp = TempPathFor(path);
    int fd = OpenFile(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return Status::Error(e4create, "cannot create " + tmp + ": " + std::strerror(errno));
    auto abandon = [&](Status s) {
        ::close(fd);
        RemoveFile(tmp);
        return s;
    };

    Builder b{fd, tmp, kb, recnos, order, ks, itemSize, maxItems, {}, {}, kPage, kPage, {}};
    b.cap.push_back(maxItems);
    while (b.cap.back() < n) {
        uint64_t c = b.cap.back();
        b.cap.push_back(maxItems + (maxItems + 1ull) * c);
    }
    uint32_t root = 0;
    if (!b.subtree(b.cap.size(), 0, n, root) || !b.drain()) return abandon(b.error);

    uint8_t hdr[kPage] = {};
    uint16_t sig = kSigStandard | (spec.forExpr.empty() ? 0 : kSigForItem);
    Put16(hdr + kOffSignature, sig);
    Put16(hdr + kOffVersion, 1);
    Put32(hdr + kOffRoot, root);
    Put32(hdr + kOffFree, 0);
    Put16(hdr + kOffItemSize, itemSize);
    Put16(hdr + kOffKeySize, ks);
    Put16(hdr + kOffKeyDec, spec.keyDec);
    Put16(hdr + kOffMaxItems, maxItems);
    Put16(hdr + kOffHalf, static_cast<uint16_t>(maxItems / 2));
    std::memcpy(hdr + kOffKeyExpr, spec.keyExpr.data(), spec.keyExpr.size());
    hdr[kOffUnique] = spec.unique ? 1 : 0;
    std::memcpy(hdr + kOffForExpr, spec.forExpr.data(), spec.forExpr.size());
    std::memcpy(hdr + kOffTagName, spec.tagName.data(), spec.tagName.size());
    if (Status s = WriteAt(fd, hdr, kPage, 0, tmp); !s) return abandon(s);
    if (Status s = SyncFd(fd, tmp); !s) return abandon(s);
    if (::close(fd) != 0) {
        Status s = Status::Error(e4write, "cannot close " + tmp + ": " + std::strerror(errno));
        RemoveFile(tmp);
        return s;
    }
    return ReplaceFile(tmp, path);
}

const NtxSpec& NtxIndex::spec() const {
    return impl_->spec;
}
const std::string& NtxIndex::path() const {
    return impl_->path;
}

void NtxIndex::renamed(const std::string& path) {
    impl_->path = path;
}

Status NtxIndex::prepareChange() {
    Impl& m = *impl_;
    if (m.readOnly) return Status::Error(e4info, m.path + " is open read-only");
    if (m.broken)
        return Status::Error(
            e4index,
            "index file " + m.path + " was left half-changed by an earlier failure; rebuild it");
    return m.status(m.markChanging());
}

Status NtxIndex::setChangingMark(const std::string& path, bool on) {
    int fd = OpenFile(path, O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return Status::Error(e4open,
                             "cannot open index file " + path + ": " + std::strerror(errno));
    uint8_t sig[2];
    Status s = ReadAt(fd, sig, sizeof sig, 0, path);
    if (s && !SignatureOk(Get16(sig)))
        s = Status::Error(e4index, "index file " + path +
                                       " is damaged: its signature is not that "
                                       "of an NTX file");
    const uint8_t mark = on ? kChangingMark : 0;
    if (s) s = WriteAt(fd, &mark, 1, kOffMark, path);
    if (s) s = SyncFd(fd, path);
    ::close(fd);
    return s;
}

Status NtxIndex::insert(std::string_view key, uint32_t recno) {
    Impl& m = *impl_;
    if (key.size() != m.keySize)
        return Status::Error(e4parm, "index file " + m.path + " takes keys of " +
                                         std::to_string(m.keySize) + " bytes, not " +
                                         std::to_string(key.size()));
    return m.status(m.insert(reinterpret_cast<const uint8_t*>(key.data()), recno));
}

Status NtxIndex::remove(std::string_view key, uint32_t recno) {
    Impl& m = *impl_;
    if (key.size() != m.keySize)
        return Status::Error(e4parm, "index file " + m.path + " takes keys of " +
                                         std::to_string(m.keySize) + " bytes, not " +
                                         std::to_string(key.size()));
    return m.status(m.remove(reinterpret_cast<const uint8_t*>(key.data()), recno));
}

int NtxIndex::top() {
    return impl_->top();
}
int NtxIndex::bottom() {
    return impl_->bottom();
}
int NtxIndex::next() {
    return impl_->next();
}
int NtxIndex::prev() {
    return impl_->prev();
}

int NtxIndex::seek(std::string_view key) {
    Impl& m = *impl_;
    if (key.size() > m.keySize) {
        m.lose(0);
        return m.fail(e4parm, "a seek key of " + std::to_string(key.size()) +
                                  " bytes is longer than the keys of " + m.path);
    }
    return m.seekPrefix(reinterpret_cast<const uint8_t*>(key.data()), key.size());
}

int NtxIndex::seekEntry(std::string_view key, uint32_t recno) {
    Impl& m = *impl_;
    if (key.size() != m.keySize) {
        m.lose(0);
        return m.fail(e4parm, "an entry key of " + std::to_string(key.size()) +
                                  " bytes does not fit the keys of " + m.path);
    }
    return m.seekEntry(reinterpret_cast<const uint8_t*>(key.data()), recno);
}

bool NtxIndex::positioned() const {
    return impl_->pos == Impl::Pos::Entry;
}
uint32_t NtxIndex::recno() const {
    return impl_->curRec;
}
std::string_view NtxIndex::key() const {
    return impl_->curKey;
}

Status NtxIndex::flush() {
    return impl_->status(impl_->flush(false));
}
Status NtxIndex::sync() {
    return impl_->status(impl_->flush(true));
}

bool NtxIndex::verify(const std::function<void(std::string_view key, uint32_t recno)>& visit,
                      std::vector<std::string>& problems) {
    return impl_->verify(visit, problems);
}

void NtxIndex::setCacheLimit(size_t pages) {
    Impl& m = *impl_;
    m.limit = std::max<size_t>(pages, 1);
    (void)m.shrinkTo(m.limit);
}

}  // namespace xb

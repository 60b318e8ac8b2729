// The state of one open NTX index and the work its parts share: the header fields, the page
// cache, the cursor's trail and the errors. Each part of the index defines its own members:
// NtxCache.cpp reading, caching and allocating pages, NtxCursor.cpp the cursor's walk,
// NtxChange.cpp insertion, removal and flushing, NtxVerify.cpp the structure checks, Ntx.cpp
// opening the file and the public interface. Members return 0 or a negative code with lastError
// set; the lookups every part makes stay inline here.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Ntx.h"
#include "engine/NtxCache.h"
#include "engine/NtxFormat.h"

namespace xb {

struct NtxIndex::Impl {
    using CachedPage = ntx::CachedPage;

    std::string path;
    int fd = -1;
    bool readOnly = false;
    NtxSpec spec;
    uint8_t hdr[ntx::kPage] = {};
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
    ntx::PageMap map;
    CachedPage lru;  // sentinel
    std::vector<std::unique_ptr<CachedPage>> frames;
    std::vector<CachedPage*> spare;
    size_t limit = 1024;
    uint32_t lastMiss = 0;  // the last page read from the file (of a run, the run's last)
    uint32_t lastRun = 0;   // the last page of the last run read
    std::vector<uint8_t> ahead;
    std::vector<uint8_t> run;        // pages written together
    std::vector<CachedPage*> batch;  // pages about to be written
    std::vector<CachedPage*> inRun;  // the pages of one write

    // Cursor. trail[0..depth) runs from the root; the last level's idx is the entry under the
    // cursor, the others' the child descended into.
    struct Level {
        uint32_t off;
        int idx;
    };
    enum class Pos { None, Entry, Eof, Bof, Detached };
    std::array<Level, ntx::kMaxDepth> trail{};
    int depth = 0;
    Pos pos = Pos::None;
    std::string curKey;
    std::string findKey;  // curKey's copy while finding the cursor's place again
    uint32_t curRec = 0;
    uint64_t changes = 0;    // counts structural changes
    uint64_t markedAt = 0;   // value of changes when the mark was set
    uint64_t pathStamp = 0;  // value of changes when trail was found
    // What bounds each page of the trail: the page at level L holds only entries strictly above
    // the item copied for level lowAt[L] and strictly below the one copied for level highAt[L]
    // (-1: no bound on that side). The separators on the way down give these bounds, so a page
    // that lies about its place in the tree (another page's content, a cross-linked child) is
    // refused when the cursor enters it instead of being walked.
    std::array<int8_t, ntx::kMaxDepth> lowAt{}, highAt{};
    std::vector<uint8_t> boundItems;  // per level: its low item, then its high item

    std::vector<uint8_t> scratch;
    std::array<int16_t, ntx::kPage> slotAt{};  // slot number of each in-page offset, -1 elsewhere

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
    int broke(int rc) {
        broken = true;
        return rc;
    }

    // ---- pages and the cache (NtxCache.cpp) --------------------------------------------------
    bool pageInFile(uint32_t off) const {
        return off % ntx::kPage == 0 && off >= ntx::kPage &&
               static_cast<uint64_t>(off) + ntx::kPage <= fileEnd;
    }
    // Checks a page read from disk and brings its offsets into slot order when another writer
    // left them otherwise.
    // mayRelay false: a page whose offsets need that is refused, with e4index and no message.
    int checkPage(uint8_t* pg, uint32_t off, bool mayRelay = true);
    // The page's entries ascend by key and record number (NtxVerify.cpp).
    int checkOrder(const uint8_t* pg, uint32_t off);
    void buildSlotTable();
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
    int writePage(CachedPage* p);
    // Writes dirty pages in offset order, each run of pages that follow one another in the file
    // with one call; they stay cached, clean. Any failure leaves the index broken.
    int writePages(std::vector<CachedPage*>& pages);
    // Writes the dirty page cold, which is about to leave the cache, together with the other
    // coldest dirty pages: appends leave a page behind with every split, and those pages lie
    // together in the file.
    int writeCold(CachedPage* cold);
    // Evicts unpinned pages from the cold end until the cache is below keep pages.
    int shrinkTo(size_t keep);
    int frame(CachedPage*& out);
    // A spare frame or a new one, clean and unpinned, not yet in the map.
    CachedPage* freeFrame();
    void adopt(CachedPage* p, uint32_t off);
    int fetch(uint32_t off, CachedPage*& out) {
        if (CachedPage* hit = map.find(off)) {
            out = hit;
            if (lru.next != out) {
                unlink(out);
                pushFront(out);
            }
            return 0;
        }
        return load(off, out);
    }
    // Reads a page that is not in the cache, and the pages after it when the misses walk the
    // file forward.
    int load(uint32_t off, CachedPage*& out);
    // Keeps the pages read along with the one asked for: those not cached, checked and needing no
    // change, while a frame can be had without writing a page back.
    void keepAhead(uint32_t off, size_t pages);
    // Reads the next-free pointer of a free page (which may sit dirty in the cache).
    int nextFree(uint32_t off, uint32_t& next);
    int checkFreeList();
    // A new empty page, from the free list or appended at the end.
    int allocPage(CachedPage*& out);
    void freePage(CachedPage* p);

    // ---- comparisons -------------------------------------------------------------------------
    int compareEntry(const uint8_t* pg, int i, const uint8_t* key, uint32_t rec) const {
        int c = ntx::CompareKeys(ntx::KeyOf(pg, i), key, keySize);
        if (c) return c;
        uint32_t r = ntx::Rec(pg, i);
        return r < rec ? -1 : r > rec ? 1 : 0;
    }
    // First position whose entry is not below (key, rec).
    int lowerBound(const uint8_t* pg, const uint8_t* key, uint32_t rec) const {
        int lo = 0, hi = ntx::Count(pg);
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
        int lo = 0, hi = ntx::Count(pg);
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (ntx::CompareKeys(ntx::KeyOf(pg, mid), key, len) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    // First position whose key's first len bytes are above key.
    int upperBoundPrefix(const uint8_t* pg, const uint8_t* key, size_t len) const {
        int lo = 0, hi = ntx::Count(pg);
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (ntx::CompareKeys(ntx::KeyOf(pg, mid), key, len) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    // ---- cursor (NtxCursor.cpp) --------------------------------------------------------------
    int tooDeep();
    int lose(int rc) {
        depth = 0;
        pos = Pos::None;
        return rc;
    }
    void take(const uint8_t* pg, int i);
    // Before the cursor descends from pg, the trail's last level, into its child i: the bounds
    // of that child, from pg's entries on either side of it or inherited from pg's own.
    void boundBelow(const uint8_t* pg, int i);
    // Fetches the page at off as the trail's next level and checks it against that level's
    // bounds: a page below the root holds entries, and they lie strictly inside its bounds.
    int enter(uint32_t off, CachedPage*& out);
    int descendLeft(uint32_t off);
    int descendRight(uint32_t off);
    // From a candidate position, climbs until it names an entry.
    int settleForward();
    int settleBackward();
    int top();
    int bottom();
    template <class Bound>
    int descend(Bound bound);
    int seekEntry(const uint8_t* key, uint32_t rec);
    int seekPrefix(const uint8_t* key, size_t len);
    int stepForward();
    int stepBackward();
    // Finds the cursor's place again after the tree changed. Returns r4success when the cursor
    // stands on its old entry, r4after when that entry is gone and the cursor stands on the next.
    int refind();
    int next();
    int prev();
    // Counting a key range: the entries of the subtree at off that lie in it are added to total.
    // above and below say that the whole subtree is known to lie above the range's start or below
    // its end; pagesLeft stops a damaged tree that reaches a page twice.
    struct Range {
        const uint8_t* from;
        size_t fromLen;
        const uint8_t* through;
        size_t throughLen;
        uint64_t pagesLeft;
        // Or nullptr: given the entries' record numbers, in key order.
        const std::function<void(const uint32_t*, size_t)>* take;
    };
    // Counts the entries of the subtree at off that lie in the range; low and high (items, or
    // nullptr for none) are the entries of the pages above that bound it, as a walk checks them.
    int countRange(uint32_t off, Range& range, const uint8_t* low, const uint8_t* high, bool above,
                   bool below, int level, long& total);

    // ---- changes (NtxChange.cpp) -------------------------------------------------------------
    int writeHeader(bool mark);
    // Puts the mark on disk before the first change after open or flush.
    int markChanging();
    // Called before every change.
    int beginChange();
    // The way from the root down to where the entry (key, rec) lies or belongs: each page and the
    // place of the first entry not below it there, root first, in steps[0..n). The walk stops at
    // the page that holds the entry (foundLevel is its level) or at a leaf (foundLevel is -1).
    using ChangePath = std::array<Level, ntx::kMaxDepth>;
    int findPath(const uint8_t* key, uint32_t rec, ChangePath& steps, int& n, int& foundLevel);
    // inOrder: the key follows the one inserted before in key order (a run of gathered keys), so
    // the leaf that one went to is tried before a descent from the root.
    int insert(const uint8_t* key, uint32_t rec, bool inOrder = false);
    int remove(const uint8_t* key, uint32_t rec);
    // The leaf the last insertion in key order went to, the path to it and the entries of the
    // pages above that bound it: a key strictly between the bounds belongs in that leaf. Valid
    // while reshapes has not moved since.
    struct Finger {
        uint64_t shape = UINT64_MAX;
        ChangePath steps{};
        int n = 0;
        bool hasLow = false, hasHigh = false;
        std::array<uint8_t, 8 + kNtxMaxKey> low{}, high{};  // items: child, record, key
    } finger;
    uint64_t reshapes = 0;  // splits, new roots and removals, which move entries between pages
    // Fills steps down to key's leaf from the finger when the key lies within its bounds.
    bool fromFinger(const uint8_t* key, uint32_t rec, ChangePath& steps, int& n);
    void takeFinger(const ChangePath& steps, int n);
    // Joins right into left around the parent's separator sep and frees right.
    void merge(CachedPage* left, CachedPage* parent, int sep, CachedPage* right);
    int flush(bool durable);

    // ---- verification (NtxVerify.cpp) --------------------------------------------------------
    // Reads every branch page once, so that a truncated file or a damaged upper level is refused
    // when the file is opened.
    int checkBranches();
    struct VerifyState;
    void problem(VerifyState& v, const std::string& what);
    void verifyPage(VerifyState& v, uint32_t off, int level);
    bool verify(const std::function<void(std::string_view, uint32_t)>& visit,
                std::vector<std::string>& problems);
};

}  // namespace xb

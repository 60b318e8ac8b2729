// The index's page cache: pages are read on demand and checked as they are read, kept most
// recently used first, and written back when they are evicted or flushed. New pages come from the
// free list or the end of the file; freed pages go on the free list.
#include <algorithm>
#include <array>
#include <vector>

#include "engine/Files.h"
#include "engine/NtxImpl.h"

namespace xb {

using namespace ntx;

namespace {

// A walk in key order over a tree that was built or grew at its end meets its pages in file order,
// a few apart, and now and then a page that a split put elsewhere: a miss this close after the
// last one, or after the last run read, reads the pages that follow with it.
constexpr uint32_t kWalkGap = 4;
constexpr size_t kReadAhead = 32;
// Dirty pages written with a cold one that leaves the cache, and the most pages of one write.
constexpr size_t kWriteBatch = 64;
constexpr size_t kWriteRun = 64;
constexpr uint32_t kWriteGap = 8;

}  // namespace

int NtxIndex::Impl::checkPage(uint8_t* pg, uint32_t off, bool mayRelay) {
    int n = Count(pg);
    if (n > maxItems)
        return fault("page " + Num(off) + " holds " + std::to_string(n) + " items, more than the " +
                     std::to_string(maxItems) + " a page can hold");
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
    if (!canonical && !mayRelay) return e4index;
    if (!canonical) {
        const uint32_t start = ItemsStart(maxItems);
        std::array<uint16_t, kPage / 2> sorted;
        for (int i = 0; i <= n; ++i) {
            uint16_t o = SlotOf(pg, i);
            if (o < start || o + itemSize > kPage)
                return fault("page " + Num(off) + " has item " + std::to_string(i) + " at offset " +
                             std::to_string(o) + ", outside the page's item area");
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
            std::memcpy(items.data() + static_cast<size_t>(i) * itemSize, Item(pg, i), itemSize);
        uint32_t right = Child(pg, n);
        WriteItems(pg, maxItems, itemSize, items.data(), n, right);
    }
    return checkOrder(pg, off);
}

void NtxIndex::Impl::buildSlotTable() {
    slotAt.fill(-1);
    const uint32_t start = ItemsStart(maxItems);
    for (int s = 0; s <= maxItems; ++s) slotAt[start + s * itemSize] = static_cast<int16_t>(s);
}

int NtxIndex::Impl::writePage(CachedPage* p) {
    if (Status s = WriteAt(fd, p->d, kPage, p->off, path); !s.ok()) {
        broken = true;
        return failStatus(s);
    }
    p->dirty = false;
    return 0;
}

int NtxIndex::Impl::writePages(std::vector<CachedPage*>& pages) {
    std::sort(pages.begin(), pages.end(),
              [](const CachedPage* a, const CachedPage* b) { return a->off < b->off; });
    // A run may also take the cached pages that lie in a short gap between two of the pages: one
    // write with a few pages more costs less than two.
    auto bridged = [&](uint32_t from, uint32_t to) {
        if (to - from > kWriteGap * kPage) return false;
        for (uint32_t off = from; off < to; off += kPage)
            if (!map.find(off)) return false;
        return true;
    };
    for (size_t i = 0; i < pages.size();) {
        inRun.assign(1, pages[i]);
        size_t j = i + 1;
        while (j < pages.size() && inRun.size() < kWriteRun) {
            const uint32_t end = inRun.back()->off + kPage;
            if (pages[j]->off != end && !bridged(end, pages[j]->off)) break;
            for (uint32_t off = end; off < pages[j]->off; off += kPage)
                inRun.push_back(map.find(off));
            inRun.push_back(pages[j++]);
        }
        if (inRun.size() == 1) {
            if (int rc = writePage(inRun[0])) return rc;
        } else {
            run.resize(inRun.size() * kPage);
            for (size_t k = 0; k < inRun.size(); ++k)
                std::memcpy(&run[k * kPage], inRun[k]->d, kPage);
            if (Status s = WriteAt(fd, run.data(), run.size(), inRun[0]->off, path); !s.ok()) {
                broken = true;
                return failStatus(s);
            }
            // A page in use may be half-way through a change: it stays dirty.
            for (CachedPage* p : inRun)
                if (p->pins == 0) p->dirty = false;
        }
        i = j;
    }
    return 0;
}

int NtxIndex::Impl::writeCold(CachedPage* cold) {
    batch.clear();
    batch.push_back(cold);
    // Looks no further than the colder half of the cache: hot pages would soon be dirty again.
    size_t looked = 0;
    for (CachedPage* p = cold->prev; p != &lru && batch.size() < kWriteBatch && looked < limit / 2;
         p = p->prev, ++looked)
        if (p->dirty && p->pins == 0) batch.push_back(p);
    return writePages(batch);
}

int NtxIndex::Impl::shrinkTo(size_t keep) {
    CachedPage* p = lru.prev;
    while (map.size() > keep && p != &lru) {
        CachedPage* before = p->prev;
        if (p->pins == 0) {
            if (p->dirty) {
                if (int rc = writeCold(p)) return rc;
            }
            unlink(p);
            map.erase(p->off);
            spare.push_back(p);
        }
        p = before;
    }
    return 0;
}

int NtxIndex::Impl::frame(CachedPage*& out) {
    if (map.size() >= limit) {
        if (int rc = shrinkTo(limit - 1)) return rc;
    }
    out = freeFrame();
    return 0;
}

NtxIndex::Impl::CachedPage* NtxIndex::Impl::freeFrame() {
    CachedPage* p;
    if (!spare.empty()) {
        p = spare.back();
        spare.pop_back();
    } else {
        frames.push_back(std::make_unique<CachedPage>());
        p = frames.back().get();
    }
    p->dirty = false;
    p->pins = 0;
    return p;
}

void NtxIndex::Impl::adopt(CachedPage* p, uint32_t off) {
    p->off = off;
    map.emplace(off, p);
    pushFront(p);
}

int NtxIndex::Impl::load(uint32_t off, CachedPage*& out) {
    if (!pageInFile(off)) return fault("page offset " + Num(off) + " lies outside the file");
    auto follows = [off](uint32_t last) {
        return last != 0 && off > last && off - last <= kWalkGap * kPage;
    };
    const bool walking = follows(lastMiss) || follows(lastRun);
    size_t run =
        walking ? static_cast<size_t>(std::min<uint64_t>(kReadAhead, (fileEnd - off) / kPage)) : 1;
    CachedPage* p;
    if (int rc = frame(p)) return rc;
    uint8_t* into = p->d;
    if (run > 1) {
        ahead.resize(run * kPage);
        into = ahead.data();
    }
    // Pages allocated but not yet written lie past the file's end: a run may come up short.
    size_t got = 0;
    Status s = ReadAt(fd, into, run * kPage, off, path, &got);
    if (s.ok() && got < kPage) s = ReadAt(fd, p->d, kPage, off, path);  // the end-of-file error
    if (!s.ok()) {
        spare.push_back(p);
        return failStatus(s);
    }
    run = got / kPage;
    if (into != p->d) std::memcpy(p->d, into, kPage);
    lastMiss = static_cast<uint32_t>(off + (run - 1) * kPage);
    if (run > 1) lastRun = lastMiss;
    if (int rc = checkPage(p->d, off)) {
        spare.push_back(p);
        return rc;
    }
    adopt(p, off);
    out = p;
    if (run > 1) {
        Pin pin(p);
        keepAhead(off, run);
    }
    return 0;
}

void NtxIndex::Impl::keepAhead(uint32_t off, size_t pages) {
    const std::string error = lastError;
    for (size_t i = 1; i < pages; ++i) {
        const uint32_t at = static_cast<uint32_t>(off + i * kPage);
        if (map.find(at)) continue;
        CachedPage* p;
        if (map.size() < limit) {
            p = freeFrame();
        } else {
            // Only a clean page at the cold end makes room: nothing is written for a guess.
            p = lru.prev;
            if (p == &lru || p->pins != 0 || p->dirty) break;
            unlink(p);
            map.erase(p->off);
        }
        std::memcpy(p->d, ahead.data() + i * kPage, kPage);
        if (checkPage(p->d, at, false) != 0) {
            spare.push_back(p);
            continue;
        }
        adopt(p, at);
    }
    lastError = error;
}

int NtxIndex::Impl::nextFree(uint32_t off, uint32_t& next) {
    if (!pageInFile(off))
        return fault("the free page list points to " + Num(off) + ", outside the file");
    uint8_t buf[kPage];
    const uint8_t* pg;
    if (CachedPage* hit = map.find(off)) {
        pg = hit->d;
    } else {
        if (Status s = ReadAt(fd, buf, kPage, off, path); !s.ok()) return failStatus(s);
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

int NtxIndex::Impl::checkFreeList() {
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

int NtxIndex::Impl::allocPage(CachedPage*& out) {
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

void NtxIndex::Impl::freePage(CachedPage* p) {
    InitPage(p->d, maxItems, itemSize);
    SetChild(p->d, 0, freeHead);
    freeHead = p->off;
    p->dirty = true;
    headerDirty = true;
}

}  // namespace xb

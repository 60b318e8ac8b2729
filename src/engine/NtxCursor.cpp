// The cursor's walk over the tree: to either end, a step forward or back, and the seeks. The trail
// holds the path from the root to the entry under the cursor; after the tree changes, the cursor
// finds its place again from its key and record number. Every page the cursor descends into is
// checked against the separators above it: a page that does not belong where the tree puts it
// (another page's bytes, a cross-linked or zeroed page) fails the walk or the seek with e4index
// instead of yielding misplaced, repeated or skipped entries. A page that keeps its own range and
// order but has lost entries cannot be told from a sound one here; only relating the tag to the
// records finds it (the integrity check).
#include <cstring>

#include "engine/NtxImpl.h"

namespace xb {

using namespace ntx;

int NtxIndex::Impl::tooDeep() {
    return fault("the tree is deeper than " + std::to_string(kMaxDepth) + " levels (a page loop)");
}

void NtxIndex::Impl::take(const uint8_t* pg, int i) {
    curKey.assign(reinterpret_cast<const char*>(KeyOf(pg, i)), keySize);
    curRec = Rec(pg, i);
    pos = Pos::Entry;
    pathStamp = changes;
}

void NtxIndex::Impl::boundBelow(const uint8_t* pg, int i) {
    const int child = depth;
    if (child >= kMaxDepth) return;  // the descent stops there as too deep
    if (boundItems.empty()) boundItems.resize(2u * kMaxDepth * itemSize);
    uint8_t* low = boundItems.data() + (2u * child) * itemSize;
    uint8_t* high = low + itemSize;
    if (i > 0) {
        std::memcpy(low, Item(pg, i - 1), itemSize);
        lowAt[child] = static_cast<int8_t>(child);
    } else {
        lowAt[child] = lowAt[child - 1];
    }
    if (i < Count(pg)) {
        std::memcpy(high, Item(pg, i), itemSize);
        highAt[child] = static_cast<int8_t>(child);
    } else {
        highAt[child] = highAt[child - 1];
    }
}

int NtxIndex::Impl::enter(uint32_t off, CachedPage*& out) {
    CachedPage* p;
    if (int rc = fetch(off, p)) return rc;
    const int level = depth;
    if (level == 0) {
        lowAt[0] = highAt[0] = -1;
        out = p;
        return 0;
    }
    const int n = Count(p->d);
    if (n == 0) return fault("page " + Num(off) + " holds no entries");
    auto beyond = [&](int i, int boundLevel, int side) {
        const uint8_t* item = boundItems.data() + (2u * boundLevel + side) * itemSize;
        const int c = compareEntry(p->d, i, item + 8, Get32(item + 4));
        return side == 0 ? c <= 0 : c >= 0;
    };
    if ((lowAt[level] >= 0 && beyond(0, lowAt[level], 0)) ||
        (highAt[level] >= 0 && beyond(n - 1, highAt[level], 1)))
        return fault("page " + Num(off) +
                     " holds entries outside the range that the pages above it give it");
    out = p;
    return 0;
}

int NtxIndex::Impl::descendLeft(uint32_t off) {
    for (;;) {
        if (depth >= kMaxDepth) return tooDeep();
        CachedPage* p;
        if (int rc = enter(off, p)) return rc;
        trail[depth++] = {off, 0};
        if (Child(p->d, 0) == 0) return 0;
        boundBelow(p->d, 0);
        off = Child(p->d, 0);
    }
}

int NtxIndex::Impl::descendRight(uint32_t off) {
    for (;;) {
        if (depth >= kMaxDepth) return tooDeep();
        CachedPage* p;
        if (int rc = enter(off, p)) return rc;
        int n = Count(p->d);
        if (Child(p->d, 0) == 0) {
            trail[depth++] = {off, n - 1};
            return 0;
        }
        trail[depth++] = {off, n};
        boundBelow(p->d, n);
        off = Child(p->d, n);
    }
}

int NtxIndex::Impl::settleForward() {
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

int NtxIndex::Impl::settleBackward() {
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

int NtxIndex::Impl::top() {
    depth = 0;
    if (int rc = descendLeft(root)) return lose(rc);
    return settleForward();
}

int NtxIndex::Impl::bottom() {
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
int NtxIndex::Impl::descend(Bound bound) {
    depth = 0;
    uint32_t off = root;
    for (;;) {
        if (depth >= kMaxDepth) return lose(tooDeep());
        CachedPage* p;
        if (int rc = enter(off, p)) return lose(rc);
        int i = bound(p->d);
        trail[depth++] = {off, i};
        uint32_t c = Child(p->d, i);
        if (c == 0) break;
        boundBelow(p->d, i);
        off = c;
    }
    return settleForward();
}

int NtxIndex::Impl::seekEntry(const uint8_t* key, uint32_t rec) {
    int rc = descend([&](const auto& d) { return lowerBound(d, key, rec); });
    if (rc != r4success) return rc;
    if (std::memcmp(curKey.data(), key, keySize) == 0 && curRec == rec) return r4success;
    return r4after;
}

int NtxIndex::Impl::seekPrefix(const uint8_t* key, size_t len) {
    int rc = descend([&](const auto& d) { return lowerBoundPrefix(d, key, len); });
    if (rc != r4success) return rc;
    return std::memcmp(curKey.data(), key, len) == 0 ? r4success : r4after;
}

int NtxIndex::Impl::stepForward() {
    Level& l = trail[depth - 1];
    CachedPage* p;
    if (int rc = fetch(l.off, p)) return lose(rc);
    if (Child(p->d, 0) != 0) {
        l.idx += 1;
        boundBelow(p->d, l.idx);
        if (int rc = descendLeft(Child(p->d, l.idx))) return lose(rc);
    } else {
        l.idx += 1;
    }
    return settleForward();
}

int NtxIndex::Impl::stepBackward() {
    Level& l = trail[depth - 1];
    CachedPage* p;
    if (int rc = fetch(l.off, p)) return lose(rc);
    if (Child(p->d, 0) != 0) {
        boundBelow(p->d, l.idx);
        if (int rc = descendRight(Child(p->d, l.idx))) return lose(rc);
    } else {
        l.idx -= 1;
    }
    return settleBackward();
}

int NtxIndex::Impl::countRange(uint32_t off, Range& range, const uint8_t* low, const uint8_t* high,
                               bool above, bool below, int level, long& total) {
    if (level >= kMaxDepth) return tooDeep();
    if (range.pagesLeft-- == 0) return fault("a page is reached twice from the root");
    CachedPage* p;
    if (int rc = fetch(off, p)) return rc;
    const int n = Count(p->d);
    // The checks a walk makes on entering a page: the count stands in for a walk of the range.
    if (level > 0) {
        if (n == 0) return fault("page " + Num(off) + " holds no entries");
        if ((low && compareEntry(p->d, 0, low + 8, Get32(low + 4)) <= 0) ||
            (high && compareEntry(p->d, n - 1, high + 8, Get32(high + 4)) >= 0))
            return fault("page " + Num(off) +
                         " holds entries outside the range that the pages above it give it");
    }
    const int lo = above ? 0 : lowerBoundPrefix(p->d, range.from, range.fromLen);
    const int hi = below ? n : upperBoundPrefix(p->d, range.through, range.throughLen);
    if (hi < lo) return 0;  // the range is empty
    total += hi - lo;
    if (Child(p->d, 0) == 0) {
        if (range.take && hi > lo) {
            uint32_t recnos[kPage / 2];
            for (int i = lo; i < hi; ++i) recnos[i - lo] = Rec(p->d, i);
            (*range.take)(recnos, static_cast<size_t>(hi - lo));
        }
        return 0;
    }
    // The children between lo and hi, each within the entries on either side of it, and those
    // entries in key order: a copy, since the page may leave the cache while the children are
    // counted.
    uint8_t page[kPage];
    std::memcpy(page, p->d, kPage);
    for (int i = lo; i <= hi; ++i) {
        if (int rc = countRange(Child(page, i), range, i > 0 ? Item(page, i - 1) : low,
                                i < n ? Item(page, i) : high, above || i > lo, below || i < hi,
                                level + 1, total))
            return rc;
        if (range.take && i < hi) {
            const uint32_t recno = Rec(page, i);
            (*range.take)(&recno, 1);
        }
    }
    return 0;
}

int NtxIndex::Impl::refind() {
    findKey.assign(curKey);
    return seekEntry(reinterpret_cast<const uint8_t*>(findKey.data()), curRec);
}

int NtxIndex::Impl::next() {
    // The usual step of a walk: to the next entry of the same cached leaf.
    if (pos == Pos::Entry && pathStamp == changes && depth > 0) {
        Level& l = trail[depth - 1];
        if (const CachedPage* p = map.find(l.off);
            p && Child(p->d, 0) == 0 && l.idx + 1 < Count(p->d)) {
            take(p->d, ++l.idx);
            return r4success;
        }
    }
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

int NtxIndex::Impl::prev() {
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

}  // namespace xb

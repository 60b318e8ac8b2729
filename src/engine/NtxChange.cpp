// Changes to the tree and their way to the disk. Before the first change after open or flush the
// version is counted up, byte 279 is set to the "being changed" mark and the header is written and
// synced, so no changed page can reach the disk ahead of the mark. An insertion splits full pages
// on its way up; a removal refills pages that fell below half from a sibling or merges them.
// flush() writes the pages and then the header with the mark cleared; a change that stopped
// half-way leaves the mark set, so the file is refused until it is rebuilt. Other tools leave the
// byte alone or zero it when they rewrite the header, which only drops our warning.
#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <vector>

#include "engine/Files.h"
#include "engine/NtxImpl.h"

namespace xb {

using namespace ntx;

int NtxIndex::Impl::writeHeader(bool mark) {
    Put16(hdr + kOffVersion, version);
    Put32(hdr + kOffRoot, root);
    Put32(hdr + kOffFree, freeHead);
    hdr[kOffMark] = mark ? kChangingMark : 0;
    if (Status s = WriteAt(fd, hdr, kPage, 0, path); !s.ok()) {
        broken = true;
        return failStatus(s);
    }
    headerDirty = false;
    return 0;
}

int NtxIndex::Impl::markChanging() {
    if (marked) return 0;
    ++version;
    if (int rc = writeHeader(true)) return rc;
    if (Status s = SyncFd(fd, path); !s.ok()) return failStatus(s);
    marked = true;
    markedAt = changes;
    return 0;
}

int NtxIndex::Impl::beginChange() {
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

int NtxIndex::Impl::findPath(const uint8_t* key, uint32_t rec, ChangePath& steps, int& n,
                             int& foundLevel) {
    n = 0;
    foundLevel = -1;
    uint32_t off = root;
    for (;;) {
        if (n >= kMaxDepth) return tooDeep();
        CachedPage* p;
        if (int rc = fetch(off, p)) return rc;
        // Appends mostly go past a page's last entry: one comparison finds that.
        const int count = Count(p->d);
        const int i = count > 0 && compareEntry(p->d, count - 1, key, rec) < 0
                          ? count
                          : lowerBound(p->d, key, rec);
        assert(i >= 0 && i <= count);  // a place among the page's entries, or after the last
        steps[n++] = {off, i};
        if (i < count && compareEntry(p->d, i, key, rec) == 0) {
            foundLevel = n - 1;
            return 0;
        }
        const uint32_t c = Child(p->d, i);
        if (c == 0) return 0;
        off = c;
    }
}

bool NtxIndex::Impl::fromFinger(const uint8_t* key, uint32_t rec, ChangePath& steps, int& n) {
    if (finger.shape != reshapes) return false;
    // The order of a bounding item against (key, rec), as compareEntry gives it.
    const auto order = [&](const std::array<uint8_t, 8 + kNtxMaxKey>& item) {
        if (const int c = CompareKeys(item.data() + 8, key, keySize)) return c;
        const uint32_t r = Get32(item.data() + 4);
        return r < rec ? -1 : r > rec ? 1 : 0;
    };
    if ((finger.hasLow && order(finger.low) >= 0) || (finger.hasHigh && order(finger.high) <= 0))
        return false;
    steps = finger.steps;
    n = finger.n;
    return true;
}

void NtxIndex::Impl::takeFinger(const ChangePath& steps, int n) {
    finger.shape = UINT64_MAX;
    finger.hasLow = finger.hasHigh = false;
    // The nearest separator on each side, from the deepest page above the leaf that has one.
    for (int level = n - 2; level >= 0; --level) {
        CachedPage* p;
        if (fetch(steps[level].off, p) != 0) return;
        const int i = steps[level].idx;
        if (!finger.hasHigh && i < Count(p->d)) {
            std::memcpy(finger.high.data(), Item(p->d, i), itemSize);
            finger.hasHigh = true;
        }
        if (!finger.hasLow && i > 0) {
            std::memcpy(finger.low.data(), Item(p->d, i - 1), itemSize);
            finger.hasLow = true;
        }
    }
    finger.steps = steps;
    finger.n = n;
    finger.shape = reshapes;
}

int NtxIndex::Impl::insert(const uint8_t* key, uint32_t rec, bool inOrder) {
    ChangePath steps;
    int n = 0, foundLevel = -1;
    if (inOrder && fromFinger(key, rec, steps, n)) {
        CachedPage* leaf;
        if (int rc = fetch(steps[n - 1].off, leaf)) return rc;
        const int count = Count(leaf->d);
        const int i = count > 0 && compareEntry(leaf->d, count - 1, key, rec) < 0
                          ? count
                          : lowerBound(leaf->d, key, rec);
        steps[n - 1].idx = i;
        if (i < count && compareEntry(leaf->d, i, key, rec) == 0) foundLevel = n - 1;
    } else {
        if (int rc = findPath(key, rec, steps, n, foundLevel)) return rc;
        if (inOrder && foundLevel < 0) takeFinger(steps, n);
    }
    if (foundLevel >= 0)
        return fail(e4index, "index file " + path + " already holds record " + std::to_string(rec) +
                                 " under that key");
    if (int rc = beginChange()) return rc;
    assert(n > 0 && keySize <= kNtxMaxKey);  // the walk ended on a leaf; the key fits the item

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
        ++reshapes;
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

int NtxIndex::Impl::remove(const uint8_t* key, uint32_t rec) {
    ++reshapes;
    ChangePath steps;
    int n = 0, foundLevel = -1;
    if (int rc = findPath(key, rec, steps, n, foundLevel)) return rc;
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
                if (cnt == 0) return fault("leaf page " + Num(c) + " below a branch page is empty");
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

void NtxIndex::Impl::merge(CachedPage* left, CachedPage* parent, int sep, CachedPage* right) {
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
        std::memcpy(s + static_cast<size_t>(nl + 1 + i) * itemSize, Item(right->d, i), itemSize);
    uint32_t rightmost = Child(right->d, nr);
    WriteItems(left->d, maxItems, itemSize, s, total, rightmost);
    // The parent loses the separator and its pointer to right.
    SetChild(parent->d, sep + 1, left->off);
    CloseSlot(parent->d, sep);
    left->dirty = parent->dirty = true;
    freePage(right);
}

int NtxIndex::Impl::flush(bool durable) {
    if (readOnly || fd < 0) return 0;
    std::vector<CachedPage*> dirty;
    // Only cached pages are dirty: a page leaves the cache written.
    for (auto& p : frames)
        if (p->dirty) dirty.push_back(p.get());
    const bool wrote = !dirty.empty();
    if (int rc = writePages(dirty)) return rc;
    if (durable && (wrote || marked || headerDirty)) {
        if (Status s = SyncFd(fd, path); !s.ok()) return failStatus(s);
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
            if (Status s = SyncFd(fd, path); !s.ok()) return failStatus(s);
        }
    }
    if (broken)
        return fail(e4index, "index file " + path +
                                 " was left half-changed by an earlier failure; rebuild it");
    return 0;
}

}  // namespace xb

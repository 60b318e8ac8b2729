// Checks of the tree's structure: of the branch pages when the file is opened, so that a truncated
// file or a damaged upper level is refused at once, and of the whole tree and its free list on
// request, listing every problem found as a sentence.
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/NtxImpl.h"

namespace xb {

using namespace ntx;

// Reads every branch page once, so that a truncated file or a damaged upper level is refused
// when the file is opened. Branch pages are a small part of a tree; the leaves they point to
// have been bounded by checkPage and are checked in full when they are read.
int NtxIndex::Impl::checkBranches() {
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

namespace {

// Key order as CompareKeys gives it, in big-endian words with no call for the bytes after the
// first eight: every page read is checked, so this runs for each entry a walk reads. The last word
// of a key that is not a multiple of eight long overlaps the one before it.
int CompareWords(const uint8_t* a, const uint8_t* b, size_t n) {
    if (n < 8) return std::memcmp(a, b, n);
    for (size_t at = 0;; at += 8) {
        if (at + 8 > n) at = n - 8;
        uint64_t x, y;
        std::memcpy(&x, a + at, 8);
        std::memcpy(&y, b + at, 8);
        if (x != y) {
            if constexpr (std::endian::native == std::endian::little) {
                x = __builtin_bswap64(x);
                y = __builtin_bswap64(y);
            }
            return x < y ? -1 : 1;
        }
        if (at + 8 >= n) return 0;
    }
}

}  // namespace

int NtxIndex::Impl::checkOrder(const uint8_t* pg, uint32_t off) {
    for (int i = 1, n = Count(pg); i < n; ++i) {
        const int c = CompareWords(KeyOf(pg, i - 1), KeyOf(pg, i), keySize);
        if (c > 0 || (c == 0 && Rec(pg, i - 1) >= Rec(pg, i)))
            return fault("page " + Num(off) + " holds entries out of order");
    }
    return 0;
}

struct NtxIndex::Impl::VerifyState {
    const std::function<void(std::string_view, uint32_t)>* visit;
    std::vector<std::string>* problems;
    std::unordered_set<uint32_t> seen;
    int leafDepth = -1;
    bool havePrev = false;
    std::string prevKey;
    uint32_t prevRec = 0;
    size_t found = 0;
};

void NtxIndex::Impl::problem(VerifyState& v, const std::string& what) {
    ++v.found;
    if (v.found <= 100)
        v.problems->push_back(what);
    else if (v.found == 101)
        v.problems->push_back("further problems in " + path + " are not listed");
}

void NtxIndex::Impl::verifyPage(VerifyState& v, uint32_t off, int level) {
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
                           std::to_string(level) + ", others at " + std::to_string(v.leafDepth));
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

bool NtxIndex::Impl::verify(const std::function<void(std::string_view, uint32_t)>& visit,
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

}  // namespace xb

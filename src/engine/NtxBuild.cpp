// Building an index file in one pass: the entries are sorted by key and record number and the
// tree is written bottom-up, children before their parent, each page filled rather than split, the
// subtrees of a level sharing the entries evenly. The header goes last, and the file is written
// beside its target and renamed over it.
#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Files.h"
#include "engine/Ntx.h"
#include "engine/NtxFormat.h"

namespace xb {

using namespace ntx;

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
    // Written beside path and renamed over it, so a crash leaves the old file or the new one.
    return WriteBeside(path, [&](int fd, const std::string& tmp) {
        Builder b{fd, tmp, kb, recnos, order, ks, itemSize, maxItems, {}, {}, kPage, kPage, {}};
        b.cap.push_back(maxItems);
        while (b.cap.back() < n) {
            uint64_t c = b.cap.back();
            b.cap.push_back(maxItems + (maxItems + 1ull) * c);
        }
        uint32_t root = 0;
        if (!b.subtree(b.cap.size(), 0, n, root) || !b.drain()) return b.error;

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
        return WriteAt(fd, hdr, kPage, 0, tmp);
    });
}

}  // namespace xb

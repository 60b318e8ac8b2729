// Building an index file in one pass: the entries are sorted by key and record number and the
// tree is written bottom-up, children before their parent, each page filled rather than split, the
// subtrees of a level sharing the entries evenly. The header goes last, and the file is written
// beside its target and renamed over it.
#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Files.h"
#include "engine/Ntx.h"
#include "engine/NtxFormat.h"
#include "engine/NtxImpl.h"

namespace xb {

using namespace ntx;

// The sorted entries as the builder reads them: packed, or keys and record numbers in an order.
struct SortedNtxEntries {
    const uint8_t* packed = nullptr;  // 16 bytes an entry: key, record number big-endian
    const uint8_t* keys = nullptr;
    const uint32_t* recnos = nullptr;
    const uint32_t* order = nullptr;
};

namespace {

// Big-endian 64-bit words of 16 packed bytes.
uint64_t LoadBig(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
    return v;
}
void StoreBig(uint8_t* p, uint64_t v) {
    for (int i = 7; i >= 0; --i, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

struct Builder {
    int fd;
    const std::string& tmpPath;
    SortedNtxEntries entries;
    uint16_t keySize, itemSize, maxItems;
    std::vector<uint64_t> cap;  // entries a subtree of height h+1 can hold at most
    std::vector<uint8_t> out;   // pages waiting to be written
    uint64_t nextOff = kPage;
    uint64_t outStart = kPage;
    Status error;

    void putEntry(uint8_t* pg, int i, uint32_t child, size_t e) {
        uint8_t* it = Item(pg, i);
        Put32(it, child);
        if (entries.packed) {
            const uint8_t* p = entries.packed + 16 * e;
            Put32(it + 4, static_cast<uint32_t>(p[keySize]) << 24 | p[keySize + 1] << 16 |
                              p[keySize + 2] << 8 | p[keySize + 3]);
            std::memcpy(it + 8, p, keySize);
            return;
        }
        uint32_t idx = entries.order[e];
        Put32(it + 4, entries.recnos[idx]);
        std::memcpy(it + 8, entries.keys + static_cast<size_t>(idx) * keySize, keySize);
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
        if (Status s = WriteAt(fd, out.data(), out.size(), outStart, tmpPath); !s.ok()) {
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

// Puts the entries in order (packed ones in place, as bytes again: key, then the record number
// big-endian) and gives them as sorted; a record given twice under one key is refused through
// twice.
Status SortNtxEntries(NtxEntries& entries, SortedNtxEntries& sorted, std::vector<uint32_t>& order,
                      const std::function<Status(uint32_t)>& twice) {
    const uint16_t ks = entries.keySize();
    const size_t n = entries.size();
    if (entries.packed()) {
        auto& v = entries.packed_;
        std::sort(v.begin(), v.end());
        for (size_t i = 1; i < n; ++i)
            if (v[i] == v[i - 1]) {
                uint8_t bytes[16];
                StoreBig(bytes, v[i].high);
                StoreBig(bytes + 8, v[i].low);
                return twice(static_cast<uint32_t>(bytes[ks]) << 24 | bytes[ks + 1] << 16 |
                             bytes[ks + 2] << 8 | bytes[ks + 3]);
            }
        // The words back to bytes in place: the builder copies keys from them.
        static_assert(sizeof(NtxEntries::Packed) == 16);
        for (auto& p : v) {
            uint8_t bytes[16];
            StoreBig(bytes, p.high);
            StoreBig(bytes + 8, p.low);
            std::memcpy(&p, bytes, 16);
        }
        sorted.packed = reinterpret_cast<const uint8_t*>(v.data());
    } else {
        const uint8_t* kb = reinterpret_cast<const uint8_t*>(entries.keys_.data());
        const std::vector<uint32_t>& recnos = entries.recnos_;
        order.resize(n);
        std::iota(order.begin(), order.end(), 0u);
        auto less = [&](uint32_t a, uint32_t b) {
            int c =
                std::memcmp(kb + static_cast<size_t>(a) * ks, kb + static_cast<size_t>(b) * ks, ks);
            if (c) return c < 0;
            return recnos[a] < recnos[b];
        };
        std::sort(order.begin(), order.end(), less);
        for (size_t i = 1; i < n; ++i)
            if (!less(order[i - 1], order[i])) return twice(recnos[order[i]]);
        sorted = {nullptr, kb, recnos.data(), order.data()};
    }

    return Status::Ok();
}

void NtxEntries::reserve(size_t count) {
    if (packed()) {
        packed_.reserve(count);
    } else {
        keys_.reserve(count * keySize_);
        recnos_.reserve(count);
    }
}

void NtxEntries::add(const char* key, uint32_t recno) {
    if (!packed()) {
        keys_.append(key, keySize_);
        recnos_.push_back(recno);
        return;
    }
    uint8_t bytes[sizeof(Packed)] = {};
    std::memcpy(bytes, key, keySize_);
    for (int i = 0; i < 4; ++i) bytes[keySize_ + i] = static_cast<uint8_t>(recno >> (24 - 8 * i));
    packed_.push_back({LoadBig(bytes), LoadBig(bytes + 8)});
}

Status NtxIndex::insertAll(NtxEntries& entries) {
    Impl& m = *impl_;
    if (entries.keySize() != m.keySize)
        return Status::Error(e4parm, "index file " + m.path + " takes keys of " +
                                         std::to_string(m.keySize) + " bytes, not " +
                                         std::to_string(entries.keySize()));
    SortedNtxEntries sorted;
    std::vector<uint32_t> order;
    auto twice = [&](uint32_t recno) {
        return Status::Error(e4index, "index file " + m.path + " is given record " +
                                          std::to_string(recno) + " twice under the same key");
    };
    if (Status s = SortNtxEntries(entries, sorted, order, twice); !s.ok()) {
        m.broken = true;
        return s;
    }
    const uint16_t ks = m.keySize;
    for (size_t e = 0; e < entries.size(); ++e) {
        const uint8_t* key;
        uint32_t recno;
        if (sorted.packed) {
            key = sorted.packed + 16 * e;
            recno = static_cast<uint32_t>(key[ks]) << 24 | key[ks + 1] << 16 | key[ks + 2] << 8 |
                    key[ks + 3];
        } else {
            key = sorted.keys + static_cast<size_t>(sorted.order[e]) * ks;
            recno = sorted.recnos[sorted.order[e]];
        }
        // The records are in the table already: a tag that misses one of their keys must be
        // rebuilt, so it keeps its "being changed" mark.
        if (int rc = m.insert(key, recno, true)) return m.status(m.broke(rc));
    }
    return Status::Ok();
}

Status NtxIndex::build(const std::string& path, const NtxSpec& spec, std::string_view keys,
                       const std::vector<uint32_t>& recnos) {
    NtxEntries entries(spec.keySize);
    const size_t n = recnos.size();
    const uint16_t ks = spec.keySize;
    if (ks >= 1 && ks <= kNtxMaxKey) {
        if (keys.size() != n * ks)
            return Status::Error(e4parm, "cannot build index file " + path + ": " +
                                             std::to_string(keys.size()) + " key bytes for " +
                                             std::to_string(n) + " entries of " +
                                             std::to_string(ks) + " bytes");
        entries.reserve(n);
        for (size_t i = 0; i < n; ++i) entries.add(keys.data() + i * ks, recnos[i]);
    }
    return build(path, spec, entries);
}

Status NtxIndex::build(const std::string& path, const NtxSpec& spec, NtxEntries& entries) {
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
    const uint16_t ks = spec.keySize;
    if (entries.keySize() != ks)
        return parm("entries of " + std::to_string(entries.keySize()) + "-byte keys for keys of " +
                    std::to_string(ks) + " bytes");
    const size_t n = entries.size();
    if (n > 0xFFFFFFFFull) return parm("too many entries");
    auto twice = [&](uint32_t recno) {
        return parm("record " + std::to_string(recno) + " is given twice under the same key");
    };

    SortedNtxEntries sorted;
    std::vector<uint32_t> order;
    if (Status s = SortNtxEntries(entries, sorted, order, twice); !s.ok()) return s;

    const uint16_t maxItems = MaxItemsFor(ks);
    const uint16_t itemSize = static_cast<uint16_t>(ks + 8);
    // Written beside path and renamed over it, so a crash leaves the old file or the new one.
    return WriteBeside(path, [&](int fd, const std::string& tmp) {
        Builder b{fd, tmp, sorted, ks, itemSize, maxItems, {}, {}, kPage, kPage, {}};
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

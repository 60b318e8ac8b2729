// The layout of a Clipper NTX file, shared by the parts of the index: the header page's fields,
// the items of a key page and the edits that keep a page's offsets a permutation of its slots.
// Nothing here checks a page; callers trust offsets and counts only after the cache has checked
// the page it read (NtxCache.cpp).
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
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/Ntx.h"

namespace xb::ntx {

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

inline bool SignatureOk(uint16_t sig) {
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
inline uint16_t MaxItemsFor(uint16_t keySize) {
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
inline void InitPage(uint8_t* pg, uint16_t maxItems, uint16_t itemSize) {
    std::memset(pg, 0, kPage);
    uint32_t start = ItemsStart(maxItems);
    for (int i = 0; i <= maxItems; ++i)
        Put16(pg + 2 + 2 * i, static_cast<uint16_t>(start + i * itemSize));
}

// Writes n entries (whole items, back to back in items) and the rightmost child into pg.
inline void WriteItems(uint8_t* pg, uint16_t maxItems, uint16_t itemSize, const uint8_t* items,
                       int n, uint32_t rightChild) {
    InitPage(pg, maxItems, itemSize);
    SetCount(pg, static_cast<uint16_t>(n));
    for (int i = 0; i < n; ++i)
        std::memcpy(Item(pg, i), items + static_cast<size_t>(i) * itemSize, itemSize);
    SetChild(pg, n, rightChild);
}

// Opens a slot at position i (0..count+1) by moving offsets; the slot's item is left as it was.
inline void OpenSlot(uint8_t* pg, int i) {
    int n = Count(pg);
    uint8_t spare[2] = {pg[2 + 2 * (n + 1)], pg[3 + 2 * (n + 1)]};
    std::memmove(pg + 2 + 2 * (i + 1), pg + 2 + 2 * i, static_cast<size_t>(2 * (n + 1 - i)));
    pg[2 + 2 * i] = spare[0];
    pg[3 + 2 * i] = spare[1];
    SetCount(pg, static_cast<uint16_t>(n + 1));
}

// Closes position i (0..count); the items after it move down one position.
inline void CloseSlot(uint8_t* pg, int i) {
    int n = Count(pg);
    uint8_t freed[2] = {pg[2 + 2 * i], pg[3 + 2 * i]};
    std::memmove(pg + 2 + 2 * i, pg + 2 + 2 * (i + 1), static_cast<size_t>(2 * (n - i)));
    pg[2 + 2 * n] = freed[0];
    pg[3 + 2 * n] = freed[1];
    SetCount(pg, static_cast<uint16_t>(n - 1));
}

// Key order is byte order. Most keys differ within their first eight bytes, which are compared
// as one big-endian number before any call to memcmp; a key of up to 16 bytes (a date and an
// account number) then compares its last eight bytes the same way.
inline int CompareWords(const uint8_t* a, const uint8_t* b) {
    uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    if (x == y) return 0;
    if constexpr (std::endian::native == std::endian::little) {
        x = __builtin_bswap64(x);
        y = __builtin_bswap64(y);
    }
    return x < y ? -1 : 1;
}
inline int CompareKeys(const uint8_t* a, const uint8_t* b, size_t n) {
    if (n >= 8) {
        if (int c = CompareWords(a, b)) return c;
        if (n <= 16) return n == 8 ? 0 : CompareWords(a + n - 8, b + n - 8);
        return std::memcmp(a + 8, b + 8, n - 8);
    }
    return std::memcmp(a, b, n);
}

// Page offsets and counts in messages.
inline std::string Num(uint32_t v) {
    return std::to_string(v);
}

}  // namespace xb::ntx

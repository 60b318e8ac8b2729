// Damages one page of an NTX tag file as a failing disk or a stray write would, for tests of what
// the program does with a tag it cannot trust. The page is a leaf in the middle of the key order,
// away from the leftmost path that opening the file reads, so the file still opens and the damage
// is met only by a walk or a seek that reaches it.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvltest {

enum class PageDamage {
    Overwritten,       // holds the bytes of another leaf: well formed, in order, misplaced
    Zeroed,            // all zero bytes
    ChildPastTheFile,  // its child pointers name pages beyond the end of the file
};

inline const char* DamageName(PageDamage how) {
    switch (how) {
        case PageDamage::Overwritten:
            return "overwritten";
        case PageDamage::Zeroed:
            return "zeroed";
        case PageDamage::ChildPastTheFile:
            return "child past the file";
    }
    return "";
}

// Damages the middle leaf of the tree in the file at path; throws when the tree has fewer than
// three leaves (the test's books are too small to hold a page away from the leftmost path).
inline void DamageMiddleLeaf(const std::string& path, PageDamage how) {
    constexpr size_t kPage = 1024;
    std::vector<uint8_t> b;
    {
        std::ifstream in(path, std::ios::binary);
        b.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(b.at(at) | b.at(at + 1) << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    auto item = [&](uint32_t page, uint32_t i) { return page + u16(page + 2 + 2 * i); };
    std::vector<uint32_t> leaves;
    std::vector<uint32_t> pending{u32(4)};  // the root
    while (!pending.empty()) {
        const uint32_t page = pending.back();
        pending.pop_back();
        if (u32(item(page, 0)) == 0) {
            leaves.push_back(page);
            continue;
        }
        for (uint32_t i = u16(page) + 1; i-- > 0;) pending.push_back(u32(item(page, i)));
    }
    if (leaves.size() < 3) throw std::runtime_error(path + " has fewer than three leaves");
    const uint32_t victim = leaves[leaves.size() / 2];
    switch (how) {
        case PageDamage::Overwritten: {
            const uint32_t other = leaves.back();
            std::copy(b.begin() + other, b.begin() + other + kPage, b.begin() + victim);
            break;
        }
        case PageDamage::Zeroed:
            std::fill(b.begin() + victim, b.begin() + victim + kPage, 0);
            break;
        case PageDamage::ChildPastTheFile: {
            const uint32_t past = static_cast<uint32_t>(b.size() + 1000 * kPage);
            for (uint32_t i = 0; i <= u16(victim); ++i)
                for (int k = 0; k < 4; ++k)
                    b[item(victim, i) + k] = static_cast<uint8_t>(past >> 8 * k);
            break;
        }
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

}  // namespace kvltest

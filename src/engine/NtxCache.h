// The page cache's pieces: a cached page, the pin that keeps it from eviction while in use, and
// the map from page offset to cached page. The cache itself (what is kept, read and written back)
// is the index's (NtxCache.cpp); these types hold no policy.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/NtxFormat.h"

namespace xb::ntx {

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

}  // namespace xb::ntx

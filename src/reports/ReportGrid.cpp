#include "reports/ReportGrid.h"

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace kvl {

namespace {

constexpr std::size_t kFirstBlock = 64 * 1024;
constexpr std::size_t kLargestBlock = 4 * 1024 * 1024;
constexpr std::size_t kCellLimit = 0xFFFF;
constexpr std::size_t kLargeGrid = 16 * 1024 * 1024;

// Large blocks have their pages made at once where the system can: a detail report over a million
// records fills some 128 MB, and every 4 KiB page of it would otherwise cost a fault of its own.
char* AllocateBlock(std::size_t size) {
    char* bytes = static_cast<char*>(std::malloc(size));
    if (!bytes) throw std::bad_alloc();
#ifdef MADV_POPULATE_WRITE
    constexpr std::size_t kPage = 4096;
    const auto start = (reinterpret_cast<std::uintptr_t>(bytes) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(bytes) + size) & ~(kPage - 1);
    if (size >= 1024 * 1024 && end > start)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#endif
    return bytes;
}

// Cuts UTF-8 text to at most limit bytes without splitting a character.
std::size_t CutUtf8(QByteArrayView text, std::size_t limit) {
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(text.size()), limit);
    if (n == static_cast<std::size_t>(text.size())) return n;
    while (n > 0 && (static_cast<unsigned char>(text.at(static_cast<qsizetype>(n))) & 0xC0) == 0x80)
        --n;
    return n;
}

}  // namespace

void ReportGrid::FreeBytes::operator()(char* bytes) const {
    std::free(bytes);
}

void ReportGrid::reset(int width, int columns) {
    clear();
    width_ = width;
    columns_ = std::max(columns, 1);
}

void ReportGrid::clear() {
    const bool large = memoryUsed() >= kLargeGrid;
    std::vector<RowRef>().swap(rows_);
    std::vector<RowKind>().swap(kinds_);
    columnKinds_.clear();
    dateFormat_.clear();
    std::vector<Block>().swap(blocks_);
    std::string().swap(text_);
    std::string().swap(scratch_);
    std::vector<std::uint16_t>().swap(lengths_);
    utf8_ = QByteArray();
    width_ = 0;
    columns_ = 0;
    // A large grid's blocks were made by the detail's row writer, in its thread's own part of the
    // allocator's memory, which keeps freed pages unless told: without this a closed report of a
    // million rows leaves tens of megabytes resident.
    if (large) ::malloc_trim(0);
}

void ReportGrid::appendRow(RowKind kind) {
    rows_.push_back({kEmptyRow, 0});
    kinds_.push_back(kind);
}

void ReportGrid::setRowKind(int row, RowKind kind) {
    if (row >= 0 && row < rows()) kinds_[static_cast<std::size_t>(row)] = kind;
}

RowKind ReportGrid::rowKind(int row) const {
    return row >= 0 && row < rows() ? kinds_[static_cast<std::size_t>(row)] : RowKind::Body;
}

CellKind ReportGrid::columnKind(int column) const {
    return column >= 0 && static_cast<std::size_t>(column) < columnKinds_.size()
               ? columnKinds_[static_cast<std::size_t>(column)]
               : CellKind::Text;
}

std::size_t ReportGrid::segmentSize(Segment seg) const {
    std::size_t size = tableSize(seg.narrow);
    for (int c = 0; c < columns_; ++c) size += lengthAt(seg, c);
    return size;
}

void ReportGrid::writeTable(char* to, const std::uint16_t* lengths, int count, bool narrow) const {
    if (narrow) {
        for (int c = 0; c < count; ++c) to[c] = static_cast<char>(lengths[c]);
    } else {
        std::memcpy(to, lengths, 2 * static_cast<std::size_t>(count));
    }
    const std::size_t width = narrow ? 1 : 2;
    if (count < columns_)
        std::memset(to + width * count, 0, width * static_cast<std::size_t>(columns_ - count));
}

void ReportGrid::reserve(std::size_t bytes) {
    if (!blocks_.empty() && blocks_.back().size - blocks_.back().used >= bytes) return;
    std::size_t size =
        blocks_.empty() ? kFirstBlock : std::min(blocks_.back().size * 2, kLargestBlock);
    size = std::max(size, bytes);
    Block block;
    block.bytes.reset(AllocateBlock(size));
    block.size = size;
    blocks_.push_back(std::move(block));
}

char* ReportGrid::place(std::size_t bytes, RowRef* ref) {
    reserve(bytes);
    Block& block = blocks_.back();
    ref->block = static_cast<std::uint32_t>(blocks_.size() - 1);
    ref->offset = static_cast<std::uint32_t>(block.used);
    block.used += bytes;
    return block.bytes.get() + ref->offset;
}

void ReportGrid::set(int row, int column, QStringView text) {
    if (row < 0 || row >= rows() || column < 0 || column >= columns_) return;
    // Most texts are ASCII: their bytes are their UTF-16 units, no conversion needed.
    const char* bytes = nullptr;
    std::size_t size = 0;
    std::string& ascii = text_;
    ascii.clear();
    bool isAscii = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            isAscii = false;
            break;
        }
        ascii += static_cast<char>(c.unicode());
    }
    if (isAscii) {
        bytes = ascii.data();
        size = ascii.size();
    } else {
        utf8_ = text.toUtf8();
        bytes = utf8_.constData();
        size = static_cast<std::size_t>(utf8_.size());
    }
    const std::size_t newLength =
        CutUtf8(QByteArrayView(bytes, static_cast<qsizetype>(size)), kCellLimit);
    RowRef& ref = rows_[static_cast<std::size_t>(row)];
    const Segment old = segment(ref);
    if (!old.table && newLength == 0) return;

    // The row as it will be: lengths, then the cells in order.
    lengths_.resize(static_cast<std::size_t>(columns_));
    std::size_t textBytes = 0;
    bool narrow = true;
    for (int c = 0; c < columns_; ++c) {
        const std::uint16_t length = c == column ? static_cast<std::uint16_t>(newLength)
                                     : old.table ? lengthAt(old, c)
                                                 : 0;
        lengths_[static_cast<std::size_t>(c)] = length;
        textBytes += length;
        narrow = narrow && length <= kNarrowMost;
    }
    if (textBytes == 0) {
        ref = {kEmptyRow, 0};
        return;
    }
    std::string& updated = scratch_;
    updated.assign(tableSize(narrow), '\0');
    writeTable(updated.data(), lengths_.data(), columns_, narrow);
    const char* oldText = old.table ? old.table + tableSize(old.narrow) : nullptr;
    for (int c = 0; c < columns_; ++c) {
        const std::uint16_t oldLength = old.table ? lengthAt(old, c) : 0;
        if (c == column)
            updated.append(bytes, newLength);
        else if (oldLength)
            updated.append(oldText, oldLength);
        if (oldText) oldText += oldLength;
    }
    // The row written last sits at the end of the last block and can change in place.
    if (old.table && ref.block + 1 == blocks_.size()) {
        Block& block = blocks_.back();
        const std::size_t offset = ref.offset & ~kNarrow;
        const std::size_t oldSize = segmentSize(old);
        if (offset + oldSize == block.used && offset + updated.size() <= block.size) {
            std::memcpy(block.bytes.get() + offset, updated.data(), updated.size());
            block.used = offset + updated.size();
            ref.offset = static_cast<std::uint32_t>(offset) | (narrow ? kNarrow : 0);
            return;
        }
    }
    char* target = place(updated.size(), &ref);
    std::memcpy(target, updated.data(), updated.size());
    if (narrow) ref.offset |= kNarrow;
}

void ReportGrid::setRow(int row, const QByteArrayView* cells, int count) {
    if (row < 0 || row >= rows()) return;
    count = std::clamp(count, 0, columns_);
    lengths_.resize(static_cast<std::size_t>(columns_));
    std::size_t text = 0;
    bool narrow = true;
    for (int c = 0; c < count; ++c) {
        const std::size_t n = CutUtf8(cells[c], kCellLimit);
        lengths_[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(n);
        text += n;
        narrow = narrow && n <= kNarrowMost;
    }
    RowRef& ref = rows_[static_cast<std::size_t>(row)];
    if (text == 0) {
        ref = {kEmptyRow, 0};
        return;
    }
    const std::size_t table = tableSize(narrow);
    char* target = place(table + text, &ref);
    if (narrow) ref.offset |= kNarrow;
    writeTable(target, lengths_.data(), count, narrow);
    char* out = target + table;
    for (int c = 0; c < count; ++c) {
        const std::size_t n = lengths_[static_cast<std::size_t>(c)];
        if (n > 0) std::memcpy(out, cells[c].data(), n);  // an empty view may have no data
        out += n;
    }
}

// A row given less than 256 bytes of room has no cell of 256 bytes or more: its table is narrow.
char* ReportGrid::beginRow(std::size_t room) {
    beginNarrow_ = room <= kNarrowMost;
    const std::size_t table = tableSize(beginNarrow_);
    reserve(table + room);
    Block& block = blocks_.back();
    return block.bytes.get() + block.used + table;
}

void ReportGrid::endRow(int row, const std::uint16_t* lengths, int count) {
    if (row < 0 || row >= rows() || blocks_.empty()) return;
    count = std::clamp(count, 0, columns_);
    Block& block = blocks_.back();
    char* target = block.bytes.get() + block.used;
    std::size_t text = 0;
    for (int c = 0; c < count; ++c) text += lengths[c];
    writeTable(target, lengths, count, beginNarrow_);
    RowRef& ref = rows_[static_cast<std::size_t>(row)];
    if (text == 0) {
        ref = {kEmptyRow, 0};
        return;
    }
    ref = {static_cast<std::uint32_t>(blocks_.size() - 1),
           static_cast<std::uint32_t>(block.used) | (beginNarrow_ ? kNarrow : 0)};
    block.used += tableSize(beginNarrow_) + text;
}

QByteArrayView ReportGrid::cellUtf8(int row, int column) const {
    if (row < 0 || row >= rows() || column < 0 || column >= columns_) return {};
    const Segment seg = segment(rows_[static_cast<std::size_t>(row)]);
    if (!seg.table) return {};
    const char* text = seg.table + tableSize(seg.narrow);
    for (int c = 0; c < column; ++c) text += lengthAt(seg, c);
    return QByteArrayView(text, lengthAt(seg, column));
}

QString ReportGrid::cell(int row, int column) const {
    const QByteArrayView bytes = cellUtf8(row, column);
    return QString::fromUtf8(bytes.data(), bytes.size());
}

std::size_t ReportGrid::memoryUsed() const {
    std::size_t total = rows_.capacity() * sizeof(RowRef) + kinds_.capacity() * sizeof(RowKind) +
                        blocks_.capacity() * sizeof(Block);
    for (const Block& block : blocks_) total += block.size;
    return total;
}

}  // namespace kvl

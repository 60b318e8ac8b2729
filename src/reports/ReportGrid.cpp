#include "reports/ReportGrid.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kvl {

namespace {

constexpr std::size_t kFirstBlock = 64 * 1024;
constexpr std::size_t kLargestBlock = 4 * 1024 * 1024;
constexpr std::size_t kCellLimit = 0xFFFF;

// Cuts UTF-8 text to at most limit bytes without splitting a character.
std::size_t CutUtf8(const QByteArray& text, std::size_t limit) {
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(text.size()), limit);
    if (n == static_cast<std::size_t>(text.size())) return n;
    while (n > 0 && (static_cast<unsigned char>(text.at(static_cast<qsizetype>(n))) & 0xC0) == 0x80)
        --n;
    return n;
}

}  // namespace

void ReportGrid::reset(int width, int columns) {
    clear();
    width_ = width;
    columns_ = std::max(columns, 1);
}

void ReportGrid::clear() {
    std::vector<RowRef>().swap(rows_);
    std::vector<Block>().swap(blocks_);
    width_ = 0;
    columns_ = 0;
}

void ReportGrid::appendRow() {
    rows_.push_back({kEmptyRow, 0});
}

const char* ReportGrid::segment(const RowRef& ref) const {
    if (ref.block == kEmptyRow) return nullptr;
    return blocks_[ref.block].bytes.get() + ref.offset;
}

std::uint16_t ReportGrid::lengthAt(const char* seg, int column) const {
    std::uint16_t length;
    std::memcpy(&length, seg + 2 * column, sizeof length);
    return length;
}

std::size_t ReportGrid::segmentSize(const char* seg) const {
    std::size_t size = 2 * static_cast<std::size_t>(columns_);
    for (int c = 0; c < columns_; ++c) size += lengthAt(seg, c);
    return size;
}

char* ReportGrid::place(std::size_t bytes, RowRef* ref) {
    if (blocks_.empty() || blocks_.back().size - blocks_.back().used < bytes) {
        std::size_t size =
            blocks_.empty() ? kFirstBlock : std::min(blocks_.back().size * 2, kLargestBlock);
        size = std::max(size, bytes);
        Block block;
        block.bytes.reset(new char[size]);
        block.size = size;
        blocks_.push_back(std::move(block));
    }
    Block& block = blocks_.back();
    ref->block = static_cast<std::uint32_t>(blocks_.size() - 1);
    ref->offset = static_cast<std::uint32_t>(block.used);
    block.used += bytes;
    return block.bytes.get() + ref->offset;
}

void ReportGrid::set(int row, int column, QStringView text) {
    if (row < 0 || row >= rows() || column < 0 || column >= columns_) return;
    const QByteArray utf8 = text.toUtf8();
    const std::size_t newLength = CutUtf8(utf8, kCellLimit);
    RowRef& ref = rows_[static_cast<std::size_t>(row)];
    const char* old = segment(ref);
    if (!old && newLength == 0) return;

    // The row as it will be: lengths, then the cells in order.
    std::string updated(2 * static_cast<std::size_t>(columns_), '\0');
    bool anyText = false;
    const char* oldText = old ? old + 2 * columns_ : nullptr;
    for (int c = 0; c < columns_; ++c) {
        const std::uint16_t oldLength = old ? lengthAt(old, c) : 0;
        const std::uint16_t length =
            c == column ? static_cast<std::uint16_t>(newLength) : oldLength;
        std::memcpy(updated.data() + 2 * c, &length, sizeof length);
        if (c == column)
            updated.append(utf8.constData(), newLength);
        else if (oldLength)
            updated.append(oldText, oldLength);
        if (oldText) oldText += oldLength;
        anyText = anyText || length != 0;
    }
    if (!anyText) {
        ref = {kEmptyRow, 0};
        return;
    }
    // The row written last sits at the end of the last block and can change in place.
    if (old && ref.block + 1 == blocks_.size()) {
        Block& block = blocks_.back();
        const std::size_t oldSize = segmentSize(old);
        if (ref.offset + oldSize == block.used && ref.offset + updated.size() <= block.size) {
            std::memcpy(block.bytes.get() + ref.offset, updated.data(), updated.size());
            block.used = ref.offset + updated.size();
            return;
        }
    }
    char* target = place(updated.size(), &ref);
    std::memcpy(target, updated.data(), updated.size());
}

QByteArrayView ReportGrid::cellUtf8(int row, int column) const {
    if (row < 0 || row >= rows() || column < 0 || column >= columns_) return {};
    const char* seg = segment(rows_[static_cast<std::size_t>(row)]);
    if (!seg) return {};
    const char* text = seg + 2 * columns_;
    for (int c = 0; c < column; ++c) text += lengthAt(seg, c);
    return QByteArrayView(text, lengthAt(seg, column));
}

QString ReportGrid::cell(int row, int column) const {
    const QByteArrayView bytes = cellUtf8(row, column);
    return QString::fromUtf8(bytes.data(), bytes.size());
}

std::size_t ReportGrid::memoryUsed() const {
    std::size_t total = rows_.capacity() * sizeof(RowRef) + blocks_.capacity() * sizeof(Block);
    for (const Block& block : blocks_) total += block.size;
    return total;
}

}  // namespace kvl

// The cells of one report: rows of a fixed number of texts, appended one row at a time, any cell
// rewritable later. Held compactly because a report can be as large as the books (a detail report
// over a million records): the texts are UTF-8 in large arena blocks, one row's cells side by side
// after a table of their lengths (one byte a cell where every cell of the row is shorter than 256
// bytes, as nearly all are, else two), and each row costs one 8-byte reference besides; a row of
// empty cells costs only that reference. Rewriting a cell of the last row appended reuses its
// place; rewriting an older row moves that row to the end and leaves its old bytes unused, which
// the builders' pattern (fill the row just added, flag the row before) never does in bulk. A cell
// holds at most 65,535 UTF-8 bytes; a longer text is cut at a character boundary.
//
// Beside the cells, the grid records what a spreadsheet needs and the texts do not say: each row's
// part in the report (a body row, a total, a title, a section line, a column header, or the page
// layout: the page line and the page break) and each content column's kind of value (text, an
// amount, a date in the report date format, a whole number), with that date format. The viewer,
// the printer and the text exports ignore them.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kvl {

// A row's part in the report: one byte a row.
enum class RowKind : std::uint8_t {
    Body,          // a row of the report's content, a blank spacing row included
    Total,         // a total line
    Title,         // a title line of a page header
    Section,       // a section line, in a page header or opening a section
    ColumnHeader,  // a column header row, in a page header or opening a section
    Layout,        // the page line ("Page n" and the date) or a page break
};

// The values a content column holds; a cell whose text is not such a value (a total's caption in
// a date column) is text all the same.
enum class CellKind : std::uint8_t { Text, Amount, Date, Number };

class ReportGrid {
  public:
    ReportGrid() = default;
    ReportGrid(const ReportGrid&) = delete;
    ReportGrid& operator=(const ReportGrid&) = delete;

    // Empties the grid and fixes the report's width in characters and its cells per row (>= 1).
    void reset(int width, int columns);
    // Empties the grid and gives its memory back.
    void clear();

    int width() const { return width_; }
    int columns() const { return columns_; }
    int rows() const { return static_cast<int>(rows_.size()); }

    // Makes room for this many rows in all before the row table must grow.
    void reserveRows(std::size_t rows) {
        rows_.reserve(rows);
        kinds_.reserve(rows);
    }
    // Appends a row of empty cells.
    void appendRow(RowKind kind = RowKind::Body);
    // Rows out of range are ignored by setRowKind and read as Body.
    void setRowKind(int row, RowKind kind);
    RowKind rowKind(int row) const;
    // The content columns' kinds, in order; a column not given holds text.
    void setColumnKinds(std::vector<CellKind> kinds) { columnKinds_ = std::move(kinds); }
    CellKind columnKind(int column) const;
    // The report date format ("MM/DD/YY") in which the date columns are written.
    void setDateFormat(const QString& format) { dateFormat_ = format; }
    const QString& dateFormat() const { return dateFormat_; }
    // Rows and columns out of range are ignored by set and read as empty.
    void set(int row, int column, QStringView text);
    QString cell(int row, int column) const;
    // Sets the first `count` cells of the row from UTF-8 texts and empties the others, in one
    // placement: what a builder that writes a row for every record uses instead of set.
    void setRow(int row, const QByteArrayView* cells, int count);
    // Writing a row in place, for the builders that write a row for every record: beginRow
    // reserves room for cells of at most `room` bytes in all and returns where the first cell's
    // text goes, the others following it; endRow makes them the row's cells, given their lengths
    // in column order (count at most columns(), each length at most 65,535, their sum at most the
    // room). Only appendRow may change the grid in between. A row not ended is simply not placed.
    char* beginRow(std::size_t room);
    void endRow(int row, const std::uint16_t* lengths, int count);
    // The cell's UTF-8 bytes, valid until the grid next changes.
    QByteArrayView cellUtf8(int row, int column) const;
    // Every cell of the row at once, as cellUtf8 gives them, into cells[0 .. columns()); returns
    // their bytes in all.
    std::size_t rowUtf8(int row, QByteArrayView* cells) const;

    // Bytes held for the cells and the row table, capacity included.
    std::size_t memoryUsed() const;

  private:
    struct RowRef {
        std::uint32_t block;   // kEmptyRow: every cell empty
        std::uint32_t offset;  // of the row's length table in the block; kNarrow: a byte a cell
    };
    // A row's place: its length table, whose cells take one byte each or two, and then its texts.
    struct Segment {
        const char* table = nullptr;  // none: every cell empty
        bool narrow = false;
    };
    struct FreeBytes {
        void operator()(char* bytes) const;
    };
    struct Block {
        std::unique_ptr<char[], FreeBytes> bytes;
        std::size_t size = 0;
        std::size_t used = 0;
    };
    static constexpr std::uint32_t kEmptyRow = 0xFFFFFFFFu;
    // Offsets stay far below it: a block holds at most 4 MiB or one row.
    static constexpr std::uint32_t kNarrow = 0x80000000u;
    static constexpr std::size_t kNarrowMost = 0xFF;

    Segment segment(const RowRef& ref) const;
    std::size_t tableSize(bool narrow) const {
        return (narrow ? 1 : 2) * static_cast<std::size_t>(columns_);
    }
    std::size_t segmentSize(Segment segment) const;
    static std::uint16_t lengthAt(Segment segment, int column);
    // Writes the length table of a row at `to`, narrow or wide.
    void writeTable(char* to, const std::uint16_t* lengths, int count, bool narrow) const;
    // Makes the last block hold at least `bytes` more.
    void reserve(std::size_t bytes);
    char* place(std::size_t bytes, RowRef* ref);

    int width_ = 0;
    int columns_ = 0;
    std::vector<RowRef> rows_;
    std::vector<RowKind> kinds_;  // beside rows_, one a row
    std::vector<CellKind> columnKinds_;
    QString dateFormat_;
    std::vector<Block> blocks_;
    // set's text (ASCII, or else UTF-8) and the row it rewrites, kept to avoid allocating.
    std::string text_, scratch_;
    std::vector<std::uint16_t> lengths_;
    bool beginNarrow_ = false;  // the table beginRow left room for
    QByteArray utf8_;
};

// Inline: the exports read every cell of a report this way.
inline ReportGrid::Segment ReportGrid::segment(const RowRef& ref) const {
    if (ref.block == kEmptyRow) return {};
    return {blocks_[ref.block].bytes.get() + (ref.offset & ~kNarrow), (ref.offset & kNarrow) != 0};
}

inline std::uint16_t ReportGrid::lengthAt(Segment seg, int column) {
    if (seg.narrow) return static_cast<unsigned char>(seg.table[column]);
    std::uint16_t length;
    std::memcpy(&length, seg.table + 2 * column, sizeof length);
    return length;
}

inline std::size_t ReportGrid::rowUtf8(int row, QByteArrayView* cells) const {
    const Segment seg =
        row >= 0 && row < rows() ? segment(rows_[static_cast<std::size_t>(row)]) : Segment{};
    if (!seg.table) {
        for (int c = 0; c < columns_; ++c) cells[c] = {};
        return 0;
    }
    const char* const first = seg.table + tableSize(seg.narrow);
    const char* text = first;
    for (int c = 0; c < columns_; ++c) {
        const std::uint16_t length = lengthAt(seg, c);
        cells[c] = QByteArrayView(text, length);
        text += length;
    }
    return static_cast<std::size_t>(text - first);
}

}  // namespace kvl

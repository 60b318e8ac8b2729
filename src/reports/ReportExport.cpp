#include "reports/ReportExport.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "data/Messages.h"
#include "reports/ReportGrid.h"

namespace kvl {

namespace {

// Characters, not UTF-16 units: a character beyond the basic plane counts once.
int CharCount(QStringView text) {
    int count = 0;
    for (const QChar c : text)
        if (!c.isLowSurrogate()) ++count;
    return count;
}

// The same count over UTF-8 bytes: every byte that does not continue a character (10xxxxxx).
// Report texts are nearly always ASCII, which eight bytes at a time tells.
int CharCount(const char* text, std::size_t size) {
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    std::uint64_t high = 0;
    if (size >= 8) {
        std::uint64_t w;
        for (std::size_t i = 0; i + 8 < size; i += 8) {
            std::memcpy(&w, text + i, sizeof w);
            high |= w & kHigh;
        }
        std::memcpy(&w, text + size - 8, sizeof w);  // the last word, overlapping the one before
        high |= w & kHigh;
    } else {
        for (std::size_t i = 0; i < size; ++i) high |= static_cast<unsigned char>(text[i]) & 0x80;
    }
    if (high == 0) return static_cast<int>(size);
    int count = 0;
    for (std::size_t i = 0; i < size; ++i)
        count += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return count;
}

// Copies n bytes to out in words, the last word overlapping the one before, reading nothing past
// the text: a cell's text is short and the room behind out is known.
char* Put(char* out, const char* text, std::size_t n) {
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8) std::memcpy(out + i, text + i, 8);
        std::memcpy(out + n - 8, text + n - 8, 8);
    } else {
        for (std::size_t i = 0; i < n; ++i) out[i] = text[i];
    }
    return out + n;
}

// n blanks at out, written a word at a time: the room behind out holds a word more than n.
char* Blanks(char* out, std::size_t n) {
    for (std::size_t i = 0; i < n; i += 8) std::memcpy(out + i, "        ", 8);
    return out + n;
}

// A plain-text line starts as this many blanks, so that padding within them is only skipped.
constexpr std::size_t kBlankStart = 96;
constexpr std::array<char, kBlankStart> kBlankLine = [] {
    std::array<char, kBlankStart> line{};
    line.fill(' ');
    return line;
}();

// The column of a cell: characters 2 and 3, leading blanks skipped; 0 when they hold no number.
int CellColumn(QStringView cell) {
    const QStringView digits = cell.mid(1, 2).trimmed();
    bool ok = false;
    const int column = digits.toInt(&ok);
    return ok ? column : 0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// CellColumn of a cell whose first three bytes are ASCII.
int CellColumn(const char* cell, std::size_t size) {
    const char a = size > 1 ? cell[1] : ' ';
    const char b = size > 2 ? cell[2] : ' ';
    if ((IsDigit(a) || a == ' ') && (IsDigit(b) || b == ' ')) {
        if (a == ' ' && b != ' ') return b - '0';
        if (a != ' ' && b == ' ') return a - '0';
        if (a != ' ') return (a - '0') * 10 + (b - '0');
        return 0;
    }
    return CellColumn(
        QString::fromLatin1(cell, static_cast<qsizetype>(std::min<std::size_t>(size, 3))));
}

// Export lines made into a buffer that grows as needed; a row is made whole before the room is
// checked again.
class Lines {
  public:
    explicit Lines(ExportFormat format) : format_(format) {}
    const char* data() const { return bytes_.data(); }
    std::size_t size() const { return used_; }
    void clear() { used_ = 0; }
    // Appends the row's line, with its line end when asked.
    void append(const ReportGrid& grid, int row, bool lineEnd) {
        if (format_ == ExportFormat::AsciiText)
            appendAs<ExportFormat::AsciiText>(grid, row, lineEnd);
        else
            appendAs<ExportFormat::TabDelimited>(grid, row, lineEnd);
    }

  private:
    // A cell's kind and column as its first three bytes give them, when those are ASCII.
    struct Stop {
        char bytes[3] = {0, 0, 0};  // none: no cell begins with a NUL byte
        char kind = 0;
        int column = 0;
    };

    // The line in one format: every line of a large export passes here, so the format is
    // decided once a row rather than once a cell.
    template <ExportFormat F>
    void appendAs(const ReportGrid& grid, int row, bool lineEnd) {
        const auto columns = static_cast<std::size_t>(grid.columns());
        if (cells_.size() != columns) {
            cells_.resize(columns);
            stops_.resize(columns);
        }
        // A cell adds its text (up to three bytes for each byte of it when its bytes are not
        // UTF-8 as they should be), a tab or the padding before its column (two digits, written
        // a word at a time).
        const std::size_t most = 2 + 8 + 100 * columns + 3 * grid.rowUtf8(row, cells_.data());
        if (bytes_.size() - used_ < most) bytes_.resize(std::max(2 * bytes_.size(), used_ + most));
        char* const start = bytes_.data() + used_;
        char* p = start;
        int length = 0;
        static_assert(kBlankStart <= 2 + 8 + 100);
        if constexpr (F == ExportFormat::AsciiText) {
            std::memcpy(start, kBlankLine.data(), kBlankStart);
            blanksEnd_ = start + kBlankStart;
        }
        for (std::size_t c = 0; c + 1 < columns; ++c) {
            const QByteArrayView cell = cells_[c];
            if (cell.isEmpty()) continue;
            // A column's cells nearly always share one stop: it is read once for the column.
            Stop& stop = stops_[c];
            if (cell.size() >= 3 && std::memcmp(cell.data(), stop.bytes, 3) == 0) {
                if (stop.kind == 0) continue;  // three NUL bytes, before any stop was read
                const auto size = static_cast<std::size_t>(cell.size()) - 3;
                p = place<F>(p, start, length, stop, CharCount(cell.data() + 3, size),
                             cell.data() + 3, size);
            } else {
                p = appendCell<F>(p, start, length, cell, stop);
            }
        }
        if (lineEnd) {
            *p++ = '\r';
            *p++ = '\n';
        }
        used_ = static_cast<std::size_t>(p - bytes_.data());
    }

    // Appends the text of one cell at p, the line having begun at lineStart and holding `length`
    // characters so far; returns the end. The cell's stop is remembered for its column when its
    // first three bytes are ASCII.
    template <ExportFormat F>
    char* appendCell(char* p, const char* lineStart, int& length, QByteArrayView cell,
                     Stop& remembered) {
        const char kind = cell.at(0);
        if (kind != 'L' && kind != 'R' && kind != 'C') return p;
        const char* bytes = cell.data();
        const auto size = static_cast<std::size_t>(cell.size());
        const std::size_t prefix = std::min<std::size_t>(3, size);
        bool asciiPrefix = true;
        for (std::size_t i = 0; i < prefix; ++i)
            asciiPrefix = asciiPrefix && static_cast<unsigned char>(bytes[i]) < 0x80;
        if (!asciiPrefix) {
            const QString whole = QString::fromUtf8(cell);
            const QStringView rest = QStringView(whole).mid(std::min<qsizetype>(3, whole.size()));
            const QByteArray text = rest.toUtf8();
            const Stop stop{{}, kind, F == ExportFormat::AsciiText ? CellColumn(whole) : 0};
            return place<F>(p, lineStart, length, stop, CharCount(rest), text.constData(),
                            static_cast<std::size_t>(text.size()));
        }
        Stop stop{{}, kind, F == ExportFormat::AsciiText ? CellColumn(bytes, size) : 0};
        if (prefix == 3) {
            std::memcpy(stop.bytes, bytes, 3);
            remembered = stop;
        }
        return place<F>(p, lineStart, length, stop, CharCount(bytes + prefix, size - prefix),
                        bytes + prefix, size - prefix);
    }

    // Pads (or, tab-delimited, separates) up to where the stop puts a text of textLength
    // characters, then copies its bytes.
    template <ExportFormat F>
    char* place(char* p, const char* lineStart, int& length, const Stop& stop, int textLength,
                const char* text, std::size_t size) {
        if constexpr (F == ExportFormat::TabDelimited) {
            if (p > lineStart) *p++ = '\t';
        } else {
            int target = stop.column;
            if (stop.kind == 'R') target = stop.column - textLength;
            if (stop.kind == 'C') target = stop.column - textLength / 2;
            if (length < target) {
                const auto n = static_cast<std::size_t>(target - length);
                p = p + n <= blanksEnd_ ? p + n : Blanks(p, n);
                length = target;
            }
        }
        length += textLength;
        return Put(p, text, size);
    }

    ExportFormat format_;
    const char* blanksEnd_ = nullptr;  // of the blanks the line started with
    std::vector<char> bytes_;
    std::size_t used_ = 0;
    std::vector<QByteArrayView> cells_;
    std::vector<Stop> stops_;  // by column
};

// A large report's lines are made in chunks of rows by this thread and one more, and written in
// order by this one: making the lines and writing them overlap. At most kAhead chunks wait.
class ChunkedExport {
  public:
    static constexpr int kRows = 8192;
    static constexpr int kAhead = 6;

    ChunkedExport(const ReportGrid& grid, QIODevice& out, ExportFormat format)
        : grid_(grid), out_(out), chunks_((grid.rows() + kRows - 1) / kRows) {
        for (int i = 0; i < kAhead; ++i) slots_.emplace_back(format);
    }

    bool run() {
        // Should this thread leave by an exception, the helper's stop wakes it to end its work,
        // and the jthread joins it.
        std::jthread helper([this](std::stop_token stop) {
            const std::stop_callback wake(stop, [this] { halt(); });
            make(false);
        });
        const bool written = make(true);
        halt();
        helper.join();
        if (failure_) std::rethrow_exception(failure_);
        return written;
    }

  private:
    void halt() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
    }

    // Makes chunks (and, on the writing thread, writes them in order) until every chunk is
    // written or the work has stopped. The writer makes a chunk only when the next one to write
    // is not ready.
    bool make(bool writer) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (stopped_ || written_ == chunks_) return true;
            const int next = written_ % kAhead;
            if (writer && ready_[static_cast<std::size_t>(next)]) {
                Lines& lines = slots_[static_cast<std::size_t>(next)];
                lock.unlock();
                const auto size = static_cast<qint64>(lines.size());
                const bool ok = out_.write(lines.data(), size) == size;
                lock.lock();
                ready_[static_cast<std::size_t>(next)] = false;
                ++written_;
                changed_.notify_all();
                if (!ok) {
                    stopped_ = true;
                    return false;
                }
                continue;
            }
            if (claimed_ < chunks_ && claimed_ < written_ + kAhead) {
                const int chunk = claimed_++;
                Lines& lines = slots_[static_cast<std::size_t>(chunk % kAhead)];
                lock.unlock();
                try {
                    lines.clear();
                    const int last = std::min(grid_.rows(), (chunk + 1) * kRows);
                    for (int row = chunk * kRows; row < last; ++row) lines.append(grid_, row, true);
                } catch (...) {
                    lock.lock();
                    failure_ = std::current_exception();
                    stopped_ = true;
                    changed_.notify_all();
                    return false;
                }
                lock.lock();
                ready_[static_cast<std::size_t>(chunk % kAhead)] = true;
                changed_.notify_all();
                continue;
            }
            changed_.wait(lock);
        }
    }

    const ReportGrid& grid_;
    QIODevice& out_;
    const int chunks_;
    std::vector<Lines> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::array<bool, kAhead> ready_{};
    int claimed_ = 0, written_ = 0;
    bool stopped_ = false;
    std::exception_ptr failure_;
};

}  // namespace

QString ExportLine(const ReportGrid& grid, int row, ExportFormat format) {
    Lines line(format);
    line.append(grid, row, false);
    return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

bool WriteReportText(const ReportGrid& grid, QIODevice& out, ExportFormat format) {
    if (grid.rows() > 2 * ChunkedExport::kRows) return ChunkedExport(grid, out, format).run();
    constexpr std::size_t kChunk = 1024 * 1024;
    Lines lines(format);
    auto write = [&] {
        const auto size = static_cast<qint64>(lines.size());
        const bool written = out.write(lines.data(), size) == size;
        lines.clear();
        return written;
    };
    for (int row = 0; row < grid.rows(); ++row) {
        lines.append(grid, row, true);
        if (lines.size() >= kChunk && !write()) return false;
    }
    return lines.size() == 0 || write();
}

bool ExportReportFile(const ReportGrid& grid, const QString& fileName, ExportFormat format) {
    if (QFileInfo::exists(fileName)) QFile::remove(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        ShowMessage(MsgKind::Information, QStringLiteral("Unable to save to: ") + fileName);
        return false;
    }
    const bool written = WriteReportText(grid, file, format);
    const QString reason = file.errorString();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        ShowMessage(MsgKind::Error, QStringLiteral("Error writing %1: %2").arg(fileName, reason));
        return false;
    }
    return true;
}

}  // namespace kvl

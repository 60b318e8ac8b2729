#include "reports/ReportExport.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <string>
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

// The same count over UTF-8 bytes: every byte that does not continue a character.
int CharCount(const char* text, std::size_t size) {
    int count = 0;
    for (std::size_t i = 0; i < size; ++i)
        count += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return count;
}

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

// Appends the text of one cell to out, whose line began at lineStart and holds `length`
// characters so far.
void AppendCell(std::string& out, std::size_t lineStart, int& length, QByteArrayView cell,
                ExportFormat format) {
    if (cell.isEmpty()) return;
    const char kind = cell.at(0);
    if (kind != 'L' && kind != 'R' && kind != 'C') return;
    const char* bytes = cell.data();
    const auto size = static_cast<std::size_t>(cell.size());
    const std::size_t prefix = std::min<std::size_t>(3, size);
    bool asciiPrefix = true;
    for (std::size_t i = 0; i < prefix; ++i)
        asciiPrefix = asciiPrefix && static_cast<unsigned char>(bytes[i]) < 0x80;

    QByteArray slowText;  // the text of a cell whose stop is not plain ASCII
    const char* text = bytes + prefix;
    std::size_t textSize = size - prefix;
    int textLength;
    int column = 0;
    if (asciiPrefix) {
        textLength = CharCount(text, textSize);
        if (format == ExportFormat::AsciiText) column = CellColumn(bytes, size);
    } else {
        const QString whole = QString::fromUtf8(cell);
        const QStringView rest = QStringView(whole).mid(std::min<qsizetype>(3, whole.size()));
        textLength = CharCount(rest);
        slowText = rest.toUtf8();
        text = slowText.constData();
        textSize = static_cast<std::size_t>(slowText.size());
        if (format == ExportFormat::AsciiText) column = CellColumn(whole);
    }
    if (format == ExportFormat::TabDelimited) {
        if (out.size() > lineStart) out += '\t';
    } else {
        int target = column;
        if (kind == 'R') target = column - textLength;
        if (kind == 'C') target = column - textLength / 2;
        if (length < target) {
            out.append(static_cast<std::size_t>(target - length), ' ');
            length = target;
        }
    }
    out.append(text, textSize);
    length += textLength;
}

// Appends the row's export line, without its line end, to out: made from the grid's bytes, a
// QString only for a cell whose stop is not ASCII.
void AppendLine(const ReportGrid& grid, int row, ExportFormat format, std::string& out,
                std::vector<QByteArrayView>& cells) {
    cells.resize(static_cast<std::size_t>(grid.columns()));
    grid.rowUtf8(row, cells.data());
    const std::size_t start = out.size();
    int length = 0;
    for (int c = 0; c + 1 < grid.columns(); ++c)
        AppendCell(out, start, length, cells[static_cast<std::size_t>(c)], format);
}

}  // namespace

QString ExportLine(const ReportGrid& grid, int row, ExportFormat format) {
    std::string line;
    std::vector<QByteArrayView> cells;
    AppendLine(grid, row, format, line, cells);
    return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

bool WriteReportText(const ReportGrid& grid, QIODevice& out, ExportFormat format) {
    constexpr std::size_t kChunk = 1024 * 1024;
    std::string buffer;
    buffer.reserve(kChunk + 64 * 1024);
    std::vector<QByteArrayView> cells;
    auto write = [&] {
        const auto size = static_cast<qint64>(buffer.size());
        const bool written = out.write(buffer.data(), size) == size;
        buffer.clear();
        return written;
    };
    for (int row = 0; row < grid.rows(); ++row) {
        AppendLine(grid, row, format, buffer, cells);
        buffer += "\r\n";
        if (buffer.size() >= kChunk && !write()) return false;
    }
    return buffer.empty() || write();
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

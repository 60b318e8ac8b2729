#include "reports/ReportExport.h"

#include <QFile>
#include <QFileInfo>

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

// The column of a cell: characters 2 and 3, leading blanks skipped; 0 when they hold no number.
int CellColumn(QStringView cell) {
    const QStringView digits = cell.mid(1, 2).trimmed();
    bool ok = false;
    const int column = digits.toInt(&ok);
    return ok ? column : 0;
}

}  // namespace

QString ExportLine(const ReportGrid& grid, int row, ExportFormat format) {
    QString line;
    int length = 0;  // of line, in characters
    for (int c = 0; c + 1 < grid.columns(); ++c) {
        const QString cell = grid.cell(row, c);
        if (cell.isEmpty()) continue;
        const QChar kind = cell.at(0);
        if (kind != QLatin1Char('L') && kind != QLatin1Char('R') && kind != QLatin1Char('C'))
            continue;
        const QStringView text = QStringView(cell).mid(std::min<qsizetype>(3, cell.size()));
        const int textLength = CharCount(text);
        if (format == ExportFormat::TabDelimited) {
            if (!line.isEmpty()) line += QLatin1Char('\t');
        } else {
            const int column = CellColumn(cell);
            int target = column;
            if (kind == QLatin1Char('R')) target = column - textLength;
            if (kind == QLatin1Char('C')) target = column - textLength / 2;
            if (length < target) {
                line += QString(target - length, QLatin1Char(' '));
                length = target;
            }
        }
        line += text;
        length += textLength;
    }
    return line;
}

bool WriteReportText(const ReportGrid& grid, QIODevice& out, ExportFormat format) {
    constexpr qsizetype kChunk = 256 * 1024;
    QByteArray buffer;
    buffer.reserve(kChunk + 4096);
    for (int row = 0; row < grid.rows(); ++row) {
        buffer += ExportLine(grid, row, format).toUtf8();
        buffer += "\r\n";
        if (buffer.size() >= kChunk) {
            if (out.write(buffer) != buffer.size()) return false;
            buffer.clear();
        }
    }
    return buffer.isEmpty() || out.write(buffer) == buffer.size();
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

// The report as plain text or tab-delimited text, the viewer's "Ascii Text" and "Tab Delimited"
// exports and kvl-cli's txt and tsv output. One line a row, UTF-8, each ended by CR LF; only the
// L, C and R cells count (an EJECT row gives an empty line; flags, lines and images give nothing).
// Plain text places each text by its column (L from it, R ending at it, C centred on it), in
// characters, padding with spaces and never overwriting: a text whose place is already taken
// follows the line directly. Tab-delimited joins the texts of the set cells with tabs, nothing
// aligned. The lines are written as they are made, never the whole text at once.
#pragma once

#include <QString>

class QIODevice;

namespace kvl {

class ReportGrid;

enum class ExportFormat { AsciiText, TabDelimited };

// The export line of one row, without its line end.
QString ExportLine(const ReportGrid& grid, int row, ExportFormat format);

// Writes every row to out, which is open for writing. False on a write error.
bool WriteReportText(const ReportGrid& grid, QIODevice& out, ExportFormat format);

// The export to a file as the viewer makes it: an existing file is deleted, a file that cannot be
// created shows "Unable to save to: " and the name (information, OK) and writes nothing, and a
// write error shows an error box. True when the whole report was written.
bool ExportReportFile(const ReportGrid& grid, const QString& fileName, ExportFormat format);

}  // namespace kvl

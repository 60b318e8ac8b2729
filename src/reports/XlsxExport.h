// The report as a spreadsheet (.xlsx): the viewer's "Spreadsheet (xlsx)" export and kvl-cli's
// xlsx. A sheet named after the report's first title holds the title lines, the column header rows
// in bold, then a row for each row of the report with content, its cells in the report's columns:
// amounts as numbers in a two-decimal thousands format, dates as dates, account and check numbers
// as numbers (as the grid's column kinds say; a cell that does not read as its column's kind stays
// text), texts as text, total lines in bold. Page lines, page breaks, the page headers' repeated
// titles and column headers, underlines and blank rows are left out; a section line is written
// where its section begins. Column widths follow the longest value of each column.
//
// Amounts are read back from their text exactly, as cents; dates by the grid's report date format,
// a two-digit year within the stored dates' hundred years. The workbook is written in
// libxlsxwriter's constant-memory mode: each row goes to a temporary file as it is made, so a
// report as large as the books is never held twice. A sheet holds at most 1,048,576 rows; a
// longer report goes on in further sheets ("... (2)"), each opening with the titles and headers.
#pragma once

#include <QString>

namespace kvl {

class ReportGrid;

// The most rows a sheet of a spreadsheet holds.
constexpr int kSheetRows = 1048576;

// Writes the workbook to fileName, replacing it. False with the reason in *error, and then no
// file is left.
bool WriteReportXlsx(const ReportGrid& grid, const QString& fileName, QString* error,
                     int sheetRows = kSheetRows);

// The export as the viewer makes it: a file that cannot be created shows "Unable to save to: " and
// the name (information, OK); a failure while writing shows an error box. True when written.
bool ExportReportXlsx(const ReportGrid& grid, const QString& fileName);

}  // namespace kvl

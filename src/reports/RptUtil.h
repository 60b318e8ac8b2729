// The report in progress: its grid of encoded text cells, page breaks and page headers included,
// and the state and routines that the report builders share while they write it. There is one
// report at a time (module state); the viewer, the printer and the exports read the finished grid
// and know nothing of what the report is about.
//
// How a builder uses it (the chart of accounts in RptChart.cpp is a whole example):
//   ReportResult BuildSomething(ReportContext& ctx) {   // its tables are open
//       if (!SelectReportFolders(ctx)) return ReportResult::NotRun;   // period reports only
//       ReportWidth = 76; CellsPerRow = 6;   // width in characters; content columns + 1
//       BeginReport(ctx.LinesPerPage());
//       TitleLines = {FolderTitle("Expense Summary Report"),
//                     PeriodTitle(ReportFrom, ReportThrough)};
//       ColumnStops = {"R05", "L07", "R50", "R63", "R76"};     // CellsPerRow - 1 stops
//       HeaderRows[0] = {"", "", "R50Period", ...};   // CellsPerRow cells encoded as rows, flags
//       last HeaderRows.push_back({"R05Acnt.", "L07Account Name", ..., "U"});   // a second row
//       SectionLine = "Deductible Expenses";
//       ctx.ShowProgress(true, "Building Report");
//       for each record:  StartRow(1);      // CheckPage(PageLine + 1, true) then NewLine()
//                         SetValue(0, QString::number(no)); SetValue(1, name);  // stop + value
//                         SetValue(2, FormatCents(cents));   // sum amounts as whole cents
//                         ctx.SetProgress(done * 100 / total);
//       ctx.ShowProgress(false, "");
//       if (LastRow() < 0) return NoReportData();    // the message, EndReport
//       UnderlineLastRow(); NewLine();
//       AddIncludedFolders();               // several folders (MultFolOps.h)
//       return ShowReport(ctx);             // hands the grid to ctx.Present, then EndReport
//   }
// Cells are "L", "C" or "R", a two-character column and the text ("R50   1,234.56"), "EJECT",
// "V"/"H" lines or "I" images; the last cell of a row holds its flags ("B" bold, "U" underlined).
// Spreadsheets need to know what the texts do not say: after the stops, SetColumnKinds names each
// content column's kind of value (amounts, dates, numbers, text), and MarkTotalRow() follows the
// writing of a total line. The page header marks its own rows.
// A second section on the same page: set SectionLine, then OpenSectionOnPage(). Rows out of the
// usual pattern: CheckPage(PageLine + k, withHeaders), NewLine(), SetCell(LastRow(), c, text).
// Dates in rows use ReportDate(d); the page header and the titles use the short date format.
//
// Threads. The report belongs to the thread that runs its builder, and nothing here locks. A
// builder may hand the making of its rows to one thread of its own (the detail reports do), and
// then the start and the join of that thread are the hand-overs: the builder sets everything up
// first (the settings, BeginReport, the titles, the section line, the stops, the header rows and
// the column kinds); from the start until the join the row thread alone writes the grid, the page
// counters and the page header's cells (StartRow, CheckPage, NewLine and the cells of its rows),
// and only reads the rest, which nobody changes meanwhile; the builder's thread touches none of
// the report state until it has joined the row thread, and then owns all of it again. What the
// row thread has to tell (its failure) it keeps in a result of its own, read after the join.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

#include "reports/ReportContext.h"
#include "reports/ReportGrid.h"

namespace kvl {

// Report settings, set by the builder before BeginReport.
extern int ReportWidth;  // width in character columns
extern int CellsPerRow;  // cells per row: the content columns and the flags cell

// The grid of the report in progress.
extern ReportGrid Grid;

// Building state, reset by BeginReport and set by the builder after it.
extern QStringList TitleLines;   // one or two, centred and bold in every page header
extern QString SectionLine;      // below the titles in every page header; may be empty
extern QStringList ColumnStops;  // CellsPerRow - 1 prefixes such as "R05"
extern std::vector<QStringList>
    HeaderRows;       // one (or two) rows of CellsPerRow cells, flags included
extern int PageNo;    // 0 before the first page
extern int PageLine;  // rows since the current page began, its header included
extern int LinesPerPage;
extern QString ReportDateFormat;  // e.g. "MM/DD/YY"

// Rows a page holds when no printer is installed.
constexpr int kLinesWithoutPrinter = 60;

// After ReportWidth and CellsPerRow are set: fixes the lines per page and the report date format,
// and empties the grid (one header row of CellsPerRow empty cells, CellsPerRow - 1 empty stops, no
// titles, empty section line).
void BeginReport(int linesPerPage);
// Appends a row of CellsPerRow empty cells.
void NewLine();
int LastRow();  // -1 while the report has no row
// Starts a new page (returning true) when there is none yet or linesNeeded exceeds the lines
// per page: the old page's last row underlined (withHeaders) and an EJECT row, then the page
// header: "Page n" and today's date (as BeginReport found it, the same on every page), a blank
// row, the titles, a blank row, the section line, and (withHeaders) a blank row and the header
// rows.
bool CheckPage(int linesNeeded, bool withHeaders);
void AddTitles();
void AddSectionLine();    // a blank row, then the section line at column 0
void AddColumnHeaders();  // a blank row, then the header rows
// Discards the grid and the building state.
void EndReport();

// The usual row: CheckPage(PageLine + linesNeeded, true), then NewLine.
void StartRow(int linesNeeded = 1);
void SetCell(int row, int column, const QString& text);
QString Cell(int row, int column);
// Stop `column` followed by value, in the last row.
void SetValue(int column, const QString& value);
// The flags cell of the row: "U" underlines it, "B" makes it bold.
void SetFlags(int row, const QString& flags);
void UnderlineLastRow();
// The content columns' kinds of value, in the grid, for the spreadsheet export.
void SetColumnKinds(std::vector<CellKind> kinds);
// Marks the last row as a total line.
void MarkTotalRow();
// Opens the section named by SectionLine on the current page: when CheckPage(PageLine + 6, true)
// did not start a page (whose header already shows it), a blank row, the section line and the
// column headers.
void OpenSectionOnPage();

// The progress of a walk over a known number of records: the bar is at done × 100 / total and is
// set only when that moves. Below the total the next position is worked out ahead, so a step
// makes no division. At or past the total the bar shows 100 when fullAtTotal, else the same
// quotient (0 for a total of 0 or less).
class ProgressSteps {
  public:
    ProgressSteps(ReportContext& ctx, long total, bool fullAtTotal)
        : ctx_(ctx), total_(total), fullAtTotal_(fullAtTotal) {}
    void step() {
        if (++done_ >= next_) move();
    }

  private:
    void move();
    ReportContext& ctx_;
    long total_;
    bool fullAtTotal_;
    long done_ = 0;
    long next_ = 0;  // the count at which the position is next worked out
    int shown_ = -1;
};

// Whether a step of the report's walks met an engine error. The engine keeps the error pending,
// and every walk of a builder ends at a negative code, so the report is checked once, before it is
// shown: a report that missed records is never shown, and RunReport shows the engine's message.
bool ReportWalkFailed();
// Ends a report that has rows: ctx.Present(Grid), then EndReport. Failed, showing nothing, when
// ReportWalkFailed.
ReportResult ShowReport(ReportContext& ctx);
// Ends a report without rows: "Report contains no data." (information, OK), then EndReport.
// Failed, showing nothing, when ReportWalkFailed.
ReportResult NoReportData();

// Amounts: "%13.2n" with the locale's separators. Sums are kept as whole cents so that amounts
// that cancel give exactly zero.
QString FormatAmount(double value);
long long ToCents(double amount);
QString FormatCents(long long cents);

// The latest fiscal-year start of the settings on or before date.
QDate FiscalYearStart(const QDate& date);

// The report date format of a short date format: upper case, with a single M, D or Y doubled
// (M/d/yy gives MM/DD/YY, d/M/yyyy gives DD/MM/YYYY).
QString ReportDateFormatOf(const QString& shortFormat);
// The date in ReportDateFormat; empty for no date.
QString ReportDate(const QDate& date);
// The date in a report date format.
QString ReportDate(const QDate& date, const QString& format);
// "for " From " through " Through, in the short date format.
QString PeriodTitle(const QDate& from, const QDate& through);
// A column as two characters: " 5", "50".
QString ColumnText(int column);

}  // namespace kvl

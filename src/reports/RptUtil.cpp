#include "reports/RptUtil.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "data/Clock.h"
#include "data/EntryRules.h"
#include "data/Messages.h"
#include "data/Period.h"
#include "data/dbFiles.h"

namespace kvl {

int ReportWidth = 0;
int CellsPerRow = 1;
ReportGrid Grid;
QStringList TitleLines;
QString SectionLine;
QStringList ColumnStops;
std::vector<QStringList> HeaderRows;
int PageNo = 0;
int PageLine = -1;
int LinesPerPage = kLinesWithoutPrinter;
QString ReportDateFormat;

namespace {

// The page header's cells as UTF-8, made once a report and again only when the builder changes
// what they are made of (ReportWidth, the titles, the header rows): a detail report has a page for
// every thirty records or so.
struct PageHeaderCells {
    QString today;  // in the short date format, taken when the report begins
    int width = -1;
    QByteArray dateCell;
    QString section;
    QByteArray sectionCell;
    QStringList titles;
    std::vector<QByteArray> titleCells;
    std::vector<QStringList> headerRows;
    std::vector<std::vector<QByteArray>> headerCells;
    std::vector<QByteArrayView> row;  // the cells of one row being placed

    void refresh() {
        if (width != ReportWidth) {
            width = ReportWidth;
            dateCell = (QLatin1Char('R') + ColumnText(ReportWidth) + today).toUtf8();
            titles.clear();
            titleCells.clear();
        }
        if (section != SectionLine || sectionCell.isEmpty()) {
            section = SectionLine;
            sectionCell = (QStringLiteral("L00") + section).toUtf8();
        }
        if (titles != TitleLines || titleCells.size() != static_cast<size_t>(TitleLines.size())) {
            titles = TitleLines;
            titleCells.clear();
            for (const QString& title : titles)
                titleCells.push_back(
                    (QLatin1Char('C') + ColumnText(ReportWidth / 2) + title).toUtf8());
        }
        if (headerRows != HeaderRows) {
            headerRows = HeaderRows;
            headerCells.clear();
            for (const QStringList& header : headerRows) {
                std::vector<QByteArray> cells;
                for (const QString& cell : header) cells.push_back(cell.toUtf8());
                headerCells.push_back(std::move(cells));
            }
        }
    }
    // Places cells (at most CellsPerRow) in the last row at once.
    void place(std::initializer_list<QByteArrayView> cells) {
        row.assign(cells);
        Grid.setRow(LastRow(), row.data(), static_cast<int>(row.size()));
    }
};

PageHeaderCells HeaderCells;

}  // namespace

QString ColumnText(int column) {
    return QString::number(column).rightJustified(2, QLatin1Char(' '));
}

QString ReportDateFormatOf(const QString& shortFormat) {
    QString format = shortFormat.toUpper();
    for (const QChar letter : {QLatin1Char('M'), QLatin1Char('D'), QLatin1Char('Y')}) {
        const int at = format.indexOf(letter);
        if (at >= 0 && (at + 1 >= format.size() || format.at(at + 1) != letter))
            format.insert(at + 1, letter);
    }
    return format;
}

QString ReportDate(const QDate& date) {
    return ReportDate(date, ReportDateFormat);
}

QString ReportDate(const QDate& date, const QString& format) {
    if (!date.isValid()) return QString();
    QString text;
    for (int i = 0; i < format.size();) {
        const QChar c = format.at(i);
        int run = 1;
        while (i + run < format.size() && format.at(i + run) == c) ++run;
        auto two = [](int v) { return QStringLiteral("%1").arg(v % 100, 2, 10, QLatin1Char('0')); };
        if (c == QLatin1Char('D'))
            text += two(date.day());
        else if (c == QLatin1Char('M'))
            text += two(date.month());
        else if (c == QLatin1Char('Y'))
            text += run <= 2 ? two(date.year())
                             : QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
        else
            text += QString(run, c);
        i += run;
    }
    return text;
}

QString PeriodTitle(const QDate& from, const QDate& through) {
    return QStringLiteral("for ") + DateToShortText(from) + QStringLiteral(" through ") +
           DateToShortText(through);
}

void BeginReport(int linesPerPage) {
    LinesPerPage = linesPerPage;
    ReportDateFormat = ReportDateFormatOf(RegionalSettings().shortDateFormat);
    PageLine = -1;
    PageNo = 0;
    Grid.reset(ReportWidth, CellsPerRow);
    Grid.setDateFormat(ReportDateFormat);
    HeaderRows.assign(1, QStringList(std::max(CellsPerRow, 1), QString()));
    ColumnStops = QStringList(std::max(CellsPerRow - 1, 0), QString());
    TitleLines.clear();
    SectionLine.clear();
    HeaderCells = {};
    HeaderCells.today = DateToShortText(Today());
}

void NewLine() {
    Grid.appendRow();
    ++PageLine;
}

namespace {

void NewRow(RowKind kind) {
    Grid.appendRow(kind);
    ++PageLine;
}

}  // namespace

int LastRow() {
    return Grid.rows() - 1;
}

void SetCell(int row, int column, const QString& text) {
    Grid.set(row, column, text);
}

QString Cell(int row, int column) {
    return Grid.cell(row, column);
}

void SetValue(int column, const QString& value) {
    const QString stop =
        column >= 0 && column < ColumnStops.size() ? ColumnStops.at(column) : QString();
    Grid.set(LastRow(), column, stop + value);
}

void SetFlags(int row, const QString& flags) {
    Grid.set(row, CellsPerRow - 1, flags);
}

void UnderlineLastRow() {
    SetFlags(LastRow(), QStringLiteral("U"));
}

void SetColumnKinds(std::vector<CellKind> kinds) {
    Grid.setColumnKinds(std::move(kinds));
}

void MarkTotalRow() {
    Grid.setRowKind(LastRow(), RowKind::Total);
}

namespace {

// The page header's parts from the cells made by HeaderCells.refresh().
void PlaceTitles() {
    for (const QByteArray& title : HeaderCells.titleCells) {
        NewRow(RowKind::Title);
        HeaderCells.row.assign(static_cast<size_t>(std::max(CellsPerRow, 1)), QByteArrayView());
        HeaderCells.row.front() = title;
        HeaderCells.row.back() = "B";
        if (CellsPerRow == 1) HeaderCells.row.front() = "B";
        Grid.setRow(LastRow(), HeaderCells.row.data(), static_cast<int>(HeaderCells.row.size()));
    }
}

void PlaceSectionLine() {
    NewLine();
    NewRow(RowKind::Section);
    HeaderCells.place({HeaderCells.sectionCell});
}

void PlaceColumnHeaders() {
    NewLine();
    for (const std::vector<QByteArray>& header : HeaderCells.headerCells) {
        NewRow(RowKind::ColumnHeader);
        HeaderCells.row.assign(header.begin(), header.end());
        Grid.setRow(LastRow(), HeaderCells.row.data(),
                    std::min(CellsPerRow, static_cast<int>(HeaderCells.row.size())));
    }
}

}  // namespace

void AddTitles() {
    HeaderCells.refresh();
    PlaceTitles();
}

void AddSectionLine() {
    HeaderCells.refresh();
    PlaceSectionLine();
}

void AddColumnHeaders() {
    HeaderCells.refresh();
    PlaceColumnHeaders();
}

bool CheckPage(int linesNeeded, bool withHeaders) {
    if (PageNo != 0 && linesNeeded <= LinesPerPage) return false;
    ++PageNo;
    if (PageNo > 1) {
        if (withHeaders) UnderlineLastRow();
        NewRow(RowKind::Layout);
        HeaderCells.place({"EJECT"});
    }
    PageLine = 0;
    NewRow(RowKind::Layout);
    HeaderCells.refresh();
    char page[32] = "L00Page ";
    const char* pageEnd = std::to_chars(page + 8, page + sizeof page, PageNo).ptr;
    const QByteArrayView pageCell(page, pageEnd - page);
    if (CellsPerRow > 1)
        HeaderCells.place({pageCell, HeaderCells.dateCell});
    else
        HeaderCells.place({pageCell});
    NewLine();
    PlaceTitles();
    PlaceSectionLine();
    if (withHeaders) PlaceColumnHeaders();
    return true;
}

void EndReport() {
    Grid.clear();
    HeaderRows.clear();
    TitleLines.clear();
    ColumnStops.clear();
    SectionLine.clear();
    HeaderCells = {};
}

void StartRow(int linesNeeded) {
    CheckPage(PageLine + linesNeeded, true);
    NewLine();
}

void OpenSectionOnPage() {
    if (!CheckPage(PageLine + 6, true)) {
        NewLine();
        AddSectionLine();
        AddColumnHeaders();
    }
}

void ProgressSteps::move() {
    int position;
    if (total_ > done_) {
        position = static_cast<int>(done_ * 100 / total_);
        // The first count whose quotient passes this one's.
        next_ = ((static_cast<long>(position) + 1) * total_ + 99) / 100;
    } else {
        position = fullAtTotal_ ? 100 : total_ > 0 ? static_cast<int>(done_ * 100 / total_) : 0;
        next_ = done_ + 1;
    }
    if (position != shown_) ctx_.SetProgress(shown_ = position);
}

bool ReportWalkFailed() {
    return cb && cb->errorCode() < 0;
}

ReportResult ShowReport(ReportContext& ctx) {
    if (ReportWalkFailed()) {
        EndReport();
        return ReportResult::Failed;
    }
    ctx.Present(Grid);
    EndReport();
    return ReportResult::Presented;
}

ReportResult NoReportData() {
    if (ReportWalkFailed()) {
        EndReport();
        return ReportResult::Failed;
    }
    ShowMessage(MsgKind::Information, QStringLiteral("Report contains no data."));
    EndReport();
    return ReportResult::NoData;
}

QString FormatAmount(double value) {
    return FormatAmount(value, QStringLiteral("%13.2n"));
}

long long ToCents(double amount) {
    return std::llround(amount * 100.0);
}

QString FormatCents(long long cents) {
    return FormatAmount(static_cast<double>(cents) / 100.0);
}

QDate FiscalYearStart(const QDate& date) {
    return FiscalYearStart(date, Settings.fyMonth, Settings.fyDay);
}

}  // namespace kvl

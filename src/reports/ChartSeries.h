// The charts, by the name kvl-cli gives them, and the making of their series from the sums the
// reports use: the monthly profit chart from the monthly profit report's (ProfitSums.h), the
// by-account charts from the summaries' period column (AccountSums.h), over the report period and
// the folder selection. RunChart opens the tables the chart reads, asks for the folders as a
// report does, sums, and closes every table again, so the chart is drawn with no table open.
#pragma once

#include <QString>
#include <vector>

#include "reports/ChartData.h"
#include "reports/ReportContext.h"
#include "reports/ReportKinds.h"

namespace kvl {

struct ChartKind {
    const char* name;   // "monthly-profit"
    const char* title;  // the first title line, after the folder's name with one folder
    ChartId id;
    std::vector<ReportTable> tables;
};

const std::vector<ChartKind>& ChartKinds();
const ChartKind* FindChartKind(const QString& name);
const ChartKind& ChartKindOf(ChartId id);

// Fills *data (titles and series) for the report period and the folders chosen through ctx.
// Presented when there is something to draw, NoData after "Report contains no data." (no month
// or account with an amount), NotRun when no folder was chosen, Failed after the engine's message
// when a walk met an engine error (a damaged index tag).
ReportResult RunChart(const ChartKind& kind, ReportContext& ctx, ChartData* data);

}  // namespace kvl

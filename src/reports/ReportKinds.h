// Every report the program makes, by the name kvl-cli gives it, with the tables its menu entry
// opens (in that order) and its builder. Adding a report is one line in ReportKinds.cpp.
#pragma once

#include <QString>
#include <vector>

#include "reports/ReportContext.h"

namespace kvl {

using ReportBuilder = ReportResult (*)(ReportContext&);

enum class ReportTable { Folders, Expenses, Income, ExpenseAccounts, IncomeAccounts };

struct ReportKind {
    const char* name;  // "expense-chart"
    ReportBuilder build;
    std::vector<ReportTable> tables;
    bool periodAndFolders;  // a period report over a folder selection (all but the charts)
    char accountChart;      // 'E' or 'I' for a single-account report, 0 otherwise
};

const std::vector<ReportKind>& ReportKinds();
// Opens the tables in order, as a report's menu entry does (a failed open ends the program).
void OpenReportTables(const std::vector<ReportTable>& tables);
const ReportKind* FindReportKind(const QString& name);

// Opens the kind's tables in order (an open that fails ends the program, naming the file), runs
// its builder and closes every table. When a step of the builder's walks met an engine error (a
// damaged index tag), no report was shown: the progress box is hidden, the engine's message is
// shown instead, and the result is Failed.
ReportResult RunReport(const ReportKind& kind, ReportContext& ctx);

}  // namespace kvl

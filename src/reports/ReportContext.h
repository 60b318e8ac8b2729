// What a report builder is given by whoever runs it: the desktop's report command (the folder
// dialog, the account pick list, the progress box and the viewer) or kvl-cli (the folders and
// account of its command line, a bar on stderr, and the export it was asked for). A builder is a
// function `ReportResult Build(ReportContext&)`, called with the tables it reads already open,
// so that the window, kvl-cli and the tests run the same code.
#pragma once

#include <QString>
#include <vector>

#include "data/Progress.h"

namespace kvl {

class ReportGrid;

enum class ReportResult {
    Presented,  // the report had rows and was handed to Present
    NoData,     // "Report contains no data." was shown
    NotRun,     // no folder, nothing chosen or cancelled: nothing was built
    Failed,     // a walk met an engine error: nothing was shown but the engine's message
};

class ReportContext {
  public:
    virtual ~ReportContext() = default;

    // Rows a page holds, for BeginReport: from the current printer and the report font, 60 when
    // no printer is installed.
    virtual int LinesPerPage() = 0;

    // Asked by SelectReportFolders when two or more folders exist: the folder numbers chosen,
    // in folder-number order; empty when nothing was chosen or the choice was cancelled.
    virtual std::vector<int> ChooseFolders() = 0;

    // For a single-account report: the record number of the chosen account of the chart ('E'
    // expense, 'I' income), whose table is open with its tag selected; negative to stop.
    virtual long ChooseAccount(char chart) = 0;

    // The finished report: the desktop shows it in the viewer until the user closes it;
    // kvl-cli writes it out. The grid is discarded after this returns.
    virtual void Present(const ReportGrid& grid) = 0;

    // The progress box ("Building Report").
    virtual void ShowProgress(bool visible, const QString& caption) {
        kvl::ShowProgress(visible, caption);
    }
    virtual void SetProgress(int position) { kvl::SetProgress(position); }
};

}  // namespace kvl

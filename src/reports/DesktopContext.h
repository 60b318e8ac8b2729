// The report context of the desktop program: folders from TMultFol, the account from the account
// pick list (given by the main window, which owns that window), lines per page from the current
// printer and the report font (60 without a printer), progress in the main window's box, and the
// finished report shown in TReportF until the user closes it. MultFolForm and ReportForm exist.
#pragma once

#include <functional>

#include "reports/ReportContext.h"

namespace kvl {

class DesktopContext : public ReportContext {
  public:
    // The account pick list of the chart ('E' or 'I'): the record chosen, negative to stop.
    std::function<long(char)> accountChooser;

    int LinesPerPage() override;
    std::vector<int> ChooseFolders() override;
    long ChooseAccount(char chart) override;
    void Present(const ReportGrid& grid) override;
};

}  // namespace kvl

#include "reports/DesktopContext.h"

#include <QPrinter>

#include "reports/MultFolU.h"
#include "reports/ReportPaint.h"
#include "reports/ReportU.h"
#include "reports/RptUtil.h"
#include "screen/Setup.h"

namespace kvl {

int DesktopContext::LinesPerPage() {
    if (!PrinterInstalled()) return kLinesWithoutPrinter;
    return LinesPerPageOn(CurrentPrinter(), ReportFont);
}

std::vector<int> DesktopContext::ChooseFolders() {
    return MultFolForm->ChooseFolders();
}

long DesktopContext::ChooseAccount(char chart) {
    return accountChooser ? accountChooser(chart) : -1;
}

void DesktopContext::Present(const ReportGrid& grid) {
    ReportForm->ShowReport(grid);
}

}  // namespace kvl

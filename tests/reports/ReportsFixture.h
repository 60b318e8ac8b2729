// A data directory of the test's own (data/Support.h) with a report context that records what a
// builder asks and exports what it presents, so a test reads a whole report as its text.
#pragma once

#include <QBuffer>
#include <deque>

#include "common/QStringPrint.h"
#include "data/Support.h"
#include "data/dbFiles.h"
#include "reports/ReportContext.h"
#include "reports/ReportExport.h"
#include "reports/ReportGrid.h"

namespace kvltest {

class RecordingContext : public kvl::ReportContext {
  public:
    int linesPerPage = 60;
    std::deque<std::vector<int>> folderChoices;  // given in turn; nothing once they run out
    int folderQuestions = 0;
    long account = -1;
    std::vector<char> accountQuestions;
    QStringList presented;  // each presented report as plain text
    QStringList presentedTabs;

    int LinesPerPage() override { return linesPerPage; }
    std::vector<int> ChooseFolders() override {
        ++folderQuestions;
        if (folderChoices.empty()) return {};
        std::vector<int> choice = folderChoices.front();
        folderChoices.pop_front();
        return choice;
    }
    long ChooseAccount(char chart) override {
        accountQuestions.push_back(chart);
        return account;
    }
    void Present(const kvl::ReportGrid& grid) override {
        presented << Export(grid, kvl::ExportFormat::AsciiText);
        presentedTabs << Export(grid, kvl::ExportFormat::TabDelimited);
    }

    static QString Export(const kvl::ReportGrid& grid, kvl::ExportFormat format) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        kvl::WriteReportText(grid, out, format);
        return QString::fromUtf8(out.data());
    }
};

class ReportsTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        kvl::SetRegional(QLocale(QLocale::English, QLocale::UnitedStates));
        MakeDataSet();
    }

    void AddFolder(int number, const QString& name) {
        ASSERT_EQ(d4appendBlank(kvl::dbFolders), 0);
        kvl::FolderBuffer = {number, name};
        kvl::StoreFolderRecord();
        ASSERT_EQ(d4refresh(kvl::dbFolders), 0);
    }

    void AddIncomeAccount(int number, const QString& description, bool taxable) {
        ASSERT_EQ(d4appendBlank(kvl::dbIncomeAccounts), 0);
        kvl::IncomeAccountBuffer = {number, description, taxable};
        kvl::StoreIncomeAccountRecord();
        ASSERT_EQ(d4refresh(kvl::dbIncomeAccounts), 0);
    }

    // The lines of text, without their CR LF ends.
    static QStringList Lines(const QString& text) {
        QStringList lines = text.split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
        return lines;
    }

    RecordingContext ctx;
};

}  // namespace kvltest

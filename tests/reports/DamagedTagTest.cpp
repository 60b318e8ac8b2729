// Every report and chart over books with one damaged page in one of the record tables' tags: it is
// either the one the sound books give, or it is not shown and the engine's message is, with the
// progress box hidden. Those that walk the damaged tag across the damage must stop.
#include <gtest/gtest.h>

#include <QBuffer>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "common/NtxDamage.h"
#include "common/QStringPrint.h"
#include "data/Period.h"
#include "reports/ChartSeries.h"
#include "reports/MultFolOps.h"
#include "reports/ReportKinds.h"
#include "reports/ReportsFixture.h"
#include "reports/RptUtil.h"

namespace {

using namespace kvl;
using kvltest::PageDamage;

class DamagedTagTest : public kvltest::ReportsTest {
  protected:
    void SetUp() override {
        ReportsTest::SetUp();
        OpenFolders();
        OpenExpenseAccounts();
        OpenIncomeAccounts();
        OpenExpenses();
        OpenIncome();
        AddFolder(1, QStringLiteral("Office"));
        AddFolder(2, QStringLiteral("Farm"));
        for (int a = 1; a <= 4; ++a) {
            AddAccount(a, QStringLiteral("Expense %1").arg(a), a % 2 == 1);
            AddIncomeAccount(a, QStringLiteral("Income %1").arg(a), a % 2 == 0);
        }
        // Two years of books, a record a day of each kind: tags of a few dozen pages.
        const QDate first(2024, 1, 1);
        for (int i = 0; i < 731; ++i) {
            const QDate day = first.addDays(i);
            AddExpense(day, 1 + i % 4, 1 + i % 2, 1 + i % 97, QStringLiteral("Payee %1").arg(i));
            ASSERT_EQ(d4appendBlank(dbIncome), 0);
            IncomeBuffer = {
                1 + i % 3, day,  QStringLiteral("Sale %1").arg(i), 2.0 + i % 89, 1 + (i / 2) % 2,
                false,     false};
            StoreIncomeRecord();
        }
        code4close(cb);
        Settings.fyMonth = Settings.fyDay = 1;
        ReportFrom = first;
        ReportThrough = QDate(2025, 12, 31);
    }
    void TearDown() override {
        FolderSelection.clear();
        Settings = SettingsRecord{};
        ReportsTest::TearDown();
    }

    // Every report and chart, each run as its menu entry runs it, for both folders and the first
    // account, giving what it shows as text: the report's plain-text export, the chart's series.
    struct Shown {
        std::string name;
        std::function<ReportResult(QString*)> run;
    };
    std::vector<Shown> Everything() {
        std::vector<Shown> all;
        for (const ReportKind& kind : ReportKinds())
            all.push_back({kind.name, [this, &kind](QString* text) {
                               Choose();
                               const ReportResult result = RunReport(kind, ctx);
                               if (result == ReportResult::Presented) *text = ctx.presented.back();
                               return result;
                           }});
        for (const ChartKind& kind : ChartKinds())
            all.push_back({std::string("chart ") + kind.name, [this, &kind](QString* text) {
                               Choose();
                               ChartData data;
                               const ReportResult result = RunChart(kind, ctx, &data);
                               QBuffer tsv;
                               tsv.open(QIODevice::WriteOnly);
                               WriteChartTsv(data, tsv);
                               *text = QString::fromUtf8(tsv.data());
                               return result;
                           }});
        return all;
    }
    void Choose() {
        ctx.folderChoices = {{1, 2}};
        ctx.account = 1;
    }
};

TEST_F(DamagedTagTest, EveryReportIsTheSoundOneOrStopsWithTheEnginesMessage) {
    const std::vector<Shown> everything = Everything();
    std::map<std::string, QString> sound;
    for (const Shown& shown : everything)
        ASSERT_EQ(shown.run(&sound[shown.name]), ReportResult::Presented) << shown.name;
    const std::map<std::string, std::set<std::string>> walkedBy = {
        {"EDate.ntx",
         {"expense-detail", "expense-account-detail", "general-ledger", "weekly-profit",
          "monthly-profit", "chart monthly-profit"}},
        {"EAcc.ntx", {"expense-summary", "chart expenses-by-account"}},
        {"IncDate.ntx",
         {"income-detail", "income-account-detail", "general-ledger", "weekly-profit",
          "monthly-profit", "chart monthly-profit"}},
        {"IncAcc.ntx", {"income-summary", "chart income-by-account"}},
    };
    namespace fs = std::filesystem;
    for (const auto& [tag, walkers] : walkedBy) {
        const std::string path = file(tag), clean = file(tag + ".clean");
        fs::copy_file(path, clean, fs::copy_options::overwrite_existing);
        for (PageDamage how :
             {PageDamage::Overwritten, PageDamage::Zeroed, PageDamage::ChildPastTheFile}) {
            fs::copy_file(clean, path, fs::copy_options::overwrite_existing);
            kvltest::DamageMiddleLeaf(path, how);
            for (const Shown& shown : everything) {
                SCOPED_TRACE(tag + ", " + kvltest::DamageName(how) + ": " + shown.name);
                const qsizetype presented = ctx.presented.size();
                messages.shown.clear();
                progress.events.clear();
                QString text;
                const ReportResult result = shown.run(&text);
                if (!walkers.count(shown.name)) {
                    ASSERT_EQ(result, ReportResult::Presented);
                    EXPECT_EQ(text, sound[shown.name]);
                    continue;
                }
                EXPECT_EQ(result, ReportResult::Failed);
                EXPECT_EQ(ctx.presented.size(), presented);
                ASSERT_EQ(messages.shown.size(), 1u);
                EXPECT_EQ(messages.shown[0].kind, MsgKind::Error);
                EXPECT_TRUE(messages.shown[0].text.startsWith(QStringLiteral("Error -310: ")));
                EXPECT_TRUE(messages.shown[0].text.contains(QString::fromStdString(tag)))
                    << messages.shown[0].text.toStdString();
                EXPECT_EQ(progress.events.back(), "hide");
                EXPECT_EQ(code4errorCode(cb, 0), 0);
            }
        }
        fs::copy_file(clean, path, fs::copy_options::overwrite_existing);
    }
}

}  // namespace

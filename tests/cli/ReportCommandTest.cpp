// kvl-cli report: its dates and folder rules in-process, and the command run as a user runs it.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "cli/ReportArgs.h"
#include "common/NtxDamage.h"
#include "common/TempDir.h"
#include "data/Clock.h"
#include "engine/Engine.h"

namespace {

using kvl::cli::ChooseReportFolders;
using kvl::cli::ReadReportDate;

struct ReportRun {
    int code = -1;
    QByteArray out;
    QString err;
};

ReportRun Cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KVL_CLI_PATH), args);
    ReportRun r;
    if (!p.waitForFinished(300000)) return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

TEST(ReportArgs, DatesAreIsoAndWithinTheCenturyWindow) {
    kvl::SetToday(QDate(2026, 6, 15));
    QDate date(2000, 1, 1);
    EXPECT_TRUE(ReadReportDate("", "--from", &date));
    EXPECT_EQ(date, QDate(2000, 1, 1));
    EXPECT_TRUE(ReadReportDate("2065-12-31", "--from", &date));
    EXPECT_EQ(date, QDate(2065, 12, 31));
    EXPECT_TRUE(ReadReportDate("1966-01-01", "--from", &date));
    EXPECT_FALSE(ReadReportDate("1965-12-31", "--from", &date));
    EXPECT_FALSE(ReadReportDate("2066-01-01", "--through", &date));
    EXPECT_FALSE(ReadReportDate("2026-02-30", "--from", &date));
    EXPECT_FALSE(ReadReportDate("26-2-3", "--from", &date));
    EXPECT_EQ(date, QDate(1966, 1, 1));
    kvl::SetToday(QDate());
}

TEST(ReportArgs, FoldersFollowTheListOrderAndMustBeLive) {
    std::vector<int> chosen;
    EXPECT_EQ(ChooseReportFolders("", {5}, &chosen), 0);
    EXPECT_EQ(chosen, std::vector<int>{5});
    chosen.clear();
    EXPECT_EQ(ChooseReportFolders("", {2, 5, 9}, &chosen), 2);
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(ChooseReportFolders("9, 2", {2, 5, 9}, &chosen), 0);
    EXPECT_EQ(chosen, (std::vector<int>{2, 9}));
    chosen.clear();
    EXPECT_EQ(ChooseReportFolders("all", {2, 5, 9}, &chosen), 0);
    EXPECT_EQ(chosen, (std::vector<int>{2, 5, 9}));
    chosen.clear();
    EXPECT_EQ(ChooseReportFolders("2,4", {2, 5, 9}, &chosen), 2);
    EXPECT_EQ(ChooseReportFolders("x", {2, 5, 9}, &chosen), 2);
    EXPECT_TRUE(chosen.empty());
}

class ReportCommandTest : public ::testing::Test {
  protected:
    QString books() const { return QString::fromStdString(dir_.file("books")); }
    QString file(const char* name) const { return QString::fromStdString(dir_.file(name)); }
    void New(bool sample) {
        QStringList args{"new", books()};
        if (sample) args << "--sample";
        ASSERT_EQ(Cli(args).code, 0);
    }
    kvltest::TempDir dir_;
};

TEST_F(ReportCommandTest, AChartGoesToStandardOutputOrAFileInEitherFormat) {
    New(true);
    const ReportRun txt = Cli({"report", "expense-chart", "-d", books()});
    ASSERT_EQ(txt.code, 0) << txt.err.toStdString();
    const QList<QByteArray> lines = txt.out.split('\n');
    ASSERT_GT(lines.size(), 8);
    EXPECT_TRUE(lines[0].startsWith("Page 1 "));
    EXPECT_EQ(lines[0].size(), 41);  // 40 characters and the CR
    EXPECT_EQ(lines[2], "            Expense Accounts\r");
    EXPECT_EQ(lines[7], "    1     Advertising                   \r");

    const ReportRun tsv = Cli({"report", "expense-chart", "-d", books(), "--format", "tsv",
                               "--output", file("chart.asc")});
    ASSERT_EQ(tsv.code, 0) << tsv.err.toStdString();
    QFile out(file("chart.asc"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QList<QByteArray> fields = out.readAll().split('\n');
    EXPECT_EQ(fields[6], "Acnt.\tAccount Name\r");
    EXPECT_EQ(fields[7], "1\tAdvertising                   \r");
}

TEST_F(ReportCommandTest, APdfNeedsAFileAndHasThePages) {
    New(true);
    ReportRun r = Cli({"report", "income-chart", "-d", books(), "--format", "pdf"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--format pdf needs --output FILE"));
    r = Cli({"report", "income-chart", "-d", books(), "--format", "xlsx"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--format xlsx needs --output FILE"));
    r = Cli({"report", "income-chart", "-d", books(), "--format", "pdf", "--output",
             file("chart.pdf")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {file("chart.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished());
    const QString shown = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(shown.contains(QStringLiteral("Income Accounts")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Landscaping Services")));
}

TEST_F(ReportCommandTest, AnEmptyReportWritesNothingAndExitsOne) {
    New(false);
    const ReportRun r = Cli({"report", "income-chart", "-d", books(), "--output", file("x.txt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("Report contains no data.\n"));
    EXPECT_FALSE(QFile::exists(file("x.txt")));
}

TEST_F(ReportCommandTest, ADamagedTagStopsTheReportWithTheEnginesMessage) {
    New(true);
    kvltest::DamageMiddleLeaf(dir_.file("books/EDate.ntx"), kvltest::PageDamage::Zeroed);
    const ReportRun r = Cli({"report", "expense-detail", "-d", books(), "--folders", "all",
                             "--from", "2000-01-01", "--output", file("detail.txt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Error -310: index file "))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("EDate.ntx is damaged"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(file("detail.txt")));
    // Damage above the leaves is refused when the tables are opened: the same exit.
    QFile tag(QString::fromStdString(dir_.file("books/EAcc.ntx")));
    ASSERT_TRUE(tag.open(QIODevice::ReadWrite));
    tag.seek(4);
    quint32 root = 0;
    tag.read(reinterpret_cast<char*>(&root), 4);
    tag.seek(root);
    tag.write(QByteArray(1024, '\0'));
    tag.close();
    const ReportRun open = Cli({"report", "expense-summary", "-d", books(), "--folders", "all",
                                "--output", file("summary.txt")});
    EXPECT_EQ(open.code, 1);
    EXPECT_TRUE(open.err.startsWith(QStringLiteral("Unable to open file ")))
        << open.err.toStdString();
    EXPECT_FALSE(QFile::exists(file("summary.txt")));
}

TEST_F(ReportCommandTest, APdfInALargeReportFontHoldsEveryRow) {
    New(true);
    const QStringList detail = {"report", "expense-detail", "-d",        books(), "--folders",
                                "all",    "--from",         "2000-01-01"};
    static const QRegularExpression amount(QStringLiteral("\\d\\.\\d\\d(?!\\d)"));
    const ReportRun txt = Cli(detail);
    ASSERT_EQ(txt.code, 0) << txt.err.toStdString();
    const qsizetype amounts = QString::fromUtf8(txt.out).count(amount);
    ASSERT_GT(amounts, 300);
    for (int points : {14, 18}) {
        {
            xb::Engine engine;
            engine.settings.autoOpen = false;
            xb::Table* settings = engine.open(dir_.file("books/KVL1"));
            ASSERT_TRUE(settings) << engine.errorMessage();
            ASSERT_EQ(settings->go(1), 0);
            settings->field("FONTSIZE")->assignNumber(points);
            ASSERT_EQ(engine.closeAll(), 0);
        }
        const ReportRun pdf =
            Cli(detail + QStringList{"--format", "pdf", "--output", file("d.pdf")});
        ASSERT_EQ(pdf.code, 0) << pdf.err.toStdString();
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {file("d.pdf"), QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished());
        EXPECT_EQ(QString::fromUtf8(text.readAllStandardOutput()).count(amount), amounts) << points;
    }
}

TEST_F(ReportCommandTest, RefusalsSayWhy) {
    New(true);
    ReportRun r = Cli({"report", "expense-chart", "-d", books(), "--folders", "1"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--folders does not apply to the expense-chart report"));
    r = Cli({"report", "expense-chart", "-d", books(), "--through", "1900-01-31"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("outside the years"));
    r = Cli({"report", "balance-sheet", "-d", books()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.isEmpty());
}

}  // namespace

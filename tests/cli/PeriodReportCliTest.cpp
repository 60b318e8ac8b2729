// kvl-cli report for the summaries and details: each kind runs its builder, and an account detail
// names its account.
#include <gtest/gtest.h>

#include <QProcess>

#include "common/TempDir.h"

namespace {

QString CliRun(const QStringList& args, int* code) {
    QProcess p;
    p.start(QStringLiteral(KVL_CLI_PATH), args);
    p.waitForFinished(300000);
    *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

TEST(PeriodReportCli, EveryKindRunsOnTheSampleBooks) {
    kvltest::TempDir dir;
    const QString books = QString::fromStdString(dir.file("books"));
    int code = -1;
    CliRun({"new", books, "--sample"}, &code);
    ASSERT_EQ(code, 0);
    const QStringList period = {"-d", books, "--folders", "all", "--from", "2000-01-01"};
    for (const char* kind :
         {"expense-summary", "income-summary", "expense-detail", "income-detail"}) {
        const QString text = CliRun(QStringList{"report", kind} + period, &code);
        EXPECT_EQ(code, 0) << kind << text.toStdString();
        const bool summary = QString::fromLatin1(kind).endsWith("summary");
        EXPECT_TRUE(text.contains(summary ? "GRAND TOTAL" : "TOTAL", Qt::CaseInsensitive)) << kind;
    }
    const QString rent =
        CliRun(QStringList{"report", "expense-account-detail", "--account", "10"} + period, &code);
    ASSERT_EQ(code, 0) << rent.toStdString();
    EXPECT_EQ(rent.split("\r\n").at(2).trimmed(), QStringLiteral("Rent Expense Detail Report"));
    EXPECT_TRUE(rent.contains("\r\nTOTAL EXPENSES "));
    int rows = 0;
    for (const QString& line : rent.split("\r\n")) {
        if (line.isEmpty() || !line.at(0).isDigit()) continue;
        EXPECT_EQ(line.mid(20, 4), QStringLiteral("  10")) << line.toStdString();
        ++rows;
    }
    EXPECT_GT(rows, 12);
}

}  // namespace

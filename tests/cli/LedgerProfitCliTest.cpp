// kvl-cli report general-ledger, weekly-profit and monthly-profit, run as a user runs them.
#include <gtest/gtest.h>

#include <QProcess>

#include "common/TempDir.h"

namespace {

QList<QByteArray> Report(const QStringList& args, int* code) {
    QProcess p;
    p.start(QStringLiteral(KVL_CLI_PATH), QStringList{QStringLiteral("report")} + args);
    *code = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput().split('\n');
}

TEST(LedgerProfitCli, TheThreeKindsRunOverTheChosenFolders) {
    kvltest::TempDir dir;
    const QString books = QString::fromStdString(dir.file("books"));
    QProcess make;
    make.start(QStringLiteral(KVL_CLI_PATH), {"new", books, "--sample"});
    ASSERT_TRUE(make.waitForFinished(60000));
    ASSERT_EQ(make.exitCode(), 0);
    const QStringList period = {"-d", books, "--from", "2026-01-15", "--through", "2026-03-10"};
    int code = -1;

    QList<QByteArray> lines =
        Report(QStringList{"general-ledger", "--folders", "all"} + period, &code);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(lines[2], "                             General Ledger\r");
    EXPECT_EQ(lines[3], QByteArray(23, ' ') + "for 1/15/26 through 3/10/26\r");
    EXPECT_TRUE(lines[8].startsWith("          Prior Year Totals"));
    int closing = -1, included = -1;
    for (int i = 10; i < lines.size(); ++i) {
        if (lines[i].startsWith("          Fiscal YTD Totals")) closing = i;
        if (lines[i].startsWith("Included Folders: ")) included = i;
    }
    EXPECT_GT(closing, 9);
    EXPECT_EQ(included, closing + 3);

    lines =
        Report(QStringList{"monthly-profit", "--folders", "1", "--format", "tsv"} + period, &code);
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(lines[2].endsWith("Profit Report\r"));
    EXPECT_EQ(lines[3], "for 1/1/26 through 3/10/26\r");
    ASSERT_EQ(lines.size(), 14);  // three months, Totals and the last line end
    EXPECT_TRUE(lines[9].startsWith("01/31/26\t"));
    EXPECT_TRUE(lines[12].startsWith("Totals\t"));

    lines =
        Report(QStringList{"weekly-profit", "--folders", "all", "--format", "tsv"} + period, &code);
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(lines[9].startsWith("01/21/26\t"));
    EXPECT_TRUE(lines[16].startsWith("03/10/26\t"));
    EXPECT_TRUE(lines[17].startsWith("Totals\t"));
}

}  // namespace

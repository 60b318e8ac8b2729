// The payment import: the earlier imports of the range replaced, files that are not payment files,
// a file written by python3-dbf, and the proposed payment file.
#include <QDir>
#include <QFile>
#include <QProcess>

#include "Fixture.h"
#include "data/Maintenance.h"
#include "engine/Files.h"
#include "transfer/PmtImportOps.h"

namespace {

class PaymentImportTest : public kvltest::TransferTest {
  protected:
    void SetUp() override {
        TransferTest::SetUp();
        kvl::OpenIncome();
        AddIncome(QDate(2026, 3, 5), 12.50, false, "By hand");
        AddIncome(QDate(2026, 3, 6), 80, true, "Imported in range");
        AddIncome(QDate(2025, 12, 1), 70, true, "Imported before");
        code4close(kvl::cb);
        WritePayments(file("pmt.dbf"), {{QDate(2026, 2, 28), 1, "99"},
                                        {QDate(2026, 3, 1), 100.25, "  1042  "},  // From
                                        {QDate(2026, 3, 15), 200, "1043", true},  // deleted
                                        {QDate(2026, 3, 31), 300, "A-7"},         // Through
                                        {QDate(2026, 4, 1), 2, "98"},
                                        {QDate(), 3, "97"}});
    }

    kvl::ImportOutcome Import(const QString& path = "pmt.dbf") {
        const auto payments = kvl::ReadPaymentFile(path);
        if (!payments) return {};
        kvl::OpenIncome();
        const auto outcome =
            kvl::ImportPayments(*payments, {QDate(2026, 3, 1), QDate(2026, 3, 31), 4, 2});
        code4close(kvl::cb);
        if (outcome.packNeeded()) kvl::PackAll();
        return outcome;
    }
};

TEST_F(PaymentImportTest, ImportingARangeTwiceHoldsEachPaymentOnce) {
    const QStringList expected{"By hand 1250", "Imported before 7000",
                               "Payment on Invoice #1042 10025", "Payment on Invoice #1043 20000",
                               "Payment on Invoice #A-7 30000"};
    for (long removed : {1, 3}) {
        const kvl::ImportOutcome outcome = Import();
        EXPECT_EQ(outcome.result, kvl::ChangeResult::Done);
        EXPECT_EQ(outcome.removed, removed);
        EXPECT_EQ(LiveIncome(), expected);
    }
    EXPECT_EQ(progress.events.front(), "show Loading Payments");
    EXPECT_TRUE(messages.shown.empty());
    kvl::OpenIncome();
    ASSERT_EQ(d4go(kvl::dbIncome, 3), 0);
    kvl::LoadIncomeRecord();
    const kvl::IncomeRecord& i = kvl::IncomeBuffer;
    EXPECT_TRUE(i.date == QDate(2026, 3, 1) && i.account == 4 && i.folder == 2 && i.imported);
    code4close(kvl::cb);
    ExpectSound();
}

TEST_F(PaymentImportTest, WhatIsNotAPaymentFileIsSaidAndChangesNothing) {
    QFile text(QString::fromStdString(file("notes.dbf")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("Dear customer,\n") > 0);
    text.close();
    WritePayments(file("other.dbf"), {}, {{"PDATE", 'D', 8, 0, 0}, {"AMOUNT", 'N', 9, 2, 0}});
    WritePayments(file("big.dbf"), {{QDate(2026, 3, 2), 5, "1"}, {QDate(2026, 3, 3), 1.5e6, "2"}});
    const std::pair<const char*, const char*> cases[] = {
        {"notes.dbf", "Unable to Open notes.dbf"},
        {"missing.dbf", "Unable to Open missing.dbf"},
        {"other.dbf",
         "other.dbf\r\nis not a valid Ulvenir Payment file: it has no PAMT, IVNO field."},
        {"big.dbf", "The payment on invoice #2 dated "},
    };
    for (const auto& [path, message] : cases) {
        messages.shown.clear();
        EXPECT_NE(Import(path).result, kvl::ChangeResult::Done);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(messages.shown[0].text.startsWith(message)) << message;
    }
    EXPECT_EQ(LiveIncome().size(), 3);
    EXPECT_TRUE(kvl::cb->tables().empty());
}

TEST_F(PaymentImportTest, AFullDiskSaysImportFailedAndChangesNothing) {
    const auto payments = kvl::ReadPaymentFile("pmt.dbf");
    ASSERT_TRUE(payments);
    kvl::OpenIncome();
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(0));
    const auto outcome =
        kvl::ImportPayments(*payments, {QDate(2026, 3, 1), QDate(2026, 3, 31), 4, 2});
    xb::RemoveFaultPlan();
    code4close(kvl::cb);
    EXPECT_TRUE(outcome.result == kvl::ChangeResult::Failed && !outcome.packNeeded());
    EXPECT_EQ(messages.shown.back().text, "Import failed. Try again later.");
    EXPECT_EQ(LiveIncome().size(), 3);
    ExpectSound();
}

TEST_F(PaymentImportTest, ReadsAPaymentFileWrittenByPythonDbf) {
    const QString script = QStringLiteral(
        "import dbf, datetime, sys\n"
        "t = dbf.Table(sys.argv[1], 'IVNO C(10); PDATE D; PAMT N(10,2)', dbf_type='db3')\n"
        "t.open(dbf.READ_WRITE)\n"
        "t.append(('  1042 ', datetime.date(2026, 3, 9), 45.5))\n"
        "t.append(('2001', datetime.date(2026, 3, 10), 0.75))\n"
        "dbf.delete(t[1])\n"
        "t.append(('2002', None, 9))\n"
        "t.close()\n");
    QProcess python;
    python.start(KVL_PYTHON, {"-c", script, QString::fromStdString(file("Pmt.DBF"))});
    ASSERT_TRUE(python.waitForFinished(60000) && python.exitCode() == 0)
        << python.readAllStandardError().toStdString();
    EXPECT_EQ(Import("Pmt.DBF").added, 2);
    EXPECT_TRUE(LiveIncome().contains("Payment on Invoice #1042 4550"));
    EXPECT_TRUE(LiveIncome().contains("Payment on Invoice #2001 75"));
}

TEST_F(PaymentImportTest, ProposesTheCurrentDirectoryThenTheVolumeRootsFolders) {
    kvltest::TempDir root;
    const QDir rootDir(QString::fromStdString(root.path()));
    EXPECT_EQ(kvl::ProposePaymentFile(rootDir.path()), "Pmt.dbf");
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file("pmt.dbf"))));
    EXPECT_EQ(kvl::ProposePaymentFile(rootDir.path()), "");
    for (const char* folder : {"Kelvane", "kelvane_bus"}) {
        ASSERT_TRUE(rootDir.mkpath(folder));
        WritePayments(root.file(std::string(folder) + "/PMT.dbf"), {});
        EXPECT_EQ(kvl::ProposePaymentFile(rootDir.path()),
                  rootDir.filePath(folder + QString("/PMT.dbf")));
    }
    EXPECT_EQ(kvl::PaymentFileIn(rootDir.path()), "");
}

}  // namespace

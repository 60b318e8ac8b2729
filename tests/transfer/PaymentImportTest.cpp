// The payment import: the proposal of the payment file, the reading of payment files written
// through the engine and by python3-dbf, the replacement of earlier imports, and the refusals.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <cmath>

#include "Fixture.h"
#include "data/Maintenance.h"
#include "engine/Files.h"
#include "transfer/PaymentImportOps.h"

namespace {

using kvltest::PaymentRow;
using kvltest::TransferTest;

class PaymentImportTest : public TransferTest {
  protected:
    void SetUp() override {
        TransferTest::SetUp();
        kvl::OpenIncome();
        AddIncome(QDate(2026, 3, 5), 12.50, false, QStringLiteral("Hand entered in range"));
        AddIncome(QDate(2026, 3, 6), 80, true, QStringLiteral("Earlier import in range"));
        AddIncome(QDate(2025, 12, 1), 70, true, QStringLiteral("Earlier import before"));
        code4close(kvl::cb);
        WritePayments(file("pmt.dbf"), {{QDate(2026, 2, 28), 1, "99"},
                                        {QDate(2026, 3, 1), 100.25, "  1042  "},  // From
                                        {QDate(2026, 3, 15), 200, "1043", true},  // deleted
                                        {QDate(2026, 3, 31), 300, "A-7"},         // Through
                                        {QDate(2026, 4, 1), 2, "98"},
                                        {QDate(), 3, "97"}});
    }

    kvl::ImportOutcome Import(const QString& path = QStringLiteral("pmt.dbf"),
                              QDate from = QDate(2026, 3, 1), QDate through = QDate(2026, 3, 31)) {
        const auto payments = kvl::ReadPaymentFile(path);
        if (!payments) return {};
        kvl::OpenIncome();
        kvl::OpenFolders();
        kvl::OpenIncomeAccounts();
        const kvl::ImportOutcome outcome = kvl::ImportPayments(*payments, {from, through, 4, 2});
        code4close(kvl::cb);
        if (outcome.packNeeded()) kvl::PackAll();
        return outcome;
    }

    const QStringList imported_{"Hand entered in range", "Earlier import before",
                                "Payment on Invoice #1042", "Payment on Invoice #1043",
                                "Payment on Invoice #A-7"};
};

TEST_F(PaymentImportTest, ReplacesTheEarlierImportsOfTheRangeByItsPayments) {
    const kvl::ImportOutcome first = Import();
    EXPECT_EQ(first.result, kvl::ChangeResult::Done);
    EXPECT_EQ(first.removed, 1);
    EXPECT_EQ(first.added, 3);
    EXPECT_EQ(LiveIncome(), imported_);
    const auto income = Income();
    const kvl::IncomeRecord& added = income[2].first;
    EXPECT_EQ(added.date, QDate(2026, 3, 1));
    EXPECT_EQ(std::lround(added.amount * 100), 10025);
    EXPECT_EQ(added.account, 4);
    EXPECT_EQ(added.folder, 2);
    EXPECT_TRUE(added.imported);
    EXPECT_FALSE(added.archived);
    EXPECT_EQ(progress.events.front(), "show Loading Payments");

    // The same range again: one income record per payment.
    EXPECT_EQ(Import().removed, 3);
    EXPECT_EQ(LiveIncome(), imported_);
    EXPECT_EQ(Income().size(), 5u);
    ExpectSound();
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PaymentImportTest, ARangeWithoutPaymentsStillRemovesItsEarlierImports) {
    const kvl::ImportOutcome outcome =
        Import(QStringLiteral("pmt.dbf"), QDate(2026, 3, 2), QDate(2026, 3, 14));
    EXPECT_EQ(outcome.removed, 1);
    EXPECT_EQ(outcome.added, 0);
    EXPECT_EQ(LiveIncome(), (QStringList{"Hand entered in range", "Earlier import before"}));
}

TEST_F(PaymentImportTest, AFileThatIsNotAPaymentFileIsRefusedAndChangesNothing) {
    {
        QFile text(QString::fromStdString(file("notes.dbf")));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("Dear customer, thank you for your payment.\n");
    }
    WritePayments(file("other.dbf"), {{QDate(2026, 3, 1), 1, "1"}},
                  {{"PDATE", 'D', 8, 0, 0}, {"AMOUNT", 'N', 10, 2, 0}});
    const struct {
        const char* path;
        const char* message;
    } cases[] = {
        {"notes.dbf", "Unable to Open notes.dbf"},
        {"missing/pmt.dbf", "Unable to Open missing/pmt.dbf"},
        {"other.dbf",
         "other.dbf\r\nis not a valid Ulvenir Payment file: it has no PAMT, IVNO field."},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        EXPECT_FALSE(kvl::ReadPaymentFile(QString::fromLatin1(c.path)));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Warning);
        EXPECT_EQ(messages.shown[0].text.toStdString(), c.message);
    }
    EXPECT_TRUE(kvl::cb->tables().empty());
}

TEST_F(PaymentImportTest, APaymentTooLargeForAnIncomeAmountRefusesTheImport) {
    WritePayments(file("big.dbf"),
                  {{QDate(2026, 3, 2), 5, "1"}, {QDate(2026, 3, 3), 1234567.5, "2"}});
    const kvl::ImportOutcome outcome = Import(QStringLiteral("big.dbf"));
    EXPECT_EQ(outcome.result, kvl::ChangeResult::Refused);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.startsWith("The payment on invoice #2 dated "));
    EXPECT_TRUE(messages.shown[0].text.endsWith("Nothing was imported."));
    EXPECT_EQ(progress.events.back(), "hide");
    EXPECT_EQ(LiveIncome().size(), 3);
}

TEST_F(PaymentImportTest, AFailedWriteShowsImportFailedAndChangesNothing) {
    const auto payments = kvl::ReadPaymentFile(QStringLiteral("pmt.dbf"));
    ASSERT_TRUE(payments);
    kvl::OpenIncome();
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(600));
    const kvl::ImportOutcome outcome =
        kvl::ImportPayments(*payments, {QDate(2026, 3, 1), QDate(2026, 3, 31), 4, 2});
    xb::RemoveFaultPlan();
    EXPECT_EQ(outcome.result, kvl::ChangeResult::Failed);
    EXPECT_FALSE(outcome.packNeeded());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Import failed. Try again later.");
    EXPECT_NE(kvl::dbIncome, nullptr);
    code4close(kvl::cb);
    const auto income = Income();
    ASSERT_EQ(income.size(), 3u);
    for (const auto& [rec, deleted] : income) EXPECT_FALSE(deleted);
    ExpectSound();
}

TEST_F(PaymentImportTest, ReadsAPaymentFileWrittenByPythonDbf) {
    const QString script = QStringLiteral(
        "import dbf, datetime, sys\n"
        "t = dbf.Table(sys.argv[1], 'IVNO C(10); PDATE D; PAMT N(10,2); MEMO C(20)',"
        " dbf_type='db3')\n"
        "t.open(dbf.READ_WRITE)\n"
        "t.append(('  1042 ', datetime.date(2026, 3, 9), 45.5, 'first'))\n"
        "t.append(('2001', datetime.date(2026, 3, 10), 0.75, 'gone'))\n"
        "dbf.delete(t[1])\n"
        "t.append(('2002', None, 9, 'undated'))\n"
        "t.close()\n");
    QProcess python;
    python.start(QStringLiteral(KVL_PYTHON),
                 {QStringLiteral("-c"), script, QString::fromStdString(file("Pmt.DBF"))});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();

    const auto payments = kvl::ReadPaymentFile(QStringLiteral("Pmt.DBF"));
    ASSERT_TRUE(payments);
    ASSERT_EQ(payments->size(), 3u);
    EXPECT_EQ((*payments)[0].invoice, "1042");
    EXPECT_EQ((*payments)[0].date, QDate(2026, 3, 9));
    EXPECT_DOUBLE_EQ((*payments)[1].amount, 0.75);
    EXPECT_FALSE((*payments)[2].date.isValid());
    EXPECT_EQ(Import(QStringLiteral("Pmt.DBF")).added, 2);
    EXPECT_TRUE(LiveIncome().contains("Payment on Invoice #2001"));
}

TEST_F(PaymentImportTest, ProposesTheCurrentDirectoryThenTheVolumeRootsFolders) {
    kvltest::TempDir root;
    EXPECT_EQ(kvl::ProposePaymentFile(QString::fromStdString(root.path())), "Pmt.dbf");
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file("pmt.dbf"))));
    EXPECT_EQ(kvl::ProposePaymentFile(QString::fromStdString(root.path())), "");
    QDir rootDir(QString::fromStdString(root.path()));
    ASSERT_TRUE(rootDir.mkpath("Kelvane"));
    WritePayments(root.file("Kelvane/PMT.dbf"), {});
    EXPECT_EQ(kvl::ProposePaymentFile(rootDir.path()), rootDir.filePath("Kelvane/PMT.dbf"));
    ASSERT_TRUE(rootDir.mkpath("kelvane_bus"));
    WritePayments(root.file("kelvane_bus/pmt.dbf"), {});
    EXPECT_EQ(kvl::ProposePaymentFile(rootDir.path()), rootDir.filePath("kelvane_bus/pmt.dbf"));
    EXPECT_EQ(kvl::PaymentFileIn(rootDir.filePath("Kelvane")), rootDir.filePath("Kelvane/PMT.dbf"));
    EXPECT_EQ(kvl::PaymentFileIn(rootDir.path()), "");
}

}  // namespace

// kvl-cli archive, dearchive, rate-change, import-payments and import-statement run as a user runs
// them on a sample data set: what they change, and refusals that exit 2 with the window's message
// and every file as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <map>

#include "common/TempDir.h"
#include "engine/Engine.h"

namespace {

class TransferCliTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(Cli({"new", books(), "--sample"}), 0); }

    QString books() const { return QString::fromStdString(dir_.file("books")); }

    int Cli(const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(QString::fromStdString(dir_.path()));
        p.start(KVL_CLI_PATH, args);
        p.waitForFinished(300000);
        err = QString::fromUtf8(p.readAllStandardError());
        out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // One field of every record of the table, trimmed.
    QStringList Column(const char* table, const char* field) {
        xb::Engine engine;
        engine.settings.readOnly = true;
        engine.settings.autoOpen = false;
        xb::Table* t = engine.open(dir_.file(std::string("books/") + table));
        QStringList values;
        for (long r = 1; t && r <= t->recCount(); ++r) {
            (void)t->go(r);
            values << QString::fromStdString(std::string(t->field(field)->raw())).trimmed();
        }
        return values;
    }

    void ExpectRefused(const QStringList& args, const QString& message) {
        std::map<QString, QByteArray> before, after;
        for (auto* files : {&before, &after}) {
            if (files == &after) {
                EXPECT_EQ(Cli(args), 2) << err.toStdString();
            }
            for (const QFileInfo& f : QDir(books()).entryInfoList(QDir::Files)) {
                QFile file(f.filePath());
                if (f.fileName() != "kvl.lock" && file.open(QIODevice::ReadOnly))
                    (*files)[f.fileName()] = file.readAll();
            }
        }
        EXPECT_TRUE(err.startsWith(message)) << err.toStdString();
        EXPECT_TRUE(before == after) << "files changed by " << args.join(' ').toStdString();
    }

    void Write(const std::string& name, const QByteArray& bytes) {
        QFile f(QString::fromStdString(dir_.file(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }

    kvltest::TempDir dir_;
    QString err, out;
};

TEST_F(TransferCliTest, ArchiveAndDearchiveMarkTheRange) {
    ASSERT_EQ(Cli({"archive", "--from", "2000-01-01", "--through", "2060-12-31", "-d", books()}),
              0);
    EXPECT_TRUE(err.startsWith("kvl-cli archive: archived ")) << err.toStdString();
    EXPECT_EQ(Column("INC5.dbf", "ARCHIVE").filter("F"), QStringList());
    ASSERT_EQ(Cli({"dearchive", "--from", "2000-01-01", "--through", "2060-12-31", "-d", books()}),
              0);
    EXPECT_EQ(Column("EXP5.dbf", "ARCHIVE").filter("T"), QStringList());
    ExpectRefused({"archive", "--from", "2024-02-30", "--through", "2024-12-31", "-d", books()},
                  "Data Conversion Error. Please check values and try again\n"
                  "kvl-cli archive: --from '2024-02-30' is not a date (YYYY-MM-DD)");
}

TEST_F(TransferCliTest, RateChangeRescalesOneAccountOrRefusesAsTheDialogDoes) {
    const QStringList accounts = Column("EXP5.dbf", "ACCNO"), before = Column("EXP5.dbf", "AMOUNT");
    const QStringList args{"rate-change", "--account",  accounts[0], "--from", "2000-01-01",
                           "--through",   "2060-12-31", "-d",        books()};
    ExpectRefused(args + QStringList{"--old", "0.5", "--new", "0.50"}, "RATES MUST NOT BE EQUAL");
    ExpectRefused(args + QStringList{"--old", "1,5", "--new", "1"}, "Data Conversion Error.");
    QStringList other = args;
    other[2] = "9876";
    ExpectRefused(other + QStringList{"--old", "1", "--new", "2"},
                  "There is no expense account 9876.");
    ASSERT_EQ(Cli(args + QStringList{"--old", "0.5", "--new", "1"}), 0) << err.toStdString();
    const QStringList after = Column("EXP5.dbf", "AMOUNT");
    for (int i = 0; i < after.size(); ++i)
        EXPECT_DOUBLE_EQ(after[i].toDouble(),
                         before[i].toDouble() * (accounts[i] == accounts[0] ? 2 : 1));
    EXPECT_EQ(Cli({"check", "-d", books()}), 0);
}

TEST_F(TransferCliTest, ImportPaymentsTwiceHoldsEachPaymentOnceAndPacks) {
    const std::string pmt = dir_.file("pmt.dbf");
    ASSERT_TRUE(
        xb::CreateTable(pmt,
                        {{"PDATE", 'D', 8, 0, 0}, {"PAMT", 'N', 12, 2, 0}, {"IVNO", 'C', 10, 0, 0}})
            .ok());
    {
        xb::Engine engine;
        xb::Table* t = engine.open(pmt);
        for (const char* date : {"20260105", "20260704"}) {
            ASSERT_EQ(t->appendBlank(), 0);
            t->field("PDATE")->assign(date);
            t->field("PAMT")->assignNumber(10);
            t->field("IVNO")->assign(std::string(" 104") + date[5]);
        }
    }
    const QStringList args{"import-payments", "pmt.dbf",    "--from",    "2026-01-01",
                           "--through",       "2026-06-30", "--account", "1",
                           "--folder",        "1",          "-d",        books()};
    const int income = Column("INC5.dbf", "INCDESC").size();
    for (int removed : {0, 1}) {
        ASSERT_EQ(Cli(args), 0) << err.toStdString();
        EXPECT_TRUE(err.startsWith(QString("kvl-cli import-payments: imported 1 payments, "
                                           "replacing %1 earlier imports")
                                       .arg(removed)));
        // The pack after the import took the first import's record away.
        EXPECT_EQ(Column("INC5.dbf", "INCDESC").mid(income),
                  QStringList{"Payment on Invoice #1041"});
    }
    QStringList bad = args;
    bad[1] = "nothing.dbf";
    ExpectRefused(bad, "Unable to Open " + QString::fromStdString(dir_.file("nothing.dbf")));
}

TEST_F(TransferCliTest, ImportStatementLearnsFromTheSampleAndSkipsWhatItHolds) {
    Write(
        "s.csv",
        "Date,Description,Amount,Check\n2027-03-02,QUICK STOP FUEL 0423,-45.10,\n"
        "2027-03-02,Millbrook Properties,-1450.00,2201\n2027-03-03,Garden center sales,312.40,\n");
    const QStringList args{"import-statement", "s.csv", "-d", books()};
    ASSERT_EQ(Cli(args + QStringList{"--dry-run"}), 0) << err.toStdString();
    EXPECT_EQ(out,
              "2027-03-02\tQUICK STOP FUEL 0423\t45.10\texpense\t2\t1\tnew\n"
              "2027-03-02\tMillbrook Properties\t1450.00\texpense\t10\t4\tnew\n"
              "2027-03-03\tGarden center sales\t312.40\tincome\t2\t4\tnew\n");
    ASSERT_EQ(Cli(args), 0) << err.toStdString();
    EXPECT_EQ(out, "imported 2 expenses and 1 incomes, skipped 0 duplicates\n");
    ASSERT_EQ(Cli(args), 0);
    EXPECT_EQ(out, "imported 0 expenses and 0 incomes, skipped 3 duplicates\n");
    EXPECT_EQ(Cli({"check", "-d", books()}), 0);

    Write("bad.csv", "Date,Payee,Amount\n2027-03-04,X,abc\n");
    ExpectRefused({"import-statement", "bad.csv", "-d", books()},
                  "Cannot import bad.csv: line 2: the amount 'abc' cannot be read");
    Write("new.csv", "Date,Payee,Amount\n2027-03-04,Someone new,-5\n");
    ExpectRefused({"import-statement", "new.csv", "-d", books(), "--folder", "1"},
                  "Cannot import new.csv: these lines have no account or folder (give");
    ExpectRefused({"import-statement", "new.csv", "-d", books(), "--folder", "99"},
                  "There is no folder 99.");
    Write("cut.ofx", "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\n\n<OFX><BANKMSGSRSV1><STMTTRNRS>");
    ExpectRefused({"import-statement", "cut.ofx", "-d", books()},
                  "Cannot import cut.ofx: it cannot be read as OFX to its end");
    EXPECT_EQ(err.count('\n'), 1) << "libofx spoke: " << err.toStdString();
}

}  // namespace

// kvl-cli archive, dearchive, rate-change and import-payments run as a user runs them, on a
// sample data set: what they change, their refusals (exit 2, the window's message, every file
// as it was) and the pack after an import.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <cmath>
#include <map>
#include <string>

#include "common/TempDir.h"
#include "engine/Engine.h"

namespace {

struct CliResult {
    int code = -1;
    QString err;
};

CliResult Cli(const QStringList& args, const QString& workDir = QString()) {
    QProcess p;
    if (!workDir.isEmpty()) p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(KVL_CLI_PATH), args);
    CliResult r;
    if (!p.waitForFinished(300000)) return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

struct Row {
    bool deleted;
    std::map<std::string, std::string> fields;  // trimmed
    double number(const char* name) const { return std::stod(fields.at(name)); }
};

class TransferCliTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(Cli({"new", books(), "--sample"}).code, 0); }

    QString books() const { return QString::fromStdString(dir_.file("books")); }

    std::vector<Row> Rows(const char* table) {
        xb::Engine engine;
        engine.settings.readOnly = true;
        engine.settings.autoOpen = false;
        xb::Table* t = engine.open(dir_.file(std::string("books/") + table));
        std::vector<Row> rows;
        if (!t) return rows;
        for (long r = 1; r <= t->recCount(); ++r) {
            t->go(r);
            Row row{t->deleted(), {}};
            for (const auto& f : t->fields()) {
                std::string text(t->record() + f.offset, f.length);
                const auto b = text.find_first_not_of(' '), e = text.find_last_not_of(' ');
                row.fields[f.name] = b == std::string::npos ? "" : text.substr(b, e - b + 1);
            }
            rows.push_back(row);
        }
        return rows;
    }

    // Every file of the data set with its bytes.
    std::map<QString, QByteArray> Files() {
        std::map<QString, QByteArray> all;
        for (const QFileInfo& f : QDir(books()).entryInfoList(QDir::Files)) {
            if (f.fileName() == "kvl.lock") continue;
            QFile file(f.filePath());
            if (file.open(QIODevice::ReadOnly)) all[f.fileName()] = file.readAll();
        }
        return all;
    }

    void ExpectRefused(const QStringList& args, const char* message) {
        const auto before = Files();
        const CliResult r = Cli(args, books());
        EXPECT_EQ(r.code, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(message))) << r.err.toStdString();
        EXPECT_TRUE(before == Files()) << "files changed by " << args.join(' ').toStdString();
    }

    kvltest::TempDir dir_;
};

TEST_F(TransferCliTest, ArchiveAndDearchiveMarkTheRangeOfBothTables) {
    const CliResult r =
        Cli({"archive", "--from", "2000-01-01", "--through", "2060-12-31", "-d", books()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("kvl-cli archive: archived ")) << r.err.toStdString();
    for (const char* table : {"EXP5.dbf", "INC5.dbf"})
        for (const Row& row : Rows(table)) EXPECT_EQ(row.fields.at("ARCHIVE"), "T") << table;
    ASSERT_EQ(Cli({"dearchive", "--from", "2000-01-01", "--through", "2060-12-31"}, books()).code,
              0);
    for (const Row& row : Rows("INC5.dbf")) EXPECT_EQ(row.fields.at("ARCHIVE"), "F");
    ExpectRefused({"archive", "--from", "2024-02-30", "--through", "2024-12-31", "-d", books()},
                  "Data Conversion Error. Please check values and try again\n"
                  "kvl-cli archive: --from '2024-02-30' is not a date (YYYY-MM-DD)");
    // A year outside the century window would be read as another century's.
    ExpectRefused({"dearchive", "--from", "2024-01-01", "--through", "2099-12-31", "-d", books()},
                  "Data Conversion Error. Please check values and try again\n"
                  "kvl-cli dearchive: --through '2099-12-31' is not within the years ");
}

TEST_F(TransferCliTest, RateChangeRescalesOneAccountAndRefusesAsTheDialogDoes) {
    const std::vector<Row> before = Rows("EXP5.dbf");
    ASSERT_FALSE(before.empty());
    const std::string account = before[0].fields.at("ACCNO");
    const QStringList base{"rate-change", "--account",  QString::fromStdString(account),
                           "--from",      "2000-01-01", "--through",
                           "2060-12-31",  "-d",         books()};
    ExpectRefused(base + QStringList{"--old", "0.5", "--new", "0.50"}, "RATES MUST NOT BE EQUAL");
    ExpectRefused(base + QStringList{"--old", "0", "--new", "1"}, "RATES MUST BE NON-ZERO");
    ExpectRefused(base + QStringList{"--old", "1,5", "--new", "1"},
                  "Data Conversion Error. Please check values and try again");
    ExpectRefused({"rate-change", "--account", "9876", "--old", "1", "--new", "2", "--from",
                   "2026-01-01", "--through", "2026-12-31", "-d", books()},
                  "There is no expense account 9876.");
    ExpectRefused(base + QStringList{"--old", "1", "--new", "1000000"},
                  "The new rate would make the expense of ");

    const CliResult r = Cli(base + QStringList{"--old", "0.5", "--new", "1"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const std::vector<Row> after = Rows("EXP5.dbf");
    ASSERT_EQ(after.size(), before.size());
    long changed = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        const bool ours = before[i].fields.at("ACCNO") == account;
        changed += ours;
        EXPECT_EQ(std::lround(after[i].number("AMOUNT") * 100),
                  std::lround(before[i].number("AMOUNT") * 100) * (ours ? 2 : 1));
    }
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("kvl-cli rate-change: rescaled %1 expenses of "
                                                "account %2 in ")
                                     .arg(changed)
                                     .arg(QString::fromStdString(account))))
        << r.err.toStdString();
    EXPECT_EQ(Cli({"check", "-d", books()}).code, 0);
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
        ASSERT_NE(t, nullptr);
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(t->appendBlank(), 0);
            t->field("PDATE")->assign(i == 2 ? "20260704" : "20260105");
            t->field("PAMT")->assignNumber(10 + i);
            t->field("IVNO")->assign(" " + std::to_string(1042 + i) + "  ");
        }
    }
    const std::vector<Row> folders = Rows("FOLDER.dbf"), accounts = Rows("ACCI.dbf");
    ASSERT_FALSE(folders.empty() || accounts.empty());
    const QStringList args{
        "import-payments", "../pmt.dbf",
        "--from",          "2026-01-01",
        "--through",       "2026-06-30",
        "--account",       QString::fromStdString(accounts[0].fields.at("ACCNO")),
        "--folder",        QString::fromStdString(folders[0].fields.at("FOLNO"))};
    const size_t income = Rows("INC5.dbf").size();
    for (int twice = 0; twice < 2; ++twice) {
        const CliResult r = Cli(args, books());
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(
            QStringLiteral(
                "kvl-cli import-payments: imported 2 payments, replacing %1 earlier imports, in ")
                .arg(twice * 2)))
            << r.err.toStdString();
        const std::vector<Row> rows = Rows("INC5.dbf");
        ASSERT_EQ(rows.size(), income + 2);  // the pack took the first import's records away
        EXPECT_EQ(rows[income].fields.at("INCDESC"), "Payment on Invoice #1042");
        EXPECT_EQ(rows[income + 1].fields.at("INCDESC"), "Payment on Invoice #1043");
        EXPECT_EQ(rows[income].fields.at("INCIMP"), "T");
    }
    QStringList bad = args;
    bad[1] = QStringLiteral("../nothing.dbf");
    ExpectRefused(bad, ("Unable to Open " + dir_.file("nothing.dbf")).c_str());
    bad = args;
    bad[7] = QStringLiteral("9999");
    ExpectRefused(bad, "There is no income account 9999.");
}

}  // namespace

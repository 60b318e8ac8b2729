// kvl-cli dump: what the engine sees, as a separate process prints it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <string>

#include "common/TempDir.h"
#include "engine/CodePage.h"
#include "engine/Engine.h"

namespace {

struct DumpRun {
    int code = -1;
    std::string out, err;
};

DumpRun Dump(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KVL_CLI_PATH), QStringList{"dump"} + args);
    DumpRun r;
    if (!p.waitForFinished(60000)) return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

class DumpTest : public ::testing::Test {
  protected:
    kvltest::TempDir dir;
    QString d() const { return QString::fromStdString(dir.path()); }

    void SetUp() override {
        ASSERT_TRUE(xb::CreateTable(dir.file("FOLDER.dbf"), {{"FOLNO", 'N', 4, 0, 0},
                                                             {"FOLNAME", 'C', 12, 0, 0},
                                                             {"OPENED", 'D', 8, 0, 0},
                                                             {"ACTIVE", 'L', 1, 0, 0}})
                        .ok());
        xb::Engine e;
        xb::Table* t = e.open(dir.file("FOLDER"));
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->createIndex("Folder", {{"FolTag", "FOLNO", ".NOT. DELETED()"}}), 0);
        const struct {
            int no;
            const char* name;
            const char* date;
            bool deleted;
        } rows[] = {{12, "Main Street", "20260105", false},
                    {3, "Café Nord", "", false},
                    {7, "Old shop", "20240229", true},
                    {-1, "Adjust", "20251231", false}};
        for (auto& r : rows) {
            ASSERT_EQ(t->appendBlank(), 0);
            t->field("FOLNO")->assignNumber(r.no);
            t->field("FOLNAME")->assign(xb::Utf8ToCp1252(r.name));
            t->field("OPENED")->assign(r.date);
            t->field("ACTIVE")->assign(r.deleted ? "F" : "T");
            t->setDeleted(r.deleted);
        }
        ASSERT_EQ(e.closeAll(), 0);
    }
};

TEST_F(DumpTest, RecordNumberOrderShowsEveryRecordAtFullWidth) {
    DumpRun r = Dump({"FOLDER", "-d", d()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "#recno\tdel\tFOLNO\tFOLNAME\tOPENED\tACTIVE\n"
              "1\t \t  12\tMain Street \t20260105\tT\n"
              "2\t \t   3\tCafé Nord   \t        \tT\n"
              "3\t*\t   7\tOld shop    \t20240229\tF\n"
              "4\t \t  -1\tAdjust      \t20251231\tT\n");
}

TEST_F(DumpTest, TagOrderListsWhatTheTagHolds) {
    // The tag is looked up ignoring case; the deleted folder is not in it; -1 sorts first.
    DumpRun r = Dump({"folder", "--tag", "FOLTAG", "-d", d()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "#recno\tdel\tFOLNO\tFOLNAME\tOPENED\tACTIVE\n"
              "4\t \t  -1\tAdjust      \t20251231\tT\n"
              "2\t \t   3\tCafé Nord   \t        \tT\n"
              "1\t \t  12\tMain Street \t20260105\tT\n");
}

TEST_F(DumpTest, APathToAnyTableWorksFromAnotherDirectory) {
    DumpRun r = Dump({QString::fromStdString(dir.file("FOLDER.dbf"))});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("3\t*\t   7\tOld shop"), std::string::npos) << r.out;
}

TEST_F(DumpTest, FailuresExitTwoWithTheFileAndTheFault) {
    DumpRun r = Dump({"NOSUCH", "-d", d()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("NOSUCH.dbf"), std::string::npos) << r.err;

    r = Dump({"FOLDER", "--tag", "Nope", "-d", d()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Nope"), std::string::npos) << r.err;

    // A table whose header lies.
    FILE* f = std::fopen(dir.file("FOLDER.dbf").c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 4, SEEK_SET);
    std::fputc(99, f);
    std::fclose(f);
    r = Dump({"FOLDER", "-d", d()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("FOLDER.dbf"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("records"), std::string::npos) << r.err;

    EXPECT_EQ(Dump({}).code, 2);
    EXPECT_EQ(Dump({"A", "B"}).code, 2);
}

}  // namespace

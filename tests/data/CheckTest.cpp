#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Support.h"
#include "data/Check.h"
#include "data/TableLayouts.h"
#include "engine/Engine.h"
#include "engine/Group.h"
#include "engine/Ntx.h"

namespace {

using kvltest::DataDirTest;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Overwrite(const std::string& path, size_t offset, const std::string& bytes) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class CheckTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet(true);
    }

    kvl::TableCheck Check(const kvl::TableLayout& layout) {
        return kvl::CheckTable(dir_.path(), layout);
    }

    static bool HasFault(const kvl::TableCheck& check, const std::string& part) {
        for (const std::string& f : check.faults)
            if (f.find(part) != std::string::npos) return true;
        return false;
    }

    static std::string Faults(const kvl::TableCheck& check) {
        std::string all;
        for (const std::string& f : check.faults) all += f + "\n";
        return all;
    }

    // Rebuilds what the check found and checks again.
    void RepairAndRecheck(const std::string& table) {
        const std::vector<kvl::TableCheck> checks = kvl::CheckDataSet(dir_.path());
        const std::vector<std::string> rebuilt = kvl::RepairIndexes(checks);
        EXPECT_EQ(rebuilt, std::vector<std::string>{table});
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            EXPECT_TRUE(c.ok()) << c.table << "\n" << Faults(c);
    }
};

TEST_F(CheckTest, SampleDataSetIsSound) {
    const std::vector<kvl::TableCheck> checks = kvl::CheckDataSet(dir_.path());
    ASSERT_EQ(checks.size(), 5u);
    const char* names[] = {"ACC", "ACCI", "FOLDER", "EXP5", "INC5"};
    const int tags[] = {1, 1, 1, 2, 2};
    for (size_t i = 0; i < checks.size(); ++i) {
        EXPECT_EQ(checks[i].table, names[i]);
        EXPECT_TRUE(checks[i].ok()) << Faults(checks[i]);
        EXPECT_EQ(checks[i].tags, tags[i]);
        EXPECT_GT(checks[i].records, 0);
    }
    EXPECT_EQ(kvl::CheckLines(checks[0]), std::vector<std::string>{"OK ACC: 12 records, 1 tag"});
    EXPECT_EQ(kvl::CheckLines(checks[3]),
              std::vector<std::string>{"OK EXP5: " + std::to_string(checks[3].records) +
                                       " records, 2 tags"});
}

TEST_F(CheckTest, DamagedTagPageIsReportedAndRepaired) {
    Overwrite(file("EDate.ntx"), 1024, std::string(1024, '\xA5'));
    const kvl::TableCheck check = Check(kvl::ExpenseLayout());
    EXPECT_FALSE(check.ok());
    EXPECT_TRUE(check.readable);
    EXPECT_TRUE(HasFault(check, "tag EDate: ")) << Faults(check);
    const std::vector<std::string> lines = kvl::CheckLines(check);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("FAULT EXP5: ", 0), 0u) << lines[0];
    RepairAndRecheck("EXP5");
}

TEST_F(CheckTest, TagLeftBeingChangedIsReportedAndRepaired) {
    ASSERT_TRUE(xb::NtxIndex::setChangingMark(file("EDate.ntx"), true).ok());
    const kvl::TableCheck check = Check(kvl::ExpenseLayout());
    EXPECT_TRUE(HasFault(check, "tag EDate: ")) << Faults(check);
    EXPECT_TRUE(HasFault(check, "being changed")) << Faults(check);
    EXPECT_FALSE(HasFault(check, "tag EAcc")) << Faults(check);
    RepairAndRecheck("EXP5");
}

TEST_F(CheckTest, TagMissingTheKeyOfALiveRecordIsReportedAndRepaired) {
    {
        std::unique_ptr<xb::NtxIndex> index;
        ASSERT_TRUE(xb::NtxIndex::open(file("IncAcc.ntx"), false, index).ok());
        ASSERT_EQ(index->top(), 0);
        const std::string key(index->key());
        const uint32_t recno = index->recno();
        ASSERT_TRUE(index->remove(key, recno).ok());
        ASSERT_TRUE(index->sync().ok());
        const kvl::TableCheck check = Check(kvl::IncomeLayout());
        EXPECT_TRUE(
            HasFault(check, "tag IncAcc: record " + std::to_string(recno) + " has no entry"))
            << Faults(check);
        EXPECT_FALSE(HasFault(check, "tag IncDate"));
    }
    RepairAndRecheck("INC5");
}

TEST_F(CheckTest, MissingTagFileIsReportedAndRepaired) {
    ASSERT_EQ(::unlink(file("FolTag.ntx").c_str()), 0);
    const kvl::TableCheck check = Check(kvl::FolderLayout());
    EXPECT_TRUE(HasFault(check, "tag FolTag: file FolTag.ntx is missing")) << Faults(check);
    EXPECT_EQ(check.tags, 0);
    RepairAndRecheck("FOLDER");
}

TEST_F(CheckTest, WrongKeyExpressionIsReportedAndRepaired) {
    {
        xb::Engine other;
        other.settings.autoOpen = false;
        other.settings.safety = false;
        xb::Table* t = other.open(file("EXP5.dbf"));
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(
            t->createIndex("exp5", {{"EDate", "DTOS(EXPDATE) + STR(ACCNO,4)", kvl::kTagFilter},
                                    {"EAcc", "STR(FOLNO,4) + DTOS(EXPDATE)", kvl::kTagFilter}}),
            0);
        (void)other.closeAll();
    }
    const kvl::TableCheck check = Check(kvl::ExpenseLayout());
    EXPECT_TRUE(HasFault(check, "tag EAcc: key expression is 'STR(FOLNO,4) + DTOS(EXPDATE)'"))
        << Faults(check);
    EXPECT_FALSE(HasFault(check, "tag EDate"));
    EXPECT_EQ(check.faults.size(), 1u) << Faults(check);
    RepairAndRecheck("EXP5");
}

TEST_F(CheckTest, MissingFilterIsAFault) {
    {
        xb::Engine other;
        other.settings.autoOpen = false;
        other.settings.safety = false;
        xb::Table* t = other.open(file("ACCI.dbf"));
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->createIndex("AccI", {{"AccITag", "STR(ACCNO, 4)", ""}}), 0);
        (void)other.closeAll();
    }
    EXPECT_TRUE(HasFault(Check(kvl::IncomeAccountLayout()), "tag AccITag: FOR condition is ''"));
    RepairAndRecheck("ACCI");
}

TEST_F(CheckTest, EntryForADeletedRecordAndAChangedKeyAreFaults) {
    {
        // Changes made past the tags, as a tool that ignores our index files would make them.
        xb::Engine other;
        other.settings.autoOpen = false;
        xb::Table* t = other.open(file("ACC.dbf"));
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->go(2), 0);
        t->setDeleted(true);
        ASSERT_EQ(t->go(5), 0);
        t->field("ACCNO")->assignNumber(55);
        ASSERT_EQ(other.closeAll(), 0);
    }
    const kvl::TableCheck check = Check(kvl::ExpenseAccountLayout());
    EXPECT_TRUE(HasFault(check, "entry for record 2, which is deleted")) << Faults(check);
    EXPECT_TRUE(HasFault(check, "record 5 is under key '   5' but its key is '  55'"))
        << Faults(check);
    RepairAndRecheck("ACC");
}

TEST_F(CheckTest, GroupMustListExactlyTheTablesTags) {
    ASSERT_TRUE(xb::WriteGroup(file("INC5.cgp"), {"IncDate", "Stray"}).ok());
    const kvl::TableCheck check = Check(kvl::IncomeLayout());
    EXPECT_TRUE(HasFault(check, "does not list tag IncAcc")) << Faults(check);
    EXPECT_TRUE(HasFault(check, "lists tag Stray, which is not one of this table's"))
        << Faults(check);
    RepairAndRecheck("INC5");

    ASSERT_EQ(::unlink(file("INC5.cgp").c_str()), 0);
    EXPECT_TRUE(HasFault(Check(kvl::IncomeLayout()), "group file INC5.cgp is missing"));
    RepairAndRecheck("INC5");
}

TEST_F(CheckTest, TableWhoseHeaderLiesCannotBeRepairedAndIsLeftAlone) {
    const std::string path = file("FOLDER.dbf");
    std::string bytes = Slurp(path);
    bytes.resize(bytes.size() - 40);  // fewer records than the header counts
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    const kvl::TableCheck check = Check(kvl::FolderLayout());
    EXPECT_FALSE(check.ok());
    EXPECT_FALSE(check.readable);
    EXPECT_TRUE(kvl::RepairIndexes({check}).empty());
    EXPECT_EQ(Slurp(path), bytes);
}

TEST_F(CheckTest, RepairNeverChangesRecords) {
    const std::string before = Slurp(file("EXP5.dbf"));
    ASSERT_EQ(::unlink(file("EAcc.ntx").c_str()), 0);
    RepairAndRecheck("EXP5");
    EXPECT_EQ(Slurp(file("EXP5.dbf")), before);
}

TEST_F(CheckTest, ManyBadEntriesAreSummarised) {
    {
        xb::Engine other;
        other.settings.autoOpen = false;
        xb::Table* t = other.open(file("EXP5.dbf"));
        ASSERT_NE(t, nullptr);
        for (long r = 1; r <= 20; ++r) {
            ASSERT_EQ(t->go(r), 0);
            t->setDeleted(true);
        }
        ASSERT_EQ(other.closeAll(), 0);
    }
    const kvl::TableCheck check = Check(kvl::ExpenseLayout());
    EXPECT_TRUE(HasFault(check, "tag EDate: 15 more problems")) << Faults(check);
    EXPECT_TRUE(HasFault(check, "tag EAcc: 15 more problems")) << Faults(check);
    EXPECT_EQ(check.faults.size(), 12u);
}

}  // namespace

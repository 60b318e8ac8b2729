// A writer killed at an arbitrary moment: every record whose save was reported complete (by the
// move or refresh that wrote it) is in the table that the next process opens.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "common/TempDir.h"
#include "engine/Engine.h"

namespace {

using namespace xb;

const std::vector<FieldDesc> kFields = {
    {"EXPDATE", 'D', 8, 0, 0}, {"ACCNO", 'N', 4, 0, 0}, {"AMOUNT", 'N', 9, 2, 0}};
const std::vector<TagSpec> kTags = {{"EDate", "DTOS(EXPDATE) + STR(ACCNO,4)", ".NOT. DELETED()"},
                                    {"EAcc", "STR(ACCNO,4) + DTOS(EXPDATE)", ".NOT. DELETED()"}};

std::string DateOf(long n) {
    return "2025" + std::string(n % 12 < 9 ? "0" : "") + std::to_string(n % 12 + 1) + "15";
}

void Report(int fd, long n) {
    if (::write(fd, &n, sizeof n) != sizeof n) ::_exit(4);
}

// Appends records until killed; after each save it reports the record's number on fd.
[[noreturn]] void Writer(const std::string& path, int fd, bool refreshEach) {
    Engine engine;
    Table* t = engine.open(path);
    if (!t) ::_exit(2);
    for (long n = 1;; ++n) {
        if (t->appendBlank() != r4success) ::_exit(3);
        // The append wrote the record before it: that save is complete now.
        if (!refreshEach && n > 1) Report(fd, n - 1);
        t->field("EXPDATE")->assign(DateOf(n));
        t->field("ACCNO")->assignNumber(static_cast<double>(n % 50 + 1));
        t->field("AMOUNT")->assignNumber(static_cast<double>(n) / 100.0);
        if (refreshEach) {
            if (t->refresh() != r4success) ::_exit(5);
            Report(fd, n);
        }
    }
}

void KillAWriter(bool refreshEach) {
    kvltest::TempDir dir;
    const std::string path = dir.file("EXP5.dbf");
    {
        ASSERT_TRUE(CreateTable(path, kFields).ok());
        Engine engine;
        Table* t = engine.open(path);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->createIndex("exp5", kTags), r4success) << engine.errorMessage();
        ASSERT_EQ(engine.closeAll(), 0);
    }
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        Writer(path, pipeFds[1], refreshEach);
    }
    ::close(pipeFds[1]);
    long saved = 0, n = 0;
    while (saved < 2000 && ::read(pipeFds[0], &n, sizeof n) == sizeof n) saved = n;
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    while (::read(pipeFds[0], &n, sizeof n) == sizeof n) saved = n;
    ::close(pipeFds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself with " << status;
    ASSERT_GE(saved, 2000);

    // The tags were being changed when the writer died; the table alone must open whole.
    Engine engine;
    engine.settings.autoOpen = false;
    Table* t = engine.open(path);
    ASSERT_NE(t, nullptr) << engine.errorMessage();
    ASSERT_GE(t->recCount(), saved);
    for (long r = 1; r <= t->recCount(); ++r) {
        ASSERT_EQ(t->go(r), r4success);
        ASSERT_EQ(t->field("EXPDATE")->raw(), DateOf(r)) << "record " << r;
        ASSERT_EQ(t->field("ACCNO")->integer(), r % 50 + 1) << "record " << r;
        ASSERT_DOUBLE_EQ(t->field("AMOUNT")->number(), static_cast<double>(r) / 100.0);
    }
    // And its tags can be built again from it.
    engine.settings.safety = false;
    ASSERT_EQ(t->createIndex("exp5", kTags), r4success) << engine.errorMessage();
}

TEST(KillTest, RecordsSavedByRefreshSurviveTheKill) {
    KillAWriter(true);
}

TEST(KillTest, RecordsSavedByTheNextAppendSurviveTheKill) {
    KillAWriter(false);
}

}  // namespace

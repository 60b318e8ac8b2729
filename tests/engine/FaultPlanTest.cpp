// The file helpers' deliberate failures: each limit lets exactly its count through, a write that
// crosses the byte limit leaves the bytes that fitted, removing the plan ends the failures, and a
// file written beside its target leaves the target whole wherever the writing fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "common/TempDir.h"
#include "engine/Files.h"

namespace {

using kvltest::TempDir;

class FaultPlanTest : public ::testing::Test {
  protected:
    void TearDown() override { xb::RemoveFaultPlan(); }

    static off_t SizeOf(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
    }

    TempDir dir_;
};

TEST_F(FaultPlanTest, WriteCrossingTheLimitLeavesWhatFittedAndFailsWithTheGivenError) {
    const std::string path = dir_.file("a.bin");
    int fd = xb::OpenFile(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(10));
    const std::string data(8, 'x');
    EXPECT_TRUE(xb::WriteAt(fd, data.data(), data.size(), 0, path).ok());
    xb::Status s = xb::WriteAt(fd, data.data(), data.size(), 8, path);
    EXPECT_EQ(s.code, xb::e4write);
    EXPECT_NE(s.message.find(path), std::string::npos) << s.message;
    EXPECT_NE(s.message.find(std::strerror(ENOSPC)), std::string::npos) << s.message;
    EXPECT_EQ(SizeOf(path), 10);
    EXPECT_FALSE(xb::WriteAt(fd, data.data(), 1, 10, path).ok());
    // A full disk still lets a file's own bytes be rewritten.
    EXPECT_TRUE(xb::WriteAt(fd, data.data(), data.size(), 2, path).ok());
    EXPECT_EQ(SizeOf(path), 10);
    EXPECT_EQ(xb::FaultCountsSoFar().bytesWritten, 18u);
    EXPECT_EQ(xb::FaultCountsSoFar().bytesGrown, 10u);
    xb::RemoveFaultPlan();
    EXPECT_TRUE(xb::WriteAt(fd, data.data(), data.size(), 16, path).ok());
    EXPECT_EQ(SizeOf(path), 24);
    ::close(fd);
}

TEST_F(FaultPlanTest, ByteLimitWithoutGrowthOnlyStopsRewritesToo) {
    const std::string path = dir_.file("b.bin");
    int fd = xb::OpenFile(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(xb::WriteAt(fd, "0123456789", 10, 0, path).ok());
    xb::FaultPlan plan;
    plan.writeBytes = 4;
    plan.writeError = EIO;
    xb::InstallFaultPlan(plan);
    xb::Status s = xb::WriteAt(fd, "abcdef", 6, 0, path);
    EXPECT_NE(s.message.find(std::strerror(EIO)), std::string::npos) << s.message;
    EXPECT_FALSE(xb::WriteAt(fd, "x", 1, 9, path).ok());
    ::close(fd);
    std::string back(10, '\0');
    fd = xb::OpenFile(path, O_RDONLY);
    ASSERT_TRUE(xb::ReadAt(fd, back.data(), back.size(), 0, path).ok());
    ::close(fd);
    EXPECT_EQ(back, "abcd456789");
}

TEST_F(FaultPlanTest, ReadOnlyDirectoryRefusesNewNamesButNotWritesToExistingFiles) {
    const std::string existing = dir_.file("old.bin");
    int fd = xb::OpenFile(existing, O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    xb::InstallFaultPlan(xb::FaultPlan::ReadOnlyDirectory());
    errno = 0;
    EXPECT_LT(xb::OpenFile(dir_.file("new.bin"), O_WRONLY | O_CREAT, 0644), 0);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(SizeOf(dir_.file("new.bin")), -1);
    EXPECT_LT(xb::RenameFile(existing, dir_.file("moved.bin")), 0);
    EXPECT_EQ(errno, EACCES);
    EXPECT_LT(xb::RemoveFile(existing), 0);
    EXPECT_EQ(SizeOf(existing), 0);
    fd = xb::OpenFile(existing, O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(xb::WriteAt(fd, "abc", 3, 0, existing).ok());
    ::close(fd);
    EXPECT_EQ(SizeOf(existing), 3);
}

TEST_F(FaultPlanTest, ReadOnlyFileSystemRefusesEveryWrite) {
    const std::string existing = dir_.file("old.bin");
    int fd = xb::OpenFile(existing, O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    xb::InstallFaultPlan(xb::FaultPlan::ReadOnlyFileSystem());
    xb::Status s = xb::WriteAt(fd, "abc", 3, 0, existing);
    EXPECT_NE(s.message.find(std::strerror(EROFS)), std::string::npos) << s.message;
    EXPECT_EQ(SizeOf(existing), 0);
    ::close(fd);
    errno = 0;
    EXPECT_LT(xb::OpenFile(existing, O_RDWR), 0);
    EXPECT_EQ(errno, EROFS);
    EXPECT_GE((fd = xb::OpenFile(existing, O_RDONLY)), 0);
    ::close(fd);
}

TEST_F(FaultPlanTest, EachLimitLetsItsCountThrough) {
    xb::FaultPlan plan;
    plan.creates = 2;
    plan.renames = 1;
    plan.syncs = 1;
    xb::InstallFaultPlan(plan);
    int a = xb::OpenFile(dir_.file("a"), O_WRONLY | O_CREAT, 0644);
    int b = xb::OpenFile(dir_.file("b"), O_WRONLY | O_CREAT, 0644);
    EXPECT_GE(a, 0);
    EXPECT_GE(b, 0);
    EXPECT_LT(xb::OpenFile(dir_.file("c"), O_WRONLY | O_CREAT, 0644), 0);
    EXPECT_TRUE(xb::SyncFd(a, "a").ok());
    EXPECT_FALSE(xb::SyncFd(b, "b").ok());
    ::close(a);
    ::close(b);
    EXPECT_EQ(xb::RenameFile(dir_.file("a"), dir_.file("a2")), 0);
    EXPECT_LT(xb::LinkFile(dir_.file("b"), dir_.file("b2")), 0);
    const xb::FaultCounts c = xb::FaultCountsSoFar();
    EXPECT_EQ(c.creates, 2);
    EXPECT_EQ(c.renames, 1);
    EXPECT_EQ(c.syncs, 1);
}

TEST_F(FaultPlanTest, ReplaceThatCannotRenameKeepsTheTargetAndDropsTheTemporary) {
    const std::string target = dir_.file("t.bin"), tmp = xb::TempPathFor(target);
    for (const auto& [path, text] : {std::pair{target, "old"}, std::pair{tmp, "new!"}}) {
        int fd = xb::OpenFile(path, O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(xb::WriteAt(fd, text, std::strlen(text), 0, path).ok());
        ::close(fd);
    }
    xb::FaultPlan plan;
    plan.renames = 0;
    xb::InstallFaultPlan(plan);
    EXPECT_EQ(xb::ReplaceFile(tmp, target).code, xb::e4write);
    EXPECT_EQ(SizeOf(target), 3);
    EXPECT_EQ(SizeOf(tmp), -1);
}

TEST_F(FaultPlanTest, WriteBesideThatFailsAnywhereKeepsTheTargetAndDropsTheTemporary) {
    const std::string target = dir_.file("w.bin"), tmp = xb::TempPathFor(target);
    auto write = [](int fd, const std::string& name) {
        return xb::WriteAt(fd, "new!", 4, 0, name);
    };
    ASSERT_TRUE(xb::WriteBeside(target, [](int fd, const std::string& name) {
                    return xb::WriteAt(fd, "old", 3, 0, name);
                }).ok());
    xb::FaultPlan noCreate, fullDisk = xb::FaultPlan::FullDisk(0), noSync, noRename;
    noCreate.creates = 0;
    noSync.syncs = 0;
    noRename.renames = 0;
    const std::pair<const char*, xb::FaultPlan> plans[] = {
        {"create", noCreate}, {"write", fullDisk}, {"sync", noSync}, {"rename", noRename}};
    for (const auto& [what, plan] : plans) {
        SCOPED_TRACE(what);
        xb::InstallFaultPlan(plan);
        EXPECT_LT(xb::WriteBeside(target, write).code, 0);
        xb::RemoveFaultPlan();
        EXPECT_EQ(SizeOf(target), 3);
        EXPECT_EQ(SizeOf(tmp), -1);
    }
    EXPECT_TRUE(xb::WriteBeside(target, write).ok());
    EXPECT_EQ(SizeOf(target), 4);
    EXPECT_EQ(SizeOf(tmp), -1);
}

TEST_F(FaultPlanTest, WriteBesideKeepingExistingRefusesATakenName) {
    const std::string target = dir_.file("k.bin");
    auto write = [](int fd, const std::string& name) { return xb::WriteAt(fd, "abc", 3, 0, name); };
    ASSERT_TRUE(xb::WriteBeside(target, write, true).ok());
    const xb::Status s = xb::WriteBeside(
        target, [](int fd, const std::string& name) { return xb::WriteAt(fd, "z", 1, 0, name); },
        true);
    EXPECT_EQ(s.code, xb::e4create);
    EXPECT_NE(s.message.find("file exists"), std::string::npos) << s.message;
    EXPECT_EQ(SizeOf(target), 3);
    EXPECT_EQ(SizeOf(xb::TempPathFor(target)), -1);
}

TEST_F(FaultPlanTest, NothingFailsWithoutAPlan) {
    xb::RemoveFaultPlan();
    const std::string path = dir_.file("free.bin");
    int fd = xb::OpenFile(path, O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    const std::string big(1 << 20, 'z');
    EXPECT_TRUE(xb::WriteAt(fd, big.data(), big.size(), 0, path).ok());
    EXPECT_TRUE(xb::SyncFd(fd, path).ok());
    ::close(fd);
    EXPECT_EQ(xb::FaultCountsSoFar().bytesWritten, 0u);  // nothing counted either
}

}  // namespace

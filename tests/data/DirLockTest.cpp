#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>

#include "common/TempDir.h"
#include "data/DirLock.h"
#include "data/ProgramExit.h"

namespace {

QString Absolute(const std::string& path) {
    return QDir::toNativeSeparators(QDir(QString::fromStdString(path)).absolutePath());
}

TEST(DirLockTest, SecondHolderIsRefusedWithTheDirectoryNamed) {
    kvltest::TempDir dir;
    const QString path = QString::fromStdString(dir.path());
    kvl::DirLock first, second;
    ASSERT_TRUE(first.acquire(path)) << first.error().toStdString();
    EXPECT_TRUE(first.held());
    EXPECT_FALSE(second.acquire(path));
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(second.error().contains(Absolute(dir.path()))) << second.error().toStdString();
    EXPECT_TRUE(second.error().contains(QStringLiteral("in use"))) << second.error().toStdString();
    first.release();
    EXPECT_TRUE(second.acquire(path)) << second.error().toStdString();
}

TEST(DirLockTest, DifferentDirectoriesDoNotConflict) {
    kvltest::TempDir a, b;
    kvl::DirLock la, lb;
    EXPECT_TRUE(la.acquire(QString::fromStdString(a.path())));
    EXPECT_TRUE(lb.acquire(QString::fromStdString(b.path())));
}

TEST(DirLockTest, KilledHolderReleasesTheLock) {
    kvltest::TempDir dir;
    const QString path = QString::fromStdString(dir.path());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        kvl::DirLock lock;
        const char ok = lock.acquire(path) ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        for (;;) ::pause();
    }
    char got = 0;
    ASSERT_EQ(::read(ready[0], &got, 1), 1);
    ASSERT_EQ(got, 'y');
    kvl::DirLock mine;
    EXPECT_FALSE(mine.acquire(path));
    EXPECT_TRUE(mine.error().contains(QString::number(child))) << mine.error().toStdString();
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(mine.acquire(path)) << mine.error().toStdString();
}

TEST(DirLockTest, ProcessLockIsReleasedAtProgramEnd) {
    kvltest::TempDir dir;
    const QString path = QString::fromStdString(dir.path());
    QString message;
    ASSERT_TRUE(kvl::LockDataDirectory(path, &message)) << message.toStdString();
    kvl::DirLock other;
    EXPECT_FALSE(other.acquire(path));
    kvl::RunProgramEndCleanups();
    EXPECT_TRUE(other.acquire(path)) << other.error().toStdString();
    other.release();
    ASSERT_TRUE(kvl::LockDataDirectory(path, &message));
    kvl::UnlockDataDirectory();
    EXPECT_TRUE(other.acquire(path));
    EXPECT_FALSE(kvl::LockDataDirectory(path, &message));
    EXPECT_TRUE(message.contains(Absolute(dir.path())));
}

TEST(DirLockTest, MissingDirectoryIsRefusedClearly) {
    kvltest::TempDir dir;
    kvl::DirLock lock;
    EXPECT_FALSE(lock.acquire(QString::fromStdString(dir.file("nowhere"))));
    EXPECT_TRUE(lock.error().startsWith(QStringLiteral("Cannot lock the data directory")))
        << lock.error().toStdString();
}

}  // namespace

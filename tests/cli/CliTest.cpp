// kvl-cli run as a user runs it: a separate process, its exit status, stdout and stderr.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <memory>
#include <string>

#include "common/TempDir.h"
#include "data/DirLock.h"
#include "engine/CodePage.h"
#include "engine/Engine.h"
#include "engine/Ntx.h"

namespace {

struct CliRun {
    int code = -1;
    QString out, err;
};

CliRun Cli(const QStringList& args, const QString& workDir = QString()) {
    QProcess p;
    if (!workDir.isEmpty()) p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(KVL_CLI_PATH), args);
    CliRun r;
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList Lines(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class CliTest : public ::testing::Test {
  protected:
    QString books() const { return QString::fromStdString(dir_.file("books")); }
    std::string file(const char* name) const { return dir_.file(std::string("books/") + name); }

    void NewSample() {
        const CliRun r = Cli({"new", books(), "--sample"});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }

    CliRun Check(bool repair = false) {
        QStringList args{"check", "-d", books()};
        if (repair) args << "--repair";
        return Cli(args);
    }

    kvltest::TempDir dir_;
};

TEST_F(CliTest, UsageErrorsExitTwoAndHelpExitsZero) {
    CliRun r = Cli({});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("usage: kvl-cli")) << r.err.toStdString();
    r = Cli({"frobnicate"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("unknown command 'frobnicate'"));
    r = Cli({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("check [-d DIR] [--repair]"));
    for (const char* command : {"new", "reindex", "pack", "check", "archive", "dearchive",
                                "rate-change", "import-payments"}) {
        SCOPED_TRACE(command);
        r = Cli({command, "--help"});
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("usage: kvl-cli ") + command))
            << r.out.toStdString();
        r = Cli({command, "--bogus"});
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains("usage:"));
    }
    EXPECT_EQ(Cli({"new"}).code, 2);                     // DIR is required
    EXPECT_EQ(Cli({"new", books(), "--name"}).code, 2);  // --name needs its text
    EXPECT_EQ(Cli({"reindex", "-d"}).code, 2);           // -d needs its directory
    EXPECT_EQ(Cli({"pack", "extra"}).code, 2);
    EXPECT_FALSE(QDir(books()).exists());
}

TEST_F(CliTest, VersionHelpAndUnknownOptionsComeFromTheDeclarations) {
    CliRun r = Cli({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QStringLiteral("kvl-cli " KVL_VERSION "\n"));
    r = Cli({"dump", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("usage: kvl-cli dump TABLE [--tag TAG] [-d DIR]\n"))
        << r.out.toStdString();
    for (const char* option : {"TABLE", "--tag TAG", "-d DIR"})
        EXPECT_TRUE(r.out.contains(QStringLiteral("\n  ") + option)) << option;
    for (const QStringList& args : {QStringList{"--bogus"}, QStringList{"check", "--bogus"}}) {
        r = Cli(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains("unknown option '--bogus'")) << r.err.toStdString();
    }
    // The words after a command are its own, even one naming another command.
    r = Cli({"new", books(), "pack"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("unexpected argument 'pack'")) << r.err.toStdString();
}

TEST_F(CliTest, NewSampleThenCheckPrintsFiveOkLines) {
    NewSample();
    const CliRun r = Check();
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    const QStringList lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5) << r.out.toStdString();
    const char* names[] = {"ACC", "ACCI", "FOLDER", "EXP5", "INC5"};
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("OK %1: ").arg(names[i])))
            << lines[i].toStdString();
    EXPECT_EQ(lines[0], "OK ACC: 12 records, 1 tag");
    EXPECT_TRUE(lines[3].endsWith(" records, 2 tags"));
    // Run from inside the directory, the default is the current directory.
    EXPECT_EQ(Cli({"check"}, books()).code, 0);
}

TEST_F(CliTest, NewWritesNameAndEmptyTables) {
    const CliRun r = Cli({"new", books(), "--name", "Zoë Quill"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    xb::Engine engine;
    engine.settings.readOnly = true;
    xb::Table* settings = engine.open(file("KVL1.dbf"));
    ASSERT_NE(settings, nullptr);
    ASSERT_EQ(settings->recCount(), 1);
    EXPECT_EQ(xb::Cp1252ToUtf8(settings->field("UNAME")->raw()).substr(0, 11), "Zoë Quill ");
    for (const char* name : {"ACC.dbf", "ACCI.dbf", "FOLDER.dbf", "EXP5.dbf", "INC5.dbf"}) {
        xb::Table* t = engine.open(file(name));
        ASSERT_NE(t, nullptr) << name;
        EXPECT_EQ(t->recCount(), 0) << name;
    }
    EXPECT_EQ(Check().code, 0);
}

TEST_F(CliTest, NewRefusesAnExistingDataSetAndWritesNothing) {
    NewSample();
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file("EDate.ntx"))));
    const QStringList before = QDir(books()).entryList(QDir::Files);
    const QByteArray expenses = [&] {
        QFile f(QString::fromStdString(file("EXP5.dbf")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const CliRun r = Cli({"new", books()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("already holds")) << r.err.toStdString();
    EXPECT_EQ(QDir(books()).entryList(QDir::Files), before);
    QFile f(QString::fromStdString(file("EXP5.dbf")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), expenses);
}

TEST_F(CliTest, CheckReportsADamagedTagAndRepairMendsIt) {
    NewSample();
    {
        QFile f(QString::fromStdString(file("EAcc.ntx")));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(1024);
        f.write(QByteArray(1024, '\x5A'));
    }
    CliRun r = Check();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("FAULT EXP5: tag EAcc: ")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("OK INC5: "));
    r = Check(true);
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("REPAIRED EXP5: index files rebuilt from the table"));
    EXPECT_TRUE(Lines(r.out).last().startsWith("OK INC5: "));
    EXPECT_EQ(Check().code, 0);
}

TEST_F(CliTest, CheckReportsATagLeftBeingChangedAndRepairMendsIt) {
    NewSample();
    ASSERT_TRUE(xb::NtxIndex::setChangingMark(file("IncAcc.ntx"), true).ok());
    CliRun r = Check();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("FAULT INC5: tag IncAcc: ")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("being changed")) << r.out.toStdString();
    r = Check(true);
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("REPAIRED INC5: index files rebuilt from the table"));
    EXPECT_EQ(Check().code, 0);
}

TEST_F(CliTest, CheckReportsATagWithAMissingKeyAndRepairMendsIt) {
    NewSample();
    {
        std::unique_ptr<xb::NtxIndex> index;
        ASSERT_TRUE(xb::NtxIndex::open(file("AccTag.ntx"), false, index).ok());
        ASSERT_EQ(index->bottom(), 0);
        ASSERT_TRUE(index->remove(std::string(index->key()), index->recno()).ok());
        ASSERT_TRUE(index->sync().ok());
    }
    CliRun r = Check();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("FAULT ACC: tag AccTag: record 12 has no entry"))
        << r.out.toStdString();
    r = Check(true);
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("REPAIRED ACC:"));
}

TEST_F(CliTest, CheckReportsAMissingTagFileAndRepairMendsIt) {
    NewSample();
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file("IncDate.ntx"))));
    CliRun r = Check();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("FAULT INC5: tag IncDate: file IncDate.ntx is missing"))
        << r.out.toStdString();
    r = Check(true);
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(file("IncDate.ntx"))));
}

TEST_F(CliTest, CheckReportsAWrongKeyExpressionAndRepairMendsIt) {
    NewSample();
    {
        xb::Engine engine;
        engine.settings.autoOpen = false;
        engine.settings.safety = false;
        xb::Table* t = engine.open(file("FOLDER.dbf"));
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->createIndex("Folder", {{"FolTag", "FOLNAME", ".NOT. DELETED()"}}), 0);
        (void)engine.closeAll();
    }
    CliRun r = Check();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(
        r.out.contains("FAULT FOLDER: tag FolTag: key expression is 'FOLNAME', expected 'FOLNO'"))
        << r.out.toStdString();
    r = Check(true);
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(Check().code, 0);
}

TEST_F(CliTest, RepairThatCannotMendATableExitsOne) {
    NewSample();
    {
        QFile f(QString::fromStdString(file("ACCI.dbf")));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(100));  // the header promises records the file lacks
    }
    const CliRun r = Check(true);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("NOT REPAIRED ACCI:")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("FAULT ACCI: "));
}

TEST_F(CliTest, ReindexRebuildsMissingFiles) {
    NewSample();
    for (const char* name : {"EAcc.ntx", "Acc.cgp", "FolTag.ntx"})
        ASSERT_TRUE(QFile::remove(QString::fromStdString(file(name))));
    EXPECT_EQ(Check().code, 1);
    const CliRun r = Cli({"reindex", "-d", books()});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("rebuilt the index files"));
    EXPECT_EQ(r.err.count(QLatin1Char('\r')), 0);  // no bar when stderr is not a terminal
    EXPECT_EQ(Check().code, 0);
}

TEST_F(CliTest, PackRemovesDeletedRecords) {
    NewSample();
    long before = 0;
    {
        xb::Engine engine;
        xb::Table* t = engine.open(file("EXP5.dbf"));
        ASSERT_NE(t, nullptr);
        before = t->recCount();
        for (long r = 1; r <= 10; ++r) {
            ASSERT_EQ(t->go(r), 0);
            t->setDeleted(true);
        }
        ASSERT_EQ(engine.closeAll(), 0);
    }
    const CliRun r = Cli({"pack", "-d", books()});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    xb::Engine engine;
    engine.settings.readOnly = true;
    xb::Table* t = engine.open(file("EXP5.dbf"));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->recCount(), before - 10);
    (void)engine.closeAll();
    EXPECT_EQ(Check().code, 0);
}

TEST_F(CliTest, WritingCommandsRefuseALockedDirectory) {
    NewSample();
    kvl::DirLock lock;
    ASSERT_TRUE(lock.acquire(books()));
    const QString shown = QDir(books()).absolutePath();
    for (const QStringList& args :
         {QStringList{"pack", "-d", books()}, QStringList{"reindex", "-d", books()},
          QStringList{"check", "--repair", "-d", books()}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun r = Cli(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(shown)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("in use")) << r.err.toStdString();
    }
    kvltest::TempDir other;
    EXPECT_EQ(Cli({"new", QString::fromStdString(other.path())}).code, 0);
    // Reading is allowed alongside the writer.
    EXPECT_EQ(Check().code, 0);
    lock.release();
    EXPECT_EQ(Cli({"pack", "-d", books()}).code, 0);
}

TEST_F(CliTest, CommandsOnADirectoryWithoutTablesExitTwo) {
    ASSERT_TRUE(QDir().mkpath(books()));
    CliRun r = Cli({"reindex", "-d", books()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("does not hold the six tables")) << r.err.toStdString();
    r = Cli({"pack", "-d", QString::fromStdString(dir_.file("nowhere"))});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("no such directory"));
    r = Check();
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Lines(r.out).size(), 5);
    EXPECT_TRUE(r.out.contains("FAULT EXP5: table file EXP5.dbf is missing"));
}

TEST_F(CliTest, EngineFailureDuringReindexExitsTwoWithTheEngineMessage) {
    NewSample();
    {
        QFile f(QString::fromStdString(file("FOLDER.dbf")));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(40));
    }
    const CliRun r = Cli({"reindex", "-d", books()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("FOLDER.dbf")) << r.err.toStdString();
    // The lock went with the process.
    kvl::DirLock lock;
    EXPECT_TRUE(lock.acquire(books())) << lock.error().toStdString();
}

}  // namespace

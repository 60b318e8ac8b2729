#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <set>
#include <string>

#include "Support.h"
#include "data/Check.h"
#include "data/DbUtil.h"
#include "data/DirLock.h"
#include "data/TableLayouts.h"
#include "engine/Engine.h"

namespace {

using kvltest::DataDirTest;

class NewDataSetTest : public DataDirTest {};

TEST_F(NewDataSetTest, EmptySetHasTheLayoutsAndNoRecords) {
    MakeDataSet(false, QStringLiteral("Ann Example"));
    xb::Engine engine;
    engine.settings.readOnly = true;
    engine.settings.autoOpen = false;
    for (const kvl::TableLayout* layout : kvl::AllTableLayouts()) {
        SCOPED_TRACE(layout->name);
        xb::Table* t = engine.open(file(layout->fileName));
        ASSERT_NE(t, nullptr) << engine.errorMessage();
        ASSERT_EQ(t->fields().size(), layout->fields.size());
        for (size_t i = 0; i < layout->fields.size(); ++i) {
            EXPECT_EQ(t->fields()[i].name, layout->fields[i].name);
            EXPECT_EQ(t->fields()[i].type, layout->fields[i].type);
            EXPECT_EQ(t->fields()[i].length, layout->fields[i].length);
            EXPECT_EQ(t->fields()[i].decimals, layout->fields[i].decimals);
        }
        EXPECT_EQ(t->file().languageDriver(), xb::kCp1252Driver);
        EXPECT_EQ(t->recCount(), layout == &kvl::SettingsLayout() ? 1 : 0);
    }
    for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path())) EXPECT_TRUE(c.ok()) << c.table;
    ASSERT_TRUE(kvl::OpenSettings());
    kvl::LoadSettings();
    EXPECT_EQ(kvl::Settings.userName.trimmed(), "Ann Example");
    EXPECT_EQ(kvl::Settings.userName.size(), 60);
    EXPECT_EQ(kvl::fFontSize->desc().length, 3);
}

TEST_F(NewDataSetTest, RefusesWhenAnyTableExistsAndWritesNothing) {
    for (const kvl::TableLayout* layout : kvl::AllTableLayouts()) {
        SCOPED_TRACE(layout->name);
        kvltest::TempDir other;
        const std::string lower = QString::fromLatin1(layout->fileName).toLower().toStdString();
        ASSERT_TRUE(xb::CreateTable(other.file(lower), {{"X", 'C', 1, 0, 0}}).ok());
        const QStringList before =
            QDir(QString::fromStdString(other.path())).entryList(QDir::Files);
        QString message;
        EXPECT_FALSE(kvl::CreateDataSet(QString::fromStdString(other.path()), {}, &message));
        EXPECT_TRUE(message.contains(QString::fromLatin1(layout->fileName)))
            << message.toStdString();
        EXPECT_EQ(QDir(QString::fromStdString(other.path())).entryList(QDir::Files), before);
    }
}

TEST_F(NewDataSetTest, CreatesTheDirectoryWhenNeeded) {
    const QString nested = QString::fromStdString(file("a/b/books"));
    QString message;
    ASSERT_TRUE(kvl::CreateDataSet(nested, {}, &message)) << message.toStdString();
    EXPECT_TRUE(QFile::exists(nested + QStringLiteral("/EXP5.dbf")));
}

TEST_F(NewDataSetTest, LockedCreationWaitsForNoOtherWriter) {
    const QString books = QString::fromStdString(file("books"));
    ASSERT_TRUE(QDir().mkpath(books));
    kvl::DirLock other;
    ASSERT_TRUE(other.acquire(books));
    QString message;
    EXPECT_FALSE(kvl::CreateDataSetLocked(books, {}, &message));
    EXPECT_TRUE(message.contains(books)) << message.toStdString();
    EXPECT_FALSE(QFile::exists(books + QStringLiteral("/EXP5.dbf")));
    other.release();
    ASSERT_TRUE(kvl::CreateDataSetLocked(books, {}, &message)) << message.toStdString();
    EXPECT_TRUE(kvl::CheckDataFilesIn(books));
}

TEST_F(NewDataSetTest, SampleBusinessCoversTheCurrentMonthAndTwoYears) {
    kvl::SetToday(QDate(2026, 6, 1));  // the first of a month: the month still has records
    MakeDataSet(true);
    std::set<int> accounts, incomeAccounts, folders;
    int deductible = 0, notDeductible = 0, taxable = 0, notTaxable = 0;
    ASSERT_TRUE(kvl::OpenExpenseAccounts());
    for (int rc = d4top(kvl::dbExpenseAccounts); rc == 0; rc = d4skip(kvl::dbExpenseAccounts, 1)) {
        kvl::LoadExpenseAccountRecord();
        accounts.insert(kvl::ExpenseAccountBuffer.number);
        (kvl::ExpenseAccountBuffer.taxFlag ? deductible : notDeductible)++;
    }
    ASSERT_TRUE(kvl::OpenIncomeAccounts());
    for (int rc = d4top(kvl::dbIncomeAccounts); rc == 0; rc = d4skip(kvl::dbIncomeAccounts, 1)) {
        kvl::LoadIncomeAccountRecord();
        incomeAccounts.insert(kvl::IncomeAccountBuffer.number);
        (kvl::IncomeAccountBuffer.taxFlag ? taxable : notTaxable)++;
    }
    ASSERT_TRUE(kvl::OpenFolders());
    for (int rc = d4top(kvl::dbFolders); rc == 0; rc = d4skip(kvl::dbFolders, 1)) {
        kvl::LoadFolderRecord();
        folders.insert(kvl::FolderBuffer.number);
        EXPECT_FALSE(kvl::FolderBuffer.name.trimmed().isEmpty());
    }
    EXPECT_GE(accounts.size(), 10u);
    EXPECT_GT(deductible, notDeductible);
    EXPECT_GE(notDeductible, 1);
    EXPECT_EQ(incomeAccounts.size(), 4u);
    EXPECT_GE(taxable, 1);
    EXPECT_GE(notTaxable, 1);
    EXPECT_GE(folders.size(), 3u);
    EXPECT_LE(folders.size(), 4u);

    const QDate today = kvl::Today();
    int thisMonth = 0, thisYear = 0;
    std::set<int> usedFolders;
    QDate first, last;
    ASSERT_TRUE(kvl::OpenExpenses());
    for (int rc = d4top(kvl::dbExpenses); rc == 0; rc = d4skip(kvl::dbExpenses, 1)) {
        kvl::LoadExpenseRecord();
        const kvl::ExpenseRecord& e = kvl::ExpenseBuffer;
        ASSERT_TRUE(e.date.isValid());
        if (!first.isValid()) first = e.date;
        last = e.date;
        EXPECT_EQ(accounts.count(e.account), 1u) << e.account;
        EXPECT_EQ(folders.count(e.folder), 1u) << e.folder;
        EXPECT_GT(e.amount, 0);
        EXPECT_FALSE(e.archived);
        usedFolders.insert(e.folder);
        if (e.date.year() == today.year()) ++thisYear;
        if (e.date.year() == today.year() && e.date.month() == today.month()) ++thisMonth;
    }
    EXPECT_LE(last, today);
    EXPECT_GE(first, QDate(2024, 7, 1));
    EXPECT_LE(first, QDate(2024, 7, 31));
    EXPECT_GT(thisMonth, 0);
    EXPECT_GT(thisYear, 50);
    EXPECT_EQ(usedFolders, folders);

    thisMonth = 0;
    ASSERT_TRUE(kvl::OpenIncome());
    for (int rc = d4top(kvl::dbIncome); rc == 0; rc = d4skip(kvl::dbIncome, 1)) {
        kvl::LoadIncomeRecord();
        EXPECT_EQ(incomeAccounts.count(kvl::IncomeBuffer.account), 1u);
        EXPECT_EQ(folders.count(kvl::IncomeBuffer.folder), 1u);
        EXPECT_LE(kvl::IncomeBuffer.date, today);
        EXPECT_FALSE(kvl::IncomeBuffer.imported);
        if (kvl::IncomeBuffer.date >= QDate(today.year(), today.month(), 1)) ++thisMonth;
    }
    EXPECT_GT(thisMonth, 0);
    code4close(kvl::cb);
    for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path())) EXPECT_TRUE(c.ok()) << c.table;
}

TEST_F(NewDataSetTest, SampleIsTheSameForTheSameDay) {
    MakeDataSet(true);
    kvltest::TempDir other;
    kvl::NewDataSetOptions options;
    options.sample = true;
    options.userName = QStringLiteral("Test User");
    ASSERT_TRUE(kvl::CreateDataSet(QString::fromStdString(other.path()), options, nullptr));
    for (const char* name : {"EXP5.dbf", "INC5.dbf", "EDate.ntx"}) {
        QFile a(QString::fromStdString(file(name))), b(QString::fromStdString(other.file(name)));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly));
        ASSERT_TRUE(b.open(QIODevice::ReadOnly));
        // The header's date of last update is the real day; everything after it must agree.
        EXPECT_EQ(a.readAll().mid(4), b.readAll().mid(4)) << name;
    }
}

TEST_F(NewDataSetTest, AnotherDbaseReaderSeesTheSameRecords) {
    MakeDataSet(true);
    QProcess python;
    python.start(
        QStringLiteral(KVL_PYTHON),
        {QStringLiteral("-c"),
         QStringLiteral("import dbfread,sys\n"
                        "t=list(dbfread.DBF(sys.argv[1],encoding='cp1252'))\n"
                        "print(len(t))\n"
                        "print(sum(1 for r in t if r['PAYTO'].startswith('B\\u00e9langer')))\n"
                        "print(t[0]['EXPDATE'].isoformat())\n"),
         QString::fromStdString(file("EXP5.dbf"))});
    ASSERT_TRUE(python.waitForFinished(60000));
    if (python.exitCode() != 0 &&
        python.readAllStandardError().contains("No module named 'dbfread'"))
        GTEST_SKIP() << "python3-dbfread is not installed";
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split('\n');
    ASSERT_GE(lines.size(), 3);

    ASSERT_TRUE(kvl::OpenExpenses());
    EXPECT_EQ(lines[0].toLong(), d4recCountDo(kvl::dbExpenses));
    int belanger = 0;
    for (int rc = d4top(kvl::dbExpenses); rc == 0; rc = d4skip(kvl::dbExpenses, 1)) {
        kvl::LoadExpenseRecord();
        if (kvl::ExpenseBuffer.payTo.startsWith(QStringLiteral("Bélanger"))) ++belanger;
    }
    EXPECT_GT(belanger, 0);
    EXPECT_EQ(lines[1].toInt(), belanger);
    ASSERT_EQ(d4go(kvl::dbExpenses, 1), 0);
    kvl::LoadExpenseRecord();
    EXPECT_EQ(lines[2], kvl::ExpenseBuffer.date.toString(Qt::ISODate));
}

}  // namespace

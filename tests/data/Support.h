// Test doubles for the program's seams and a fixture that runs each test in a data directory of
// its own, as the program runs: the directory is current, `kvl::cb` is started, messages go to a
// scripted responder, progress to a recorder, and the program's end throws kvl::ProgramEnded.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "data/Clock.h"
#include "data/Messages.h"
#include "data/NewDataSet.h"
#include "data/ProgramExit.h"
#include "data/Progress.h"
#include "data/TableLayouts.h"
#include "data/dbFiles.h"
#include "engine/Files.h"

namespace kvltest {

struct ShownMessage {
    kvl::MsgKind kind;
    QString text;
    kvl::MsgDefault byDefault = kvl::MsgDefault::GoAhead;
};

class ScriptedResponder : public kvl::MessageSink {
  public:
    std::vector<ShownMessage> shown;
    std::deque<kvl::MsgAnswer> answers;          // given in turn; OK once they run out
    std::function<void(const QString&)> onShow;  // runs at every message, before the answer

    kvl::MsgAnswer show(kvl::MsgKind kind, const QString& text,
                        kvl::MsgDefault byDefault) override {
        shown.push_back({kind, text, byDefault});
        if (onShow) onShow(text);
        if (answers.empty()) return kvl::MsgAnswer::Ok;
        kvl::MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
};

class ProgressRecorder : public kvl::ProgressSink {
  public:
    std::vector<std::string> events;  // "show Caption", "hide", "set 20"
    std::function<void(int)> onSet;   // runs at every position, to look at the files then
    std::function<void(const QString&)> onShow;  // runs when the box is shown

    void showProgress(bool visible, const QString& caption) override {
        events.push_back(visible ? "show " + caption.toStdString() : std::string("hide"));
        if (visible && onShow) onShow(caption);
    }
    void setProgress(int position) override {
        events.push_back("set " + std::to_string(position));
        if (onSet) onSet(position);
    }
};

inline ino_t InodeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_ino;
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Every record of the five data tables in dir as the engine reads it, deletion mark included, by
// table name; a table that does not open gives the engine's message instead.
inline std::map<std::string, std::vector<std::string>> DataSetRecords(const std::string& dir) {
    std::map<std::string, std::vector<std::string>> out;
    for (const kvl::TableLayout* layout : kvl::DataTableLayouts()) {
        std::vector<std::string>& rows = out[layout->name];
        xb::Engine engine;
        engine.settings.readOnly = true;
        engine.settings.autoOpen = false;
        xb::Table* table = engine.open(xb::ResolvePath(dir, layout->fileName));
        if (!table) {
            rows.push_back("cannot open: " + engine.errorMessage());
            continue;
        }
        for (long r = 1; r <= table->recCount(); ++r) {
            (void)table->go(r);
            rows.emplace_back(table->record(), table->file().recordLength());
        }
    }
    return out;
}

class DataDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousDir_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir_.path())));
        kvl::SetToday(QDate(2026, 6, 15));
        previousMessages_ = kvl::SetMessageSink(&messages);
        previousProgress_ = kvl::SetProgressSink(&progress);
        previousExit_ = kvl::SetExitHandler([](int code) { throw kvl::ProgramEnded(code); });
        kvl::cb = code4initP();
    }

    void TearDown() override {
        code4initUndoP(kvl::cb);
        kvl::cb = nullptr;
        kvl::SetExitHandler(previousExit_);
        kvl::SetProgressSink(previousProgress_);
        kvl::SetMessageSink(previousMessages_);
        kvl::SetToday(QDate());
        QDir::setCurrent(previousDir_);
    }

    // A new data set in the test's directory.
    void MakeDataSet(bool sample = false, const QString& name = QStringLiteral("Test User")) {
        kvl::NewDataSetOptions options;
        options.sample = sample;
        options.userName = name;
        QString message;
        ASSERT_TRUE(kvl::CreateDataSet(QString::fromStdString(dir_.path()), options, &message))
            << message.toStdString();
    }

    std::string file(const std::string& name) const { return dir_.file(name); }

    // Appends an expense through the program's buffer and store routine (EXP5 must be open).
    void AddExpense(const QDate& date, int account, int folder = 1, double amount = 10.0,
                    const QString& payTo = QStringLiteral("Payee")) {
        ASSERT_EQ(d4appendBlank(kvl::dbExpenses), 0);
        kvl::ExpenseBuffer = kvl::ExpenseRecord{};
        kvl::ExpenseBuffer.date = date;
        kvl::ExpenseBuffer.account = account;
        kvl::ExpenseBuffer.folder = folder;
        kvl::ExpenseBuffer.amount = amount;
        kvl::ExpenseBuffer.payTo = payTo;
        kvl::StoreExpenseRecord();
        ASSERT_EQ(d4refresh(kvl::dbExpenses), 0);
    }

    void AddAccount(int number, const QString& description, bool flag = true) {
        ASSERT_EQ(d4appendBlank(kvl::dbExpenseAccounts), 0);
        kvl::ExpenseAccountBuffer = {number, description, flag};
        kvl::StoreExpenseAccountRecord();
        ASSERT_EQ(d4refresh(kvl::dbExpenseAccounts), 0);
    }

    TempDir dir_;
    ScriptedResponder messages;
    ProgressRecorder progress;

  private:
    QString previousDir_;
    kvl::MessageSink* previousMessages_ = nullptr;
    kvl::ProgressSink* previousProgress_ = nullptr;
    kvl::ExitHandler previousExit_;
};

}  // namespace kvltest

// The program as a test meets it: a fresh data set in a temporary directory made current, every
// window created by the program's own CreateWindows, messages answered by a scripted responder,
// progress recorded on its way to the main window, a fixed clock and locale, and an end of the
// program caught as kvl::ProgramEnded. The tests of every window folder whose windows the main
// window opens start from it; they link kvl_app.
#pragma once

#include <QApplication>
#include <QDir>
#include <QList>
#include <QPair>
#include <QTest>
#include <QToolButton>

#include "app/About.h"
#include "app/MainU.h"
#include "app/Windows.h"
#include "common/DataSetFixture.h"
#include "common/ScriptedResponder.h"
#include "data/Clock.h"
#include "data/CodeBase.h"
#include "data/DirLock.h"
#include "data/ProgramExit.h"
#include "data/Progress.h"
#include "data/dbFiles.h"
#include "screen/DropList.h"
#include "screen/MaskEdit.h"

namespace kvl::test {

class ProgressRecorder : public ProgressSink {
  public:
    void showProgress(bool visible, const QString& caption) override {
        shows.append({visible, caption});
        if (target) target->showProgress(visible, caption);
    }
    void setProgress(int position) override {
        positions.append(position);
        if (target) target->setProgress(position);
    }
    void clear() {
        shows.clear();
        positions.clear();
    }
    ProgressSink* target = nullptr;
    QList<QPair<bool, QString>> shows;
    QList<int> positions;
};

class AppFixture : public DataSetFixture {
  public:
    explicit AppFixture(const QString& userName = QStringLiteral("Greenway Landscaping"),
                        const QDate& today = QDate(2028, 2, 15), bool sample = true)
        : DataSetFixture(userName, sample, today) {
        SetRegional(QLocale(QStringLiteral("en_US")));
        SetExitHandler([](int code) {
            RunProgramEndCleanups();
            throw ProgramEnded(code);
        });
        TFormMain::SetSplashMinimum(0);
        renewForm();
        SetProgressSink(&progress);
    }

    ~AppFixture() {
        if (form) {
            form->close();
            delete form;
        }
        if (cb) {
            code4initUndoP(cb);
            cb = nullptr;
        }
        UnlockDataDirectory();
        SetProgressSink(nullptr);
        SetExitHandler({});
    }

    AppFixture(const AppFixture&) = delete;
    AppFixture& operator=(const AppFixture&) = delete;

    bool start() { return form->FormShow(); }

    // The main window and its windows made anew, as a later start of the program makes them; the
    // old ones are deleted.
    void renewForm() {
        delete form;
        form = new TFormMain;
        CreateWindows(form);
        about = AboutForm;
        progress.target = form;
    }

    QStringList listing() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // The settings as they are stored, read without disturbing the ones in memory.
    SettingsRecord stored() const {
        const SettingsRecord inMemory = Settings;
        const bool ownEngine = cb == nullptr;
        if (ownEngine) cb = code4initP();
        OpenSettings();
        LoadSettings();
        const SettingsRecord result = Settings;
        code4close(cb);
        if (ownEngine) {
            code4initUndoP(cb);
            cb = nullptr;
        }
        Settings = inMemory;
        return result;
    }

    // Writes settings to the table behind the program's back.
    void storeBehindTheBack(const SettingsRecord& record) const {
        const SettingsRecord inMemory = Settings;
        Settings = record;
        WriteSettings();
        Settings = inMemory;
    }

    ScriptedResponder responder;
    ProgressRecorder progress;
    TFormMain* form = nullptr;
    TAboutForm* about = nullptr;
};

}  // namespace kvl::test

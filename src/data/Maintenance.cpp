#include "data/Maintenance.h"

#include <string>
#include <vector>

#include "data/Check.h"
#include "data/Progress.h"
#include "data/Replacement.h"
#include "data/dbFiles.h"
#include "engine/Files.h"

namespace kvl {

namespace {

// The engine's settings as found, put back when the routine leaves by any path.
class SavedSettings {
  public:
    SavedSettings(int autoOpen, int safety, int accessMode)
        : autoOpen_(code4autoOpen(cb, autoOpen)),
          safety_(code4safety(cb, safety)),
          accessMode_(code4accessMode(cb, accessMode)) {}
    ~SavedSettings() {
        code4autoOpen(cb, autoOpen_);
        code4safety(cb, safety_);
        code4accessMode(cb, accessMode_);
    }
    SavedSettings(const SavedSettings&) = delete;
    SavedSettings& operator=(const SavedSettings&) = delete;

  private:
    int autoOpen_, safety_, accessMode_;
};

class SavedAccessMode {
  public:
    explicit SavedAccessMode(int mode) : mode_(code4accessMode(cb, mode)) {}
    ~SavedAccessMode() { code4accessMode(cb, mode_); }
    SavedAccessMode(const SavedAccessMode&) = delete;
    SavedAccessMode& operator=(const SavedAccessMode&) = delete;

  private:
    int mode_;
};

bool Missing(const std::string& name) {
    return !xb::FileExists(xb::ResolvePath(".", name));
}

// The rebuild of one table with the settings already in place (automatic opening off).
void Rebuild(const TableLayout& table) {
    DATA4* data = d4open(cb, table.name);
    if (!data && cb->errorCode() >= 0)
        cb->raise(xb::e4open, std::string("Unable to open ") + table.fileName);
    error4exitTest(cb);
    const std::vector<TAG4INFO> tags = TagInfoList(table);
    const int rc = i4create(data, table.group, tags.data());
    int createError = cb->errorCode();
    std::string message = cb->errorMessage();
    if (rc < 0 && createError >= 0) {
        createError = rc;
        message = std::string("Unable to create the index of ") + table.fileName;
    }
    // Closed before the test, so that a failed rebuild leaves no table open; the close must not
    // hide the failure. Its own failure stays pending when nothing else is, and ends the program.
    (void)code4close(cb);
    if (createError < 0 && cb->errorCode() >= 0) cb->raise(createError, message);
    error4exitTest(cb);
}

}  // namespace

bool IndexFilesMissing(const TableLayout& table) {
    for (const TagLayout& tag : table.tags) {
        if (Missing(tag.fileName())) return true;
    }
    return Missing(table.groupFile);
}

bool IndexGroupUnsound(const TableLayout& table) {
    const TableCheck check = CheckTable(".", table);
    return !check.ok() && check.readable;
}

void RebuildTableIndex(const TableLayout& table) {
    SavedSettings saved(0, 0, 1);
    Rebuild(table);
}

bool BuildIndexGroupAt(const std::string& tablePath, const TableLayout& table, QString* why) {
    xb::Engine engine;
    engine.settings.autoOpen = false;
    engine.settings.safety = false;
    xb::Table* data = engine.open(tablePath);
    if (data) {
        const std::vector<TAG4INFO> tags = TagInfoList(table);
        // Every failure of the creation is left pending in the engine, read next.
        (void)i4create(data, table.group, tags.data());
        const int failed = engine.errorCode();
        const std::string message = engine.errorMessage();
        if (engine.close(data) < 0 && failed >= 0) {
            if (why) *why = QString::fromStdString(engine.errorMessage());
            return false;
        }
        if (failed >= 0) return true;
        engine.raise(failed, message);
    }
    if (why) *why = QString::fromStdString(engine.errorMessage());
    return false;
}

void RebuildIndexes(bool missingOnly) {
    if (missingOnly) FinishInterruptedReplacement();
    SavedSettings saved(0, 0, 1);
    if (!missingOnly) {
        ShowProgress(true, QStringLiteral("Rebuilding Indexes"));
        SetProgress(20);
    }
    for (const TableLayout* table : DataTableLayouts()) {
        if (!missingOnly || IndexFilesMissing(*table) || IndexGroupUnsound(*table)) Rebuild(*table);
        if (!missingOnly) SetProgress(table->rebuildProgress);
    }
    if (!missingOnly) ShowProgress(false, QString());
}

void PackAll() {
    SavedAccessMode saved(1);
    ShowProgress(true, QStringLiteral("Packing Data Files"));
    SetProgress(10);
    static const struct {
        const char* name;
        int progress;
    } kOrder[] = {{"INC5", 40}, {"FOLDER", 50}, {"EXP5", 90}, {"ACC", 95}, {"ACCI", 100}};
    for (const auto& step : kOrder) {
        PackTable(QString::fromLatin1(step.name));
        SetProgress(step.progress);
    }
    ShowProgress(false, QString());
}

bool PackTable(const QString& name) {
    SavedAccessMode saved(1);
    DATA4* table = d4open(cb, name.toLatin1().constData());
    bool packed = false;
    if (code4errorCode(cb, 0) == 0 && table) {
        packed = d4pack(table) == 0;
        packed = d4close(table) == 0 && packed;
    } else if (table) {
        (void)d4close(table);  // the open failed already: nothing is packed, the error is dropped
    }
    code4errorCode(cb, 0);
    return packed;
}

}  // namespace kvl

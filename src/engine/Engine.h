// The engine handle: settings, the pending error, and the tables it has open.
//
// One engine serves the whole run. Opening a table resolves "<name>.dbf" against its directory
// ignoring case; with autoOpen on it also opens the table's production group ("<base>.cgp") and
// every tag file the group lists that exists. Failures return nullptr or a negative code and leave
// the code and a message naming the file pending until errorCode() takes it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/Status.h"
#include "engine/Table.h"

namespace xb {

struct EngineSettings {
    bool autoOpen = true;      // open the production group with the table
    bool safety = true;        // index creation refuses to overwrite existing files
    int accessMode = 0;        // 0 shared, 1 others may only read (this process writes)
    bool errTagName = true;    // a failed tag lookup raises e4tagName
    size_t cachePages = 1024;  // NTX pages kept per tag (1 MiB at most)
    bool readOnly = false;     // open files without write access
};

class Engine {
  public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    EngineSettings settings;

    // Opens a table by name (extension optional, path allowed). nullptr on failure.
    Table* open(const std::string& name);
    // Flushes, syncs and closes one table (its handle becomes invalid).
    [[nodiscard]] int close(Table* table);
    // Closes every open table; returns the first error met, after closing them all.
    [[nodiscard]] int closeAll();
    const std::vector<std::unique_ptr<Table>>& tables() const { return tables_; }

    int errorCode() const { return error_; }
    const std::string& errorMessage() const { return message_; }
    // Returns the pending code and replaces it (and clears the message when value is 0).
    int takeError(int value = 0);
    // Records an error as pending and returns its code.
    int raise(int code, const std::string& message);

  private:
    std::vector<std::unique_ptr<Table>> tables_;
    int error_ = 0;
    std::string message_;
};

// Creates a new empty dBASE III table at path (".dbf" added when missing). Fails with e4create
// when the file exists. Field offsets are computed; names are stored in capitals.
Status CreateTable(const std::string& path, const std::vector<FieldDesc>& fields);

}  // namespace xb

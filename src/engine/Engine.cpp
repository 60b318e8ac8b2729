#include "engine/Engine.h"

#include <algorithm>

#include "engine/Files.h"

namespace xb {

Engine::Engine() = default;

Engine::~Engine() {
    // Nobody is left to hear of a failure; a caller that cares calls closeAll first.
    (void)closeAll();
}

int Engine::raise(int code, const std::string& message) {
    error_ = code;
    message_ = message;
    return code;
}

int Engine::takeError(int value) {
    int old = error_;
    error_ = value;
    if (value == 0) message_.clear();
    return old;
}

Table* Engine::open(const std::string& name) {
    std::string dir = DirOf(name);
    std::string base = NameOf(name);
    if (HasExtension(base, ".dbf")) base.resize(base.size() - 4);
    if (base.empty()) {
        raise(e4open, "no table name given");
        return nullptr;
    }
    // A rewrite that died leaves its temporaries behind; they are never valid files. Only a
    // writer clears them: a reader could otherwise remove the files of a rewrite in progress.
    if (!settings.readOnly) CleanTemporaries(dir);
    std::unique_ptr<Table> t(new Table(this));
    t->dir_ = dir;
    t->base_ = base;
    t->path_ = ResolvePath(dir, base + ".dbf");
    t->alias_ = UpperAscii(base);
    if (Status s = DbfFile::open(t->path_, settings.readOnly, t->dbf_); !s.ok()) {
        raise(s.code, s.message);
        return nullptr;
    }
    for (size_t i = 0; i < t->fields().size(); ++i)
        t->fieldHandles_.push_back(std::make_unique<Field>(t.get(), i));
    t->record_.assign(t->dbf_->recordLength(), ' ');
    t->original_ = t->record_;
    if (settings.autoOpen) {
        if (Status s = t->openGroup(); !s.ok()) {
            raise(s.code, s.message);
            return nullptr;
        }
    }
    // A first record that cannot be read leaves its error pending, as every failed move does;
    // the table is open all the same, and the caller asks the engine.
    if (t->dbf_->recordCount() > 0)
        (void)t->load(1);
    else
        t->atEof();
    tables_.push_back(std::move(t));
    return tables_.back().get();
}

int Engine::close(Table* table) {
    auto it = std::find_if(tables_.begin(), tables_.end(),
                           [&](const auto& p) { return p.get() == table; });
    if (it == tables_.end()) return raise(e4info, "table is not open");
    int rc = (*it)->close();
    tables_.erase(it);
    return rc;
}

int Engine::closeAll() {
    int first = 0;
    while (!tables_.empty()) {
        int rc = tables_.back()->close();
        if (rc < 0 && first == 0) first = rc;
        tables_.pop_back();
    }
    return first;
}

Status CreateTable(const std::string& path, const std::vector<FieldDesc>& fields) {
    std::string p = path;
    if (!HasExtension(p, ".dbf")) p += ".dbf";
    return DbfFile::create(p, fields, false);
}

}  // namespace xb

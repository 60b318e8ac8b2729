#include "engine/Table.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/Engine.h"
#include "engine/Files.h"
#include "engine/Group.h"

namespace xb {

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

void CopyPadded(char* dst, size_t width, std::string_view text, bool rightAlign) {
    size_t n = std::min(width, text.size());
    if (rightAlign) {
        std::memset(dst, ' ', width - n);
        std::memcpy(dst + width - n, text.data(), n);
    } else {
        std::memcpy(dst, text.data(), n);
        std::memset(dst + n, ' ', width - n);
    }
}

}  // namespace

// ---- Field ----

const FieldDesc& Field::desc() const {
    return table_->fields()[index_];
}

std::string_view Field::raw() const {
    const FieldDesc& d = desc();
    return std::string_view(table_->record() + d.offset, d.length);
}

double Field::number() const {
    return ParseNumber(raw());
}

long Field::integer() const {
    return static_cast<long>(number());
}

bool Field::truth() const {
    char c = raw().empty() ? 'F' : raw()[0];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

void Field::assign(std::string_view text) {
    const FieldDesc& d = desc();
    char* dst = table_->mutableRecord() + d.offset;
    switch (d.type) {
        case 'N':
        case 'F': {
            std::string out;
            FormatNumber(ParseNumber(text), d.length, d.decimals, out);
            std::memcpy(dst, out.data(), d.length);
            break;
        }
        case 'L': {
            char c = text.empty() ? 'F' : text[0];
            dst[0] = (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? 'T' : 'F';
            break;
        }
        default:
            CopyPadded(dst, d.length, text, false);
    }
}

void Field::assignNumber(double value) {
    const FieldDesc& d = desc();
    if (d.type == 'N' || d.type == 'F') {
        std::string out;
        FormatNumber(value, d.length, d.decimals, out);
        std::memcpy(table_->mutableRecord() + d.offset, out.data(), d.length);
        return;
    }
    std::string out;
    FormatNumber(value, 20, 0, out);
    assign(std::string_view(out).substr(out.find_first_not_of(' ')));
}

// ---- Table ----

Table::Table(Engine* engine) : engine_(engine) {}

Table::~Table() = default;

int Table::fail(int code, const std::string& message) {
    return engine_->raise(code, message);
}

char* Table::mutableRecord() {
    changed_ = true;
    return record_.data();
}

long Table::recCount() const {
    return static_cast<long>(dbf_->recordCount()) + (pendingAppend_ ? 1 : 0);
}

Field* Table::field(std::string_view name) {
    const auto& fs = fields();
    for (size_t i = 0; i < fs.size(); ++i)
        if (SameIgnoringCase(fs[i].name, name)) return fieldHandles_[i].get();
    fail(e4fieldName, "field " + std::string(name) + " not found in " + path_);
    return nullptr;
}

Tag* Table::tag(std::string_view name) {
    for (auto& t : tags_)
        if (SameIgnoringCase(t->name(), name)) return t.get();
    return nullptr;
}

std::vector<Tag*> Table::tags() {
    std::vector<Tag*> out;
    for (auto& t : tags_) out.push_back(t.get());
    return out;
}

Status Table::attachTag(const std::string& name, const std::string& tagPath,
                        std::unique_ptr<Tag>& out) {
    auto tag = std::make_unique<Tag>();
    tag->name_ = name;
    if (Status s = NtxIndex::open(tagPath, dbf_->readOnly(), tag->index_); !s) return s;
    tag->index_->setCacheLimit(engine_->settings.cachePages);
    const NtxSpec& spec = tag->index_->spec();
    if (Status s = Expr::parse(spec.keyExpr, fields(), tag->key_); !s)
        return Status::Error(e4index, tagPath + ": key expression: " + s.message);
    if (!spec.forExpr.empty()) {
        if (Status s = Expr::parse(spec.forExpr, fields(), tag->filter_); !s)
            return Status::Error(e4index, tagPath + ": FOR condition: " + s.message);
        if (tag->filter_.type() != ExprType::Logical)
            return Status::Error(e4index, tagPath + ": FOR condition is not logical");
    }
    if (tag->key_.keyLength() != spec.keySize)
        return Status::Error(e4index, tagPath + ": key expression gives keys of " +
                                          std::to_string(tag->key_.keyLength()) +
                                          " bytes but the file holds keys of " +
                                          std::to_string(spec.keySize));
    if (tag->key_.type() == ExprType::Numeric && tag->key_.keyDecimals() != spec.keyDec)
        return Status::Error(e4index, tagPath + ": key decimals do not match the expression");
    out = std::move(tag);
    return Status::Ok();
}

Status Table::openGroup() {
    std::string groupPath = ResolvePath(dir_, base_ + ".cgp");
    if (!FileExists(groupPath)) return Status::Ok();
    std::vector<std::string> names;
    if (Status s = ReadGroup(groupPath, names); !s) return s;
    for (const auto& n : names) {
        std::string tagPath = ResolvePath(dir_, n + ".ntx");
        // A listed tag whose file is gone is simply not there; looking it up fails later.
        if (!FileExists(tagPath)) continue;
        std::unique_ptr<Tag> tag;
        if (Status s = attachTag(n, tagPath, tag); !s) return s;
        tags_.push_back(std::move(tag));
    }
    return Status::Ok();
}

int Table::load(long recno, bool inOrder) {
    const uint32_t r = static_cast<uint32_t>(recno);
    if (Status s = inOrder ? dbf_->readInOrder(r, record_.data()) : dbf_->read(r, record_.data());
        !s)
        return fail(s.code, s.message);
    original_ = record_;
    recno_ = recno;
    changed_ = false;
    eof_ = bof_ = false;
    return r4success;
}

int Table::atEof() {
    record_.assign(dbf_->recordLength(), ' ');
    original_ = record_;
    changed_ = false;
    recno_ = recCount() + 1;
    eof_ = true;
    tagSynced_ = false;
    return r4eof;
}

int Table::writeBack() {
    if (pendingAppend_) {
        // The keys go in before the record: a process that dies between the two leaves an index
        // marked as being changed, which is detected and rebuilt, never a record the tags miss.
        for (auto& t : tags_) {
            if (!t->holds(record_.data())) continue;
            t->keyOf(record_.data(), keyA_);
            if (Status s = t->index_->insert(keyA_, static_cast<uint32_t>(recno_)); !s)
                return fail(s.code, s.message);
        }
        uint32_t got = 0;
        if (Status s = dbf_->append(record_.data(), got); !s) {
            for (auto& t : tags_) {
                if (!t->holds(record_.data())) continue;
                t->keyOf(record_.data(), keyA_);
                (void)t->index_->remove(keyA_, static_cast<uint32_t>(recno_));
            }
            pendingAppend_ = false;
            atEof();
            return fail(s.code, s.message);
        }
        pendingAppend_ = false;
        original_ = record_;
        changed_ = false;
        tagSynced_ = false;
        return r4success;
    }
    if (!changed_ || recno_ < 1 || eof_) return r4success;
    changed_ = false;
    if (record_ == original_) return r4success;
    for (auto& t : tags_) {
        bool had = t->holds(original_.data()), has = t->holds(record_.data());
        if (!had && !has) continue;
        if (had) t->keyOf(original_.data(), keyA_);
        if (has) t->keyOf(record_.data(), keyB_);
        if (had && has && keyA_ == keyB_) continue;
        if (had) {
            if (Status s = t->index_->remove(keyA_, static_cast<uint32_t>(recno_)); !s)
                return fail(s.code, s.message);
        }
        if (has) {
            if (Status s = t->index_->insert(keyB_, static_cast<uint32_t>(recno_)); !s)
                return fail(s.code, s.message);
        }
        if (t.get() == selected_) tagSynced_ = false;
    }
    if (Status s = dbf_->write(static_cast<uint32_t>(recno_), record_.data()); !s)
        return fail(s.code, s.message);
    original_ = record_;
    return r4success;
}

int Table::position(int rc) {
    if (rc == r4success || rc == r4after) {
        NtxIndex& idx = selected_->index();
        uint32_t r = idx.recno();
        if (r < 1 || r > dbf_->recordCount())
            return fail(e4index, selected_->path() + ": entry for record " + std::to_string(r) +
                                     " which the table does not hold");
        int lr = load(r);
        if (lr != r4success) return lr;
        tagSynced_ = true;
        return rc;
    }
    if (rc == r4eof) return atEof();
    if (rc == r4bof) return rc;
    return fail(rc, selected_->path() + ": damaged index");
}

int Table::top() {
    if (int rc = writeBack(); rc < 0) return rc;
    bof_ = false;
    if (selected_) return position(selected_->index().top());
    if (dbf_->recordCount() == 0) return atEof();
    return load(1, true);
}

int Table::bottom() {
    if (int rc = writeBack(); rc < 0) return rc;
    if (selected_) return position(selected_->index().bottom());
    if (dbf_->recordCount() == 0) return atEof();
    return load(static_cast<long>(dbf_->recordCount()));
}

int Table::syncTagCursor(bool& onRecord) {
    NtxIndex& idx = selected_->index();
    onRecord = false;
    if (tagSynced_ && idx.positioned() && idx.recno() == static_cast<uint32_t>(recno_)) {
        onRecord = true;
        return r4success;
    }
    // Find the record's own entry, or, when the tag does not hold it, the entry it would follow.
    selected_->keyOf(record_.data(), keyA_);
    int rc = idx.seekEntry(keyA_, static_cast<uint32_t>(recno_));
    if (rc == r4success) onRecord = selected_->holds(record_.data());
    return rc;
}

int Table::skip(long n) {
    if (int rc = writeBack(); rc < 0) return rc;
    if (!selected_) {
        long target = recno_ + n;
        if (eof_ && n < 0) target = static_cast<long>(dbf_->recordCount()) + 1 + n;
        if (target > static_cast<long>(dbf_->recordCount())) return atEof();
        if (target < 1) {
            if (dbf_->recordCount() == 0) return atEof();
            load(1);
            bof_ = true;
            return r4bof;
        }
        return load(target, n == 1);
    }
    NtxIndex& idx = selected_->index();
    int rc;
    if (eof_) {
        if (n >= 0) return atEof();
        rc = idx.bottom();
        if (rc != r4success) return position(rc);
        ++n;
    } else {
        bool onRecord = false;
        rc = syncTagCursor(onRecord);
        if (rc < 0) return fail(rc, selected_->path() + ": damaged index");
        if (!onRecord && n > 0) {
            // Standing just after the record's place already counts as the first step.
            if (rc == r4eof) return atEof();
            --n;
        }
        if (rc == r4eof && n < 0) {
            rc = idx.bottom();
            if (rc != r4success) return position(rc);
            ++n;
        }
    }
    while (n > 0) {
        rc = idx.next();
        if (rc != r4success) return position(rc);
        --n;
    }
    while (n < 0) {
        rc = idx.prev();
        if (rc == r4bof || rc == r4eof) {
            int t = position(idx.top());
            if (t < 0 || t == r4eof) return t;
            bof_ = true;
            return r4bof;
        }
        if (rc != r4success) return position(rc);
        ++n;
    }
    return position(r4success);
}

int Table::seek(std::string_view key) {
    if (int rc = writeBack(); rc < 0) return rc;
    if (!selected_) return fail(e4info, path_ + ": seek needs a selected tag");
    const NtxSpec& spec = selected_->index().spec();
    std::string k;
    if (selected_->keyExpr().type() == ExprType::Numeric) {
        NumericKey(ParseNumber(key), spec.keySize, spec.keyDec, k);
    } else {
        k.assign(key.substr(0, spec.keySize));
    }
    return position(selected_->index().seek(k));
}

int Table::go(long recno) {
    if (int rc = writeBack(); rc < 0) return rc;
    if (recno < 1 || recno > static_cast<long>(dbf_->recordCount()))
        return fail(e4parm, path_ + ": record " + std::to_string(recno) + " does not exist");
    tagSynced_ = false;
    return load(recno);
}

int Table::appendBlank() {
    if (int rc = writeBack(); rc < 0) return rc;
    if (dbf_->readOnly()) return fail(e4write, path_ + ": table is open read-only");
    record_.assign(dbf_->recordLength(), ' ');
    original_ = record_;
    pendingAppend_ = true;
    changed_ = true;
    recno_ = static_cast<long>(dbf_->recordCount()) + 1;
    eof_ = bof_ = false;
    tagSynced_ = false;
    return r4success;
}

void Table::setDeleted(bool deleted) {
    if (eof_ || recno_ < 1) return;
    mutableRecord()[0] = deleted ? '*' : ' ';
}

int Table::refresh() {
    return writeBack();
}

int Table::flush() {
    int rc = writeBack();
    if (rc < 0) return rc;
    if (Status s = dbf_->flush(); !s) return fail(s.code, s.message);
    for (auto& t : tags_)
        if (Status s = t->index_->flush(); !s) return fail(s.code, s.message);
    return r4success;
}

int Table::close() {
    int rc = writeBack();
    Status s = dbf_->close();
    if (rc >= 0 && !s) rc = fail(s.code, s.message);
    for (auto& t : tags_) {
        Status ts = t->index_->sync();
        if (rc >= 0 && !ts) rc = fail(ts.code, ts.message);
    }
    tags_.clear();
    selected_ = nullptr;
    return rc < 0 ? rc : r4success;
}

int Table::pack() {
    if (int rc = writeBack(); rc < 0) return rc;
    std::vector<uint32_t> keep;
    keep.reserve(dbf_->recordCount());
    std::string rec(dbf_->recordLength(), ' ');
    for (uint32_t r = 1; r <= dbf_->recordCount(); ++r) {
        if (Status s = dbf_->readInOrder(r, rec.data()); !s) return fail(s.code, s.message);
        if (rec[0] != '*') keep.push_back(r);
    }
    return rewrite(keep);
}

int Table::zap(long first, long count) {
    if (int rc = writeBack(); rc < 0) return rc;
    if (first < 1 || count < 0) return fail(e4parm, path_ + ": bad range to remove");
    std::vector<uint32_t> keep;
    long last = first + count - 1;
    for (uint32_t r = 1; r <= dbf_->recordCount(); ++r)
        if (static_cast<long>(r) < first || static_cast<long>(r) > last) keep.push_back(r);
    return rewrite(keep);
}

namespace {

// Builds the keys of one tag over a sequence of record images.
struct TagBuild {
    Tag* tag;
    std::string keys;
    std::vector<uint32_t> recnos;
    std::string scratch;
    // Room for every record at once: growing by doubling would need twice the memory at its peak.
    void reserve(size_t records) {
        keys.reserve(records * tag->keyExpr().keyLength());
        recnos.reserve(records);
    }
    void add(const char* rec, uint32_t recno) {
        if (!tag->holds(rec)) return;
        tag->keyOf(rec, scratch);
        keys += scratch;
        recnos.push_back(recno);
    }
};

}  // namespace

int Table::rewrite(const std::vector<uint32_t>& keep) {
    if (dbf_->readOnly()) return fail(e4write, path_ + ": table is open read-only");
    const std::string tmp = TempPathFor(path_);
    int fd = OpenFile(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return fail(e4write, tmp + ": " + std::strerror(errno));

    std::vector<TagBuild> builds;
    for (auto& t : tags_) {
        builds.push_back(TagBuild{t.get(), {}, {}, {}});
        builds.back().reserve(keep.size());
    }
    auto abandon = [&](const Status& s) {
        ::close(fd);
        RemoveFile(tmp);
        return fail(s.code, s.message);
    };

    // Header with the new count, then the kept records in blocks.
    DbfFile& db = *dbf_;
    std::string header = db.headerImage();
    uint32_t n = static_cast<uint32_t>(keep.size());
    for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    if (Status s = WriteAt(fd, header.data(), header.size(), 0, tmp); !s) return abandon(s);
    const size_t len = db.recordLength();
    const size_t perBlock = std::max<size_t>(1, (256 * 1024) / len);
    std::string block;
    block.reserve(perBlock * len + 1);
    uint64_t at = header.size();
    std::string rec(len, ' ');
    for (size_t i = 0; i < keep.size(); ++i) {
        if (Status s = db.readInOrder(keep[i], rec.data()); !s) return abandon(s);
        block += rec;
        for (auto& b : builds) b.add(rec.data(), static_cast<uint32_t>(i + 1));
        if (block.size() >= perBlock * len || i + 1 == keep.size()) {
            if (i + 1 == keep.size()) block += '\x1A';
            if (Status s = WriteAt(fd, block.data(), block.size(), at, tmp); !s) return abandon(s);
            at += block.size();
            block.clear();
        }
    }
    if (keep.empty()) {
        char eof = 0x1A;
        if (Status s = WriteAt(fd, &eof, 1, at, tmp); !s) return abandon(s);
    }
    if (Status s = SyncFd(fd, tmp); !s) return abandon(s);
    ::close(fd);

    // The new tags are built under temporary names first. The old tag files are removed before
    // the table is replaced, so a crash in between leaves missing tags (rebuilt at start-up)
    // rather than tags that describe the old table.
    std::vector<std::string> tagTmp;
    for (auto& b : builds) {
        std::string p = TempPathFor(b.tag->path()) + ".new";
        Status s = NtxIndex::build(p, b.tag->index().spec(), b.keys, b.recnos);
        if (!s) {
            RemoveFile(tmp);
            for (auto& q : tagTmp) RemoveFile(q);
            RemoveFile(p);
            return fail(s.code, s.message);
        }
        tagTmp.push_back(p);
    }
    std::vector<std::pair<std::string, std::string>> tagNames;
    for (auto& t : tags_) tagNames.emplace_back(t->name(), t->path());
    tags_.clear();
    selected_ = nullptr;
    (void)db.close();
    dbf_.reset();
    for (auto& [name, p] : tagNames) RemoveFile(p);
    Status s = ReplaceFile(tmp, path_);
    for (size_t i = 0; s && i < tagTmp.size(); ++i) s = ReplaceFile(tagTmp[i], tagNames[i].second);

    // Reopen whatever is now on disk.
    std::unique_ptr<DbfFile> reopened;
    Status o = DbfFile::open(path_, engine_->settings.readOnly, reopened);
    if (!o) return fail(o.code, o.message);
    dbf_ = std::move(reopened);
    for (auto& [name, p] : tagNames) {
        std::unique_ptr<Tag> tag;
        Status a = attachTag(name, p, tag);
        if (!a) {
            if (s) s = a;
            continue;
        }
        tags_.push_back(std::move(tag));
    }
    pendingAppend_ = false;
    atEof();
    if (!s) return fail(s.code, s.message);
    return r4success;
}

int Table::createIndex(const std::string& group, const std::vector<TagSpec>& specs) {
    if (int rc = writeBack(); rc < 0) return rc;
    if (specs.empty()) return fail(e4parm, path_ + ": no tags to create");
    std::string groupPath = ResolvePath(dir_, group + ".cgp");
    std::vector<std::unique_ptr<Tag>> made;
    std::vector<std::string> names;
    std::vector<TagBuild> builds;
    // Every expression is checked before anything is written.
    for (const auto& sp : specs) {
        auto tag = std::make_unique<Tag>();
        tag->name_ = sp.name;
        if (Status s = Expr::parse(sp.keyExpr, fields(), tag->key_); !s)
            return fail(s.code, s.message);
        if (!sp.forExpr.empty()) {
            if (Status s = Expr::parse(sp.forExpr, fields(), tag->filter_); !s)
                return fail(s.code, s.message);
            if (tag->filter_.type() != ExprType::Logical)
                return fail(e4expr, path_ + ": FOR condition " + sp.forExpr + " is not logical");
        }
        if (sp.name.empty() || sp.name.size() > 10)
            return fail(e4parm, path_ + ": bad tag name '" + sp.name + "'");
        if (sp.descending) return fail(e4parm, path_ + ": descending tags are not supported");
        names.push_back(sp.name);
        made.push_back(std::move(tag));
    }
    std::vector<std::string> tagPaths;
    for (const auto& sp : specs) tagPaths.push_back(ResolvePath(dir_, sp.name + ".ntx"));
    if (engine_->settings.safety) {
        if (FileExists(groupPath)) return fail(e4create, groupPath + ": file exists");
        for (auto& p : tagPaths)
            if (FileExists(p)) return fail(e4create, p + ": file exists");
    }
    for (auto& t : made) {
        builds.push_back(TagBuild{t.get(), {}, {}, {}});
        builds.back().reserve(dbf_->recordCount());
    }
    std::string rec(dbf_->recordLength(), ' ');
    for (uint32_t r = 1; r <= dbf_->recordCount(); ++r) {
        if (Status s = dbf_->readInOrder(r, rec.data()); !s) return fail(s.code, s.message);
        for (auto& b : builds) b.add(rec.data(), r);
    }
    // Tags of this table that are about to be replaced are closed first.
    for (auto& sp : specs) {
        auto it = std::find_if(tags_.begin(), tags_.end(),
                               [&](auto& t) { return SameIgnoringCase(t->name(), sp.name); });
        if (it != tags_.end()) {
            if (selected_ == it->get()) selected_ = nullptr;
            tags_.erase(it);
        }
    }
    for (size_t i = 0; i < specs.size(); ++i) {
        NtxSpec ns;
        ns.tagName = specs[i].name;
        ns.keyExpr = specs[i].keyExpr;
        ns.forExpr = specs[i].forExpr;
        ns.keySize = made[i]->key_.keyLength();
        ns.keyDec = made[i]->key_.keyDecimals();
        ns.unique = specs[i].unique;
        if (Status s = NtxIndex::build(tagPaths[i], ns, builds[i].keys, builds[i].recnos); !s)
            return fail(e4create, s.message);
        builds[i].keys.clear();
        builds[i].keys.shrink_to_fit();
        builds[i].recnos = {};
    }
    if (Status s = WriteGroup(groupPath, names); !s) return fail(e4create, s.message);
    for (size_t i = 0; i < specs.size(); ++i) {
        std::unique_ptr<Tag> tag;
        if (Status s = attachTag(specs[i].name, tagPaths[i], tag); !s)
            return fail(s.code, s.message);
        tags_.push_back(std::move(tag));
    }
    tagSynced_ = false;
    return r4success;
}

}  // namespace xb

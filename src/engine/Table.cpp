#include "engine/Table.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <new>

#include "engine/Engine.h"
#include "engine/Files.h"
#include "engine/Group.h"
#include "engine/Jobs.h"

namespace xb {

namespace {

// How far ahead of a walk through a tag its records are asked for: enough steps to cover the
// wait on memory, few enough that the record is still cached when the walk gets there.
constexpr int kPrefetchSteps = 6;

// A run of appends gathers its keys from this many on (fewer, as an entry window makes them, go
// in one by one), and puts them in once a tag holds the most: memory stays bounded.
constexpr long kGatherAfter = 64;
constexpr size_t kGatherMost = size_t{1} << 16;
// Fewer keys than this go in on the calling thread: a second thread would cost more than it saves.
constexpr size_t kGatherAlone = 4096;

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

double Field::number() const {
    return ParseNumber(raw());
}

long Field::integer() const {
    return IntegerText(raw());
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
        bool negative;
        FormatInto(value, d.length, d.decimals, table_->mutableRecord() + d.offset, negative);
        return;
    }
    std::string out;
    FormatNumber(value, 20, 0, out);
    assign(std::string_view(out).substr(out.find_first_not_of(' ')));
}

// ---- Table ----

Table::Table(Engine* engine) : engine_(engine) {}

Table::~Table() {
    // The engine closes a table before it goes; should one go unclosed, its records' keys still
    // reach the tags, which would otherwise be flushed without them.
    if (gathering_) (void)settleKeys();
}

std::string StrayEntryMessage(const std::string& tagPath, uint32_t recno) {
    return tagPath + ": entry for record " + std::to_string(recno) +
           " which the table does not hold";
}

int Table::fail(int code, const std::string& message) {
    return engine_->raise(code, message);
}

char* Table::mutableRecord() {
    if (originalStale_) {
        original_ = record_;
        originalStale_ = false;
    }
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
    if (Status s = NtxIndex::open(tagPath, dbf_->readOnly(), tag->index_); !s.ok()) return s;
    tag->index_->setCacheLimit(engine_->settings.cachePages);
    const NtxSpec& spec = tag->index_->spec();
    if (Status s = Expr::parse(spec.keyExpr, fields(), tag->key_); !s.ok())
        return Status::Error(e4index, tagPath + ": key expression: " + s.message);
    if (!spec.forExpr.empty()) {
        if (Status s = Expr::parse(spec.forExpr, fields(), tag->filter_); !s.ok())
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
    if (Status s = ReadGroup(groupPath, names); !s.ok()) return s;
    for (const auto& n : names) {
        std::string tagPath = ResolvePath(dir_, n + ".ntx");
        // A listed tag whose file is gone is simply not there; looking it up fails later.
        if (!FileExists(tagPath)) continue;
        std::unique_ptr<Tag> tag;
        if (Status s = attachTag(n, tagPath, tag); !s.ok()) return s;
        tags_.push_back(std::move(tag));
    }
    return Status::Ok();
}

int Table::load(long recno, bool inOrder) {
    const uint32_t r = static_cast<uint32_t>(recno);
    if (Status s = inOrder ? dbf_->readInOrder(r, record_.data()) : dbf_->read(r, record_.data());
        !s.ok())
        return fail(s.code, s.message);
    originalStale_ = true;
    recno_ = recno;
    changed_ = false;
    eof_ = bof_ = false;
    return r4success;
}

int Table::atEof() {
    record_.assign(dbf_->recordLength(), ' ');
    original_ = record_;
    originalStale_ = false;
    changed_ = false;
    recno_ = recCount() + 1;
    eof_ = true;
    tagSynced_ = false;
    return r4eof;
}

int Table::writeBack() {
    if (pendingAppend_) {
        // The tags that take the record are marked as being changed before the record reaches
        // the file: a process that dies before its keys are in leaves them refused and rebuilt,
        // never missing a record silently. A record that cannot be written (a full disk) leaves
        // the tags without a change, so closing clears their marks again.
        for (auto& t : tags_) {
            if (!t->holds(record_.data())) continue;
            if (Status s = t->index_->prepareChange(); !s.ok()) return fail(s.code, s.message);
        }
        uint32_t got = 0;
        if (Status s = dbf_->append(record_.data(), got); !s.ok()) {
            pendingAppend_ = false;
            atEof();
            return fail(s.code, s.message);
        }
        // The record is in the table now: every tag takes its key even when one of them fails.
        Status first;
        bool full = false;
        for (size_t i = 0; i < tags_.size(); ++i) {
            Tag& t = *tags_[i];
            if (!t.holds(record_.data())) continue;
            t.keyOf(record_.data(), keyA_);
            if (gathering_) {
                gathered_[i].add(keyA_.data(), static_cast<uint32_t>(recno_));
                if (gathered_[i].size() >= kGatherMost) full = true;
                continue;
            }
            Status s = t.index_->insert(keyA_, static_cast<uint32_t>(recno_));
            if (!s.ok() && first.ok()) first = s;
        }
        pendingAppend_ = false;
        original_ = record_;
        originalStale_ = false;
        changed_ = false;
        tagSynced_ = false;
        if (!first.ok()) return fail(first.code, first.message);
        if (full) {
            const long run = appendRun_;
            if (int rc = settleKeys(); rc < 0) return rc;
            appendRun_ = run;
            gatherKeys();
        }
        return r4success;
    }
    if (!changed_ || recno_ < 1 || eof_) return r4success;
    changed_ = false;
    if (record_ == original_) return r4success;
    // An entry that moves is found in a tag that holds every key.
    if (int rc = settleKeys(); rc < 0) return rc;
    // As for an append: the tags whose entry moves are marked first, then the record is written,
    // then the entries move, in every such tag even when one of them fails.
    uint64_t moving = 0;
    for (size_t i = 0; i < tags_.size(); ++i) {
        Tag& t = *tags_[i];
        const bool had = t.holds(original_.data()), has = t.holds(record_.data());
        if (!had && !has) continue;
        if (had) t.keyOf(original_.data(), keyA_);
        if (has) t.keyOf(record_.data(), keyB_);
        if (had && has && keyA_ == keyB_) continue;
        if (Status s = t.index_->prepareChange(); !s.ok()) return fail(s.code, s.message);
        moving |= i < 64 ? uint64_t{1} << i : 0;
    }
    if (Status s = dbf_->write(static_cast<uint32_t>(recno_), record_.data()); !s.ok())
        return fail(s.code, s.message);
    original_.swap(record_);  // original_ now holds the written image, record_ the old one
    Status first;
    for (size_t i = 0; i < tags_.size(); ++i) {
        if (i < 64 && !(moving >> i & 1)) continue;
        Tag& t = *tags_[i];
        const bool had = t.holds(record_.data()), has = t.holds(original_.data());
        if (had) t.keyOf(record_.data(), keyA_);
        if (has) t.keyOf(original_.data(), keyB_);
        if (had && has && keyA_ == keyB_) continue;
        if (had) {
            Status s = t.index_->remove(keyA_, static_cast<uint32_t>(recno_));
            if (!s.ok() && first.ok()) first = s;
        }
        if (has) {
            Status s = t.index_->insert(keyB_, static_cast<uint32_t>(recno_));
            if (!s.ok() && first.ok()) first = s;
        }
        if (&t == selected_) tagSynced_ = false;
    }
    record_ = original_;
    if (!first.ok()) return fail(first.code, first.message);
    return r4success;
}

int Table::writeBackAll() {
    // The records gathered are in the file whether or not the last one could be written.
    const int rc = writeBack();
    const int settled = settleKeys();
    return rc < 0 ? rc : settled;
}

void Table::gatherKeys() {
    if (gathering_) return;
    gathered_.clear();
    for (const auto& t : tags_) gathered_.emplace_back(t->index_->spec().keySize);
    gathering_ = true;
}

int Table::settleKeys() {
    appendRun_ = 0;
    if (!gathering_) return r4success;
    gathering_ = false;
    // Every tag takes its keys even when another fails: a tag left without them would lose its
    // mark at the close. A tag that fails keeps its mark (insertAll).
    std::vector<Status> results(tags_.size());
    std::vector<std::function<Status()>> jobs;
    size_t keys = 0;
    for (size_t i = 0; i < tags_.size(); ++i) {
        if (gathered_[i].size() == 0) continue;
        keys += gathered_[i].size();
        jobs.push_back([this, i, &results] {
            try {
                results[i] = tags_[i]->index_->insertAll(gathered_[i]);
            } catch (const std::bad_alloc&) {
                results[i] = Status::Error(e4info, "not enough memory for the keys of " +
                                                       tags_[i]->path() + "; rebuild it");
            }
            return Status::Ok();
        });
    }
    if (keys < kGatherAlone) {
        for (const auto& job : jobs) (void)job();
    } else {
        (void)RunJobs(jobs);  // the jobs report through results
    }
    gathered_.clear();
    tagSynced_ = false;
    for (const Status& s : results)
        if (!s.ok()) return fail(s.code, s.message);
    return r4success;
}

int Table::position(int rc) {
    if (rc == r4success || rc == r4after) {
        NtxIndex& idx = selected_->index();
        uint32_t r = idx.recno();
        if (r < 1 || r > dbf_->recordCount())
            return fail(e4index, StrayEntryMessage(selected_->path(), r));
        int lr = load(r);
        if (lr != r4success) return lr;
        tagSynced_ = true;
        // A walk reads the entries that follow: their records start on their way now.
        if (uint32_t ahead = idx.recnoAhead(kPrefetchSteps)) dbf_->prefetch(ahead);
        return rc;
    }
    if (rc == r4eof) return atEof();
    if (rc == r4bof) return rc;
    return fail(rc, selected_->index().lastError());
}

int Table::top() {
    if (int rc = writeBackAll(); rc < 0) return rc;
    bof_ = false;
    if (selected_) return position(selected_->index().top());
    if (dbf_->recordCount() == 0) return atEof();
    return load(1, true);
}

int Table::bottom() {
    if (int rc = writeBackAll(); rc < 0) return rc;
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
    if (int rc = writeBackAll(); rc < 0) return rc;
    if (!selected_) {
        long target = recno_ + n;
        if (eof_ && n < 0) target = static_cast<long>(dbf_->recordCount()) + 1 + n;
        if (target > static_cast<long>(dbf_->recordCount())) return atEof();
        if (target < 1) {
            if (dbf_->recordCount() == 0) return atEof();
            // A first record that cannot be read is the move's failure, not a quiet r4bof.
            if (int rc = load(1); rc < 0) return rc;
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
        if (rc < 0) return fail(rc, idx.lastError());
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
    if (int rc = writeBackAll(); rc < 0) return rc;
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
    // A walk that only reads goes from record to record with nothing to write back.
    if (!nothingToWrite()) {
        if (int rc = writeBackAll(); rc < 0) return rc;
    } else {
        appendRun_ = 0;
    }
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
    originalStale_ = false;
    pendingAppend_ = true;
    changed_ = true;
    recno_ = static_cast<long>(dbf_->recordCount()) + 1;
    eof_ = bof_ = false;
    tagSynced_ = false;
    if (!gathering_ && ++appendRun_ >= kGatherAfter) gatherKeys();
    return r4success;
}

void Table::setDeleted(bool deleted) {
    if (eof_ || recno_ < 1) return;
    mutableRecord()[0] = deleted ? '*' : ' ';
}

long Table::countTag(std::string_view from, std::string_view through,
                     std::vector<uint32_t>* recnos) {
    if (!selected_) return 0;
    if (int rc = writeBackAll(); rc < 0) return rc;
    NtxIndex& idx = selected_->index();
    const size_t first = recnos ? recnos->size() : 0;
    const long count = idx.count(from, through, recnos);
    if (count < 0) return fail(static_cast<int>(count), idx.lastError());
    if (recnos)
        for (size_t i = first; i < recnos->size(); ++i)
            if (const uint32_t r = (*recnos)[i]; r < 1 || r > dbf_->recordCount())
                return fail(e4index, StrayEntryMessage(selected_->path(), r));
    return count;
}

std::unique_ptr<NtxIndex> Table::tagReader() {
    if (!selected_ || !nothingToWrite()) return nullptr;
    NtxIndex& idx = selected_->index();
    std::unique_ptr<NtxIndex> reader;
    if (!idx.allWritten() || !idx.reader(reader).ok()) return nullptr;
    return reader;
}

int Table::refresh() {
    return writeBack();
}

int Table::flush() {
    int rc = writeBackAll();
    if (rc < 0) return rc;
    if (Status s = dbf_->flush(); !s.ok()) return fail(s.code, s.message);
    for (auto& t : tags_)
        if (Status s = t->index_->flush(); !s.ok()) return fail(s.code, s.message);
    return r4success;
}

int Table::close() {
    int rc = writeBackAll();
    Status s = dbf_->close();
    if (rc >= 0 && !s.ok()) rc = fail(s.code, s.message);
    for (auto& t : tags_) {
        Status ts = t->index_->sync();
        if (rc >= 0 && !ts.ok()) rc = fail(ts.code, ts.message);
    }
    tags_.clear();
    selected_ = nullptr;
    return rc < 0 ? rc : r4success;
}

int Table::pack() {
    if (int rc = writeBackAll(); rc < 0) return rc;
    std::vector<uint32_t> keep;
    keep.reserve(dbf_->recordCount());
    std::string rec(dbf_->recordLength(), ' ');
    for (uint32_t r = 1; r <= dbf_->recordCount(); ++r) {
        if (Status s = dbf_->readInOrder(r, rec.data()); !s.ok()) return fail(s.code, s.message);
        if (rec[0] != '*') keep.push_back(r);
    }
    return rewrite(keep);
}

int Table::zap(long first, long count) {
    if (int rc = writeBackAll(); rc < 0) return rc;
    if (first < 1 || count < 0) return fail(e4parm, path_ + ": bad range to remove");
    std::vector<uint32_t> keep;
    long last = first + count - 1;
    for (uint32_t r = 1; r <= dbf_->recordCount(); ++r)
        if (static_cast<long>(r) < first || static_cast<long>(r) > last) keep.push_back(r);
    return rewrite(keep);
}

namespace {

constexpr size_t kPassBytes = 256 * 1024;
constexpr size_t kCopyBytes = 1024 * 1024;

// The records of a table in rising record order, read in blocks of its own: one part of an index
// build or a pack, running beside the others.
class RecordPass {
  public:
    explicit RecordPass(const DbfFile& db)
        : db_(db),
          length_(db.recordLength()),
          perBlock_(static_cast<uint32_t>(std::max<size_t>(1, kPassBytes / length_))) {}
    Status get(uint32_t recno, const char*& record) {
        if (recno < first_ || recno - first_ >= count_) {
            const uint32_t n = std::min(perBlock_, db_.recordCount() - recno + 1);
            block_.resize(static_cast<size_t>(n) * length_);
            count_ = 0;
            if (Status s = db_.readRecords(recno, n, block_.data()); !s.ok()) return s;
            first_ = recno;
            count_ = n;
        }
        record = &block_[static_cast<size_t>(recno - first_) * length_];
        return Status::Ok();
    }

  private:
    const DbfFile& db_;
    size_t length_;
    uint32_t perBlock_;
    std::vector<char> block_;
    uint32_t first_ = 0, count_ = 0;
};

// Writes the index file of one tag at path over the records of db: with keep, record keep[i] as
// record i + 1 of the table that replaces db; without it, every record as it is.
Status BuildTag(const DbfFile& db, const Tag& tag, const NtxSpec& spec,
                const std::vector<uint32_t>* keep, const std::string& path) {
    const size_t total = keep ? keep->size() : db.recordCount();
    // Room for every record at once: growing by doubling would need twice the memory.
    NtxEntries entries(spec.keySize);
    entries.reserve(total);
    RecordPass pass(db);
    std::string key;
    for (size_t i = 0; i < total; ++i) {
        const char* record = nullptr;
        if (Status s = pass.get(keep ? (*keep)[i] : static_cast<uint32_t>(i + 1), record); !s.ok())
            return s;
        if (!tag.holds(record)) continue;
        tag.keyOf(record, key);
        entries.add(key.data(), static_cast<uint32_t>(i + 1));
    }
    return NtxIndex::build(path, spec, entries);
}

// Writes the kept records of db as a new table at tmp, synced.
Status WriteKept(const DbfFile& db, const std::string& tmp, const std::vector<uint32_t>& keep) {
    int fd = OpenFile(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return Status::Error(e4write, tmp + ": " + std::strerror(errno));
    auto abandon = [&](const Status& s) {
        ::close(fd);
        return s;
    };
    // Header with the new count, then the kept records in blocks.
    std::string header = db.headerImage();
    uint32_t n = static_cast<uint32_t>(keep.size());
    for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    if (Status s = WriteAt(fd, header.data(), header.size(), 0, tmp); !s.ok()) return abandon(s);
    const size_t len = db.recordLength();
    const size_t perBlock = std::max<size_t>(1, kCopyBytes / len);
    std::string block;
    block.reserve(perBlock * len + 1);
    uint64_t at = header.size();
    RecordPass pass(db);
    for (size_t i = 0; i < keep.size(); ++i) {
        const char* record = nullptr;
        if (Status s = pass.get(keep[i], record); !s.ok()) return abandon(s);
        block.append(record, len);
        if (block.size() >= perBlock * len || i + 1 == keep.size()) {
            if (i + 1 == keep.size()) block += '\x1A';
            if (Status s = WriteAt(fd, block.data(), block.size(), at, tmp); !s.ok())
                return abandon(s);
            at += block.size();
            block.clear();
        }
    }
    if (keep.empty()) {
        char eof = 0x1A;
        if (Status s = WriteAt(fd, &eof, 1, at, tmp); !s.ok()) return abandon(s);
    }
    if (Status s = SyncFd(fd, tmp); !s.ok()) return abandon(s);
    if (::close(fd) != 0) return Status::Error(e4write, tmp + ": " + std::strerror(errno));
    return Status::Ok();
}

}  // namespace

int Table::rewrite(const std::vector<uint32_t>& keep) {
    if (dbf_->readOnly()) return fail(e4write, path_ + ": table is open read-only");
    // The new table and tags are written beside the old ones, under the temporary names that the
    // next writer's open clears, and opened. Until the table's rename nothing the old files hold
    // has changed, so any failure up to there leaves the table as it was.
    std::vector<std::string> temporaries;
    auto giveUp = [&](const Status& s) {
        for (const auto& p : temporaries) RemoveFile(p);
        return fail(s.code, s.message);
    };
    // The table's copy and each tag's build read the old table on their own, and run side by side.
    const std::string tmp = TempPathFor(path_);
    temporaries.push_back(tmp);
    std::vector<std::function<Status()>> jobs{[&] { return WriteKept(*dbf_, tmp, keep); }};
    std::vector<std::string> tagTmp;
    for (auto& t : tags_) {
        tagTmp.push_back(TempPathFor(t->path()));
        temporaries.push_back(tagTmp.back());
        jobs.push_back([&, tag = t.get(), path = tagTmp.back()] {
            return BuildTag(*dbf_, *tag, tag->index().spec(), &keep, path);
        });
    }
    if (Status s = RunJobs(jobs); !s.ok()) return giveUp(s);
    std::unique_ptr<DbfFile> newDbf;
    if (Status s = DbfFile::open(tmp, false, newDbf); !s.ok()) return giveUp(s);
    std::vector<std::unique_ptr<NtxIndex>> newIndexes(tags_.size());
    for (size_t i = 0; i < tags_.size(); ++i) {
        if (Status s = NtxIndex::open(tagTmp[i], false, newIndexes[i]); !s.ok()) return giveUp(s);
        newIndexes[i]->setCacheLimit(engine_->settings.cachePages);
    }

    // The old tags are marked as being changed: from here until each is replaced, a crash leaves
    // it refused (and rebuilt at start-up) rather than describing the other table. A tag that
    // cannot even be flushed was already unsound and keeps its mark whatever happens.
    std::vector<std::string> unmark;
    auto putBack = [&] {
        for (const auto& p : unmark) (void)NtxIndex::setChangingMark(p, false);
    };
    for (auto& t : tags_) {
        const bool sound = t->index_->sync().ok();
        if (Status s = NtxIndex::setChangingMark(t->path(), true); !s.ok()) {
            putBack();
            return giveUp(s);
        }
        if (sound) unmark.push_back(t->path());
    }
    // One rename replaces the table: a crash leaves the old table or the new one.
    if (RenameFile(tmp, path_) != 0) {
        Status s = Status::Error(e4write, "cannot replace " + path_ + ": " + std::strerror(errno));
        putBack();
        return giveUp(s);
    }
    Status done = SyncDir(dir_);
    (void)dbf_->close();
    dbf_ = std::move(newDbf);
    dbf_->renamed(path_);
    // Each tag is replaced in turn; one that cannot be keeps its mark and is dropped, to be
    // rebuilt at start-up.
    for (size_t i = 0; i < tags_.size(); ++i) {
        const std::string target = tags_[i]->path();
        if (RenameFile(tagTmp[i], target) != 0) {
            if (done.ok())
                done = Status::Error(e4write,
                                     "cannot replace " + target + ": " + std::strerror(errno));
            RemoveFile(tagTmp[i]);
            continue;
        }
        newIndexes[i]->renamed(target);
        tags_[i]->index_ = std::move(newIndexes[i]);
    }
    for (size_t i = tags_.size(); i-- > 0;) {
        if (newIndexes[i] == nullptr) continue;
        if (selected_ == tags_[i].get()) selected_ = nullptr;
        tags_.erase(tags_.begin() + static_cast<long>(i));
    }
    if (Status s = SyncDir(dir_); done.ok() && !s.ok()) done = s;
    pendingAppend_ = false;
    atEof();
    if (!done.ok()) return fail(done.code, done.message);
    return r4success;
}

int Table::createIndex(const std::string& group, const std::vector<TagSpec>& specs) {
    if (int rc = writeBackAll(); rc < 0) return rc;
    if (specs.empty()) return fail(e4parm, path_ + ": no tags to create");
    std::string groupPath = ResolvePath(dir_, group + ".cgp");
    std::vector<std::unique_ptr<Tag>> made;
    std::vector<std::string> names;
    // Every expression is checked before anything is written.
    for (const auto& sp : specs) {
        auto tag = std::make_unique<Tag>();
        tag->name_ = sp.name;
        if (Status s = Expr::parse(sp.keyExpr, fields(), tag->key_); !s.ok())
            return fail(s.code, s.message);
        if (!sp.forExpr.empty()) {
            if (Status s = Expr::parse(sp.forExpr, fields(), tag->filter_); !s.ok())
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
    // Every tag is written under a temporary name first, so that a failure (a full disk) leaves
    // the old files as they were. Each tag reads the table on its own, beside the others.
    std::vector<std::string> built;
    std::vector<NtxSpec> nspecs(specs.size());
    std::vector<std::function<Status()>> jobs;
    for (size_t i = 0; i < specs.size(); ++i) {
        NtxSpec& ns = nspecs[i];
        ns.tagName = specs[i].name;
        ns.keyExpr = specs[i].keyExpr;
        ns.forExpr = specs[i].forExpr;
        ns.keySize = made[i]->key_.keyLength();
        ns.keyDec = made[i]->key_.keyDecimals();
        ns.unique = specs[i].unique;
        built.push_back(TempPathFor(tagPaths[i]));
        jobs.push_back([&, i] { return BuildTag(*dbf_, *made[i], nspecs[i], nullptr, built[i]); });
    }
    if (Status s = RunJobs(jobs); !s.ok()) {
        for (const auto& p : built) RemoveFile(p);
        return fail(e4create, s.message);
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
        if (RenameFile(built[i], tagPaths[i]) != 0) {
            const int err = errno;
            for (size_t j = i; j < built.size(); ++j) RemoveFile(built[j]);
            return fail(e4create, "cannot replace " + tagPaths[i] + ": " + std::strerror(err));
        }
    }
    if (Status s = SyncDir(dir_); !s.ok()) return fail(e4create, s.message);
    if (Status s = WriteGroup(groupPath, names); !s.ok()) return fail(e4create, s.message);
    for (size_t i = 0; i < specs.size(); ++i) {
        std::unique_ptr<Tag> tag;
        if (Status s = attachTag(specs[i].name, tagPaths[i], tag); !s.ok())
            return fail(s.code, s.message);
        tags_.push_back(std::move(tag));
    }
    tagSynced_ = false;
    return r4success;
}

}  // namespace xb

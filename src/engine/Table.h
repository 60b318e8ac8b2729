// An open table: its .dbf file, its open index tags and a cursor over one current record.
//
// The current record is held as an image in memory. Field assignments change the image; the
// change reaches the file, and every open tag whose key or FOR condition it alters is updated,
// when the table moves (top, bottom, skip, seek, go, append), on refresh() and on close(). Deleted
// records are reached by go() and record-number order; a tag whose FOR condition excludes them
// (".NOT. DELETED()") hides them from top, skip and seek through it.
//
// Positional calls return r4success, r4eof, r4bof, r4after (seek) or a negative error code; the
// error is also left pending in the owning Engine with a message naming the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Dbf.h"
#include "engine/Expr.h"
#include "engine/Field.h"
#include "engine/Ntx.h"
#include "engine/Status.h"

namespace xb {

class Engine;
class Table;

// A field handle bound to one open table.
class Field {
  public:
    Field(Table* table, size_t index) : table_(table), index_(index) {}
    const FieldDesc& desc() const;
    Table& table() const { return *table_; }

    // The field's bytes in the current record, full width.
    std::string_view raw() const;
    double number() const;
    long integer() const;
    bool truth() const;  // 'T', 't', 'Y', 'y'

    // Character fields: text cut to the width or padded with blanks. Numeric fields: the text is
    // read as a number and formatted. Date fields: CCYYMMDD or blank. Logical: "T" or "F".
    void assign(std::string_view text);
    void assignNumber(double value);  // rounded to the field's decimals; all '*' when too wide

  private:
    Table* table_;
    size_t index_;
};

// One open index tag of a table.
struct TagSpec {
    std::string name;
    std::string keyExpr;
    std::string forExpr;
    bool unique = false;
    bool descending = false;
};

class Tag {
  public:
    const std::string& name() const { return name_; }  // as stored in the group, e.g. "EDate"
    const std::string& path() const { return index_->path(); }
    NtxIndex& index() { return *index_; }
    const Expr& keyExpr() const { return key_; }
    const Expr& forExpr() const { return filter_; }

    // The key of a record image and whether the tag holds it (its FOR condition is true).
    void keyOf(const char* record, std::string& out) const { key_.key(record, out); }
    bool holds(const char* record) const { return filter_.empty() || filter_.truth(record); }

  private:
    friend class Table;
    std::string name_;
    std::unique_ptr<NtxIndex> index_;
    Expr key_;
    Expr filter_;
};

// The message for a tag's entry that names a record the table does not hold, as a walk or a
// count through the tag at tagPath meets it.
std::string StrayEntryMessage(const std::string& tagPath, uint32_t recno);

class Table {
  public:
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    Engine& engine() const { return *engine_; }
    const std::string& path() const { return path_; }    // the .dbf file
    const std::string& alias() const { return alias_; }  // base name in capitals, e.g. "EXP5"
    const std::vector<FieldDesc>& fields() const { return dbf_->fields(); }
    DbfFile& file() { return *dbf_; }

    Field* field(std::string_view name);  // nullptr (and e4fieldName pending) when absent
    Tag* tag(std::string_view name);      // ignoring case; nullptr when absent
    std::vector<Tag*> tags();
    void select(Tag* tag) {
        selected_ = tag;
        tagSynced_ = false;
    }
    Tag* selected() const { return selected_; }

    [[nodiscard]] int top();
    [[nodiscard]] int bottom();
    [[nodiscard]] int skip(long n = 1);
    [[nodiscard]] int seek(std::string_view key);
    [[nodiscard]] int go(long recno);
    long recno() const { return recno_; }
    long recCount() const;
    // The selected tag's entries from the first whose key is not below `from` to the last whose
    // key, over the length of `through`, is not above it, counted on the tag's pages without a
    // move (0 with no tag selected). With recnos, their record numbers are appended to it in the
    // tag's order, each one a record of the table (else e4index): a walk of the range can then go
    // to them in turn instead of reading the tag's pages a second time. Negative on failure.
    [[nodiscard]] long countTag(std::string_view from, std::string_view through,
                                std::vector<uint32_t>* recnos = nullptr);
    // A handle of its own on the selected tag's file, for counting a range (NtxIndex::count) on
    // another thread while this table only goes from record to record: nullptr, nothing raised,
    // when no tag is selected, something is still to be written, or the file cannot be opened
    // again (count through the table then).
    std::unique_ptr<NtxIndex> tagReader();
    // Asks the processor for the record's bytes when they are cached, ahead of a go() to it.
    void prefetch(long recno) const {
        if (recno > 0) dbf_->prefetch(static_cast<uint32_t>(recno));
    }
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }

    [[nodiscard]] int appendBlank();
    // From now until the table next moves, flushes or closes (or settleKeys() is called), the
    // keys of the records appended are gathered instead of inserted one by one; then each tag
    // takes its keys in key order, the tags side by side. For a long run of appends with nothing
    // read in between: the tags are marked as being changed before the first record reaches the
    // file, as for any append, so a death in between leaves them refused and rebuilt. A run of
    // appends gathers by itself from its 64th record on, and the keys go in every 65,536 records.
    void gatherKeys();
    [[nodiscard]] int settleKeys();
    void setDeleted(bool deleted);
    bool deleted() const { return record_[0] == '*'; }
    [[nodiscard]] int refresh();  // writes a pending change of the current record
    [[nodiscard]] int flush();    // refresh(), then the header and every tag
    [[nodiscard]] int pack();  // drops deleted records, rebuilds the open tags; atomic replacement
    [[nodiscard]] int zap(long first,
                          long count);  // removes records first..first+count-1; atomic replacement
    [[nodiscard]] int close();  // flush, sync, close; the table object is destroyed by the engine

    // Writes the group file <dir>/<group>.cgp and one .ntx per tag, built from the records.
    // With safety on, an existing file is not overwritten (e4create).
    [[nodiscard]] int createIndex(const std::string& group, const std::vector<TagSpec>& tags);

    // The current record image (deletion byte first) and marking it changed.
    const char* record() const { return record_.data(); }
    char* mutableRecord();

  private:
    friend class Engine;
    friend class Field;
    explicit Table(Engine* engine);

    int fail(int code, const std::string& message);
    [[nodiscard]] int load(long recno, bool inOrder = false);  // reads a record into the image
    [[nodiscard]] int writeBack();     // a pending change (or append) to the tags and the file
    [[nodiscard]] int writeBackAll();  // writeBack(), then the keys gathered
    // Nothing for writeBackAll to do: no change of the record, no append pending, no keys gathered.
    bool nothingToWrite() const { return !changed_ && !pendingAppend_ && !gathering_; }
    [[nodiscard]] int position(int rc);  // after a tag move: loads the record under the tag cursor
    int atEof();                         // the state past the last record
    [[nodiscard]] int syncTagCursor(
        bool& onRecord);  // puts the selected tag's cursor on the current record
    [[nodiscard]] int rewrite(const std::vector<uint32_t>& keep);  // pack and zap
    [[nodiscard]] Status openGroup();
    [[nodiscard]] Status attachTag(const std::string& name, const std::string& tagPath,
                                   std::unique_ptr<Tag>& out);

    Engine* engine_;
    std::string path_, alias_, dir_, base_;
    std::unique_ptr<DbfFile> dbf_;
    std::vector<std::unique_ptr<Tag>> tags_;
    std::vector<std::unique_ptr<Field>> fieldHandles_;
    Tag* selected_ = nullptr;
    std::string record_, original_;  // current image and its image as last read or written
    // original_ is still to be copied from record_, unchanged since it was read: a walk that only
    // reads copies each record once.
    bool originalStale_ = false;
    long recno_ = 0;
    bool changed_ = false;
    bool pendingAppend_ = false;  // recno_ is a new record not yet in the file
    bool tagSynced_ = false;      // the selected tag's cursor stands on the current record
    bool eof_ = true, bof_ = true;
    std::string keyA_, keyB_;  // scratch for tag maintenance: no allocation per record
    bool gathering_ = false;
    std::vector<NtxEntries> gathered_;  // by tag, while gathering
    long appendRun_ = 0;                // appends since anything else
};

// Inline: a report reads a few fields of every record.
inline const FieldDesc& Field::desc() const {
    return table_->fields()[index_];
}

inline std::string_view Field::raw() const {
    const FieldDesc& d = desc();
    return std::string_view(table_->record() + d.offset, d.length);
}

}  // namespace xb

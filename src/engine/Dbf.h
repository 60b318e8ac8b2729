// A dBASE III table file (.dbf): header, field descriptors, fixed-length records.
//
// Layout: a 32-byte header (version 0x03, date of last update YY MM DD, record count, header
// length, record length, language driver byte at 29: 0x57 marks Windows-1252), 32-byte field
// descriptors ended by 0x0D, then the records, each a deletion byte (' ' live, '*' deleted) and the
// field texts, then the end-of-file byte 0x1A. open() checks that the header agrees with the file:
// field widths that add up to the record length, a header length that covers the descriptors and
// lies inside the file, and records that the file holds; a file that disagrees fails with e4data
// and a message naming the file and the fault. A file longer than its records (another program's
// padding) is accepted; a record count beyond the file is not.
//
// Appends store the record, then the end-of-file byte, then the new count, through shared mappings
// of the file: once stored they are in the file (the kernel's cache of it) and survive the death of
// the process, and an append costs no system call. The room they are stored in is reserved ahead,
// with its blocks allocated, in steps of 1 MiB; closing gives back what no record took. A writer
// that dies leaves that room as zero bytes after the end-of-file byte, which readers ignore as
// they ignore other programs' padding. Where room cannot be reserved (a file system without block
// allocation, a full disk) an append writes with pwrite instead.
//
// Reads go through a bounded cache of aligned blocks of whole records, so that a scan, in record
// order or in the order of a tag whose records lie close together, costs one system call per block
// rather than one per record, and so that a region read again (one account after another over the
// same year) is read from memory. A read within 64 blocks (at most a quarter of the cache) of the
// block a scan read last reads its whole block too, since a walk in a date tag's order meets the
// records entered late there and reaches their block soon after. A read far from both reads that
// record alone, so random seeks read no wasted bytes. The cache holds what this handle wrote; it
// is not shared with other handles or processes, each of which sees the file as it was when it
// read it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Field.h"
#include "engine/Status.h"

namespace xb {

inline constexpr uint8_t kDbfVersion = 0x03;
inline constexpr uint8_t kCp1252Driver = 0x57;

class DbfFile {
  public:
    ~DbfFile();
    DbfFile(const DbfFile&) = delete;
    DbfFile& operator=(const DbfFile&) = delete;

    static Status open(const std::string& path, bool readOnly, std::unique_ptr<DbfFile>& out);
    // Writes a new file with no records; fails with e4create when overwrite is false and it exists.
    static Status create(const std::string& path, const std::vector<FieldDesc>& fields,
                         bool overwrite);
    // Field offsets and the record length for descriptors given by name, type, width, decimals.
    static Status layout(std::vector<FieldDesc>& fields, uint16_t& recordLength);

    const std::string& path() const { return path_; }
    // The open file now goes by path (it was renamed).
    void renamed(const std::string& path) { path_ = path; }
    const std::vector<FieldDesc>& fields() const { return fields_; }
    uint32_t recordCount() const { return count_; }
    uint16_t recordLength() const { return recLen_; }
    uint16_t headerLength() const { return hdrLen_; }
    uint8_t languageDriver() const { return driver_; }
    bool readOnly() const { return readOnly_; }

    // Record numbers count from 1. buf holds recordLength() bytes.
    Status read(uint32_t recno, char* buf);
    // For a pass in record order that does not come back (pack, index builds, record-order
    // walks): reads ahead through a window of its own and leaves the cache to what is read again.
    Status readInOrder(uint32_t recno, char* buf);
    // Reads count records from first on into buf, straight from the file: for passes that run
    // on threads beside one another (the parts of an index build or a pack), which share only
    // the file's descriptor. Safe to call from several threads while nothing changes the table.
    Status readRecords(uint32_t first, uint32_t count, char* buf) const;
    Status write(uint32_t recno, const char* buf);
    Status append(const char* buf, uint32_t& recno);

    // The header bytes (with the current count and today's date) and the image of a blank record.
    std::string headerImage() const;
    std::string blankRecord() const;

    // Writes the header (count and date) and the end-of-file byte when records were added or
    // changed since the last flush.
    Status flush();
    Status sync();  // flush(), then fsync
    Status close();

    // Asks the processor to bring recno's bytes closer when its block is cached: a walk through a
    // tag reads records scattered over the cache, and each read would otherwise wait on memory.
    void prefetch(uint32_t recno) const;

    // Records per cache block (default: as many as fill 32 KiB) and blocks kept at most
    // (default: 16 MiB worth). Drops what is cached.
    void setCache(size_t blockRecords, size_t blocks);

  private:
    DbfFile();
    Status fail(int code, const std::string& what) const;
    // The cache slot holding recno's block after reading it (or, for a read far from the
    // previous one, nullptr with the record alone in single_).
    Status fetch(uint32_t recno, const char*& record);
    size_t claimSlot();
    void releaseBlocks();  // the cache's blocks, to be used again by the next table opened
    Status storeCount(uint32_t count);  // the record count field of the file's header
    // Stores a record and the end-of-file byte at offset at through the mapped room past the end
    // of the records; false when no room can be mapped there (the caller then writes).
    bool appendMapped(const char* buf, uint64_t at);
    void releaseRoom();  // unmaps the room and gives back what no record took

    std::string path_;
    int fd_ = -1;
    bool readOnly_ = false;
    bool dirty_ = false;
    std::vector<FieldDesc> fields_;
    std::string header_;  // bytes of the header as read (descriptors kept for rewriting)
    uint32_t count_ = 0;
    uint16_t recLen_ = 0, hdrLen_ = 0;
    uint8_t driver_ = 0;
    char* headerMap_ = nullptr;  // the header's bytes mapped shared, or nullptr
    char* roomMap_ = nullptr;    // the file mapped shared from roomStart_, for appends
    uint64_t roomStart_ = 0, roomLength_ = 0;
    bool reserved_ = false;  // the file was made longer for room; it was sizeBefore_ long
    uint64_t sizeBefore_ = 0;
    std::string appendImage_;  // a record and the end-of-file byte, kept to avoid allocating
    struct Block {
        uint32_t number = 0;  // block number: records number*per+1 .. number*per+count
        uint32_t count = 0;   // records held; 0 when the slot is free
        bool referenced = false;
        std::unique_ptr<char[]> bytes;
    };
    std::vector<Block> blocks_;
    std::vector<uint32_t> slotOf_;  // slot + 1 of each block number that is cached, else 0
    uint32_t blockRecords_ = 0;
    size_t maxBlocks_ = 0;
    size_t hand_ = 0;                         // the clock hand that chooses the slot to reuse
    size_t lastSlot_ = SIZE_MAX;              // the slot that served the last read
    uint32_t lastMissBlock_ = UINT32_MAX;     // block of the last read that missed the cache
    uint32_t wholeBlock_ = UINT32_MAX;        // block last read whole: where a scan stands
    static constexpr size_t kScanReach = 64;  // blocks either side of it read whole, at most
    std::vector<char> single_;                // a record read alone
    std::vector<char> stream_;                // records streamFirst_.. of a pass in record order
    uint32_t streamFirst_ = 0, streamCount_ = 0;
    uint32_t singleRecno_ = 0;
};

}  // namespace xb

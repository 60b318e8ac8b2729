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
// Reads go through a small window of whole records so a scan costs no system call per record.
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
    const std::vector<FieldDesc>& fields() const { return fields_; }
    uint32_t recordCount() const { return count_; }
    uint16_t recordLength() const { return recLen_; }
    uint16_t headerLength() const { return hdrLen_; }
    uint8_t languageDriver() const { return driver_; }
    bool readOnly() const { return readOnly_; }

    // Record numbers count from 1. buf holds recordLength() bytes.
    Status read(uint32_t recno, char* buf);
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

    // Size of the read window in records (default: as many as fill 64 KiB).
    void setWindow(size_t records);

  private:
    DbfFile();
    Status fail(int code, const std::string& what) const;
    Status fill(uint32_t recno);
    Status storeCount(uint32_t count);  // the record count field of the file's header

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
    std::string appendImage_;    // a record and the end-of-file byte, kept to avoid allocating
    std::vector<char> window_;
    uint32_t winFirst_ = 0, winCount_ = 0, winCap_ = 0;
};

}  // namespace xb

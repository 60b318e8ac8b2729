#include "engine/Dbf.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "engine/Files.h"

namespace xb {

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kDescSize = 32;
constexpr size_t kBlockBytes = 32 * 1024;
constexpr size_t kCacheBytes = 16 * 1024 * 1024;
constexpr size_t kStreamBytes = 128 * 1024;
constexpr uint64_t kRoomBytes = 1024 * 1024;
constexpr char kTerminator = 0x0D;
constexpr char kEofByte = 0x1A;

uint16_t Get16(const char* p) {
    return static_cast<uint16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1])
                                                                        << 8);
}
uint32_t Get32(const char* p) {
    return static_cast<uint32_t>(static_cast<unsigned char>(p[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(p[3])) << 24;
}
void Put16(char* p, uint16_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
void Put32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutToday(char* header) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    header[1] = static_cast<char>(tm.tm_year % 256);
    header[2] = static_cast<char>(tm.tm_mon + 1);
    header[3] = static_cast<char>(tm.tm_mday);
}

// The record caches' blocks outlive the tables that read into them, up to what one cache holds:
// a report opens its tables anew, and memory given back to the system costs a fault and a cleared
// page for every 4 KiB when it is asked for again.
class BlockPool {
  public:
    std::unique_ptr<char[]> take(size_t bytes) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            // From the end: the blocks given back last are of the table read last.
            for (size_t i = free_.size(); i-- > 0;) {
                if (free_[i].first != bytes) continue;
                std::unique_ptr<char[]> block = std::move(free_[i].second);
                free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(i));
                held_ -= bytes;
                return block;
            }
            // A block of another table's size gives way to the new one: the pool and the caches
            // together hold no more than the caches would.
            if (!free_.empty()) {
                held_ -= free_.back().first;
                free_.pop_back();
            }
        }
        return std::unique_ptr<char[]>(new char[bytes]);
    }
    void give(std::unique_ptr<char[]> block, size_t bytes) {
        if (!block) return;
        const std::lock_guard<std::mutex> lock(mutex_);
        if (held_ + bytes > kCacheBytes) return;  // freed with block
        free_.emplace_back(bytes, std::move(block));
        held_ += bytes;
    }

  private:
    std::mutex mutex_;
    std::vector<std::pair<size_t, std::unique_ptr<char[]>>> free_;
    size_t held_ = 0;
};

BlockPool& Pool() {
    static BlockPool pool;
    return pool;
}

bool ValidName(const std::string& name) {
    if (name.empty() || name.size() > 10) return false;
    for (unsigned char c : name)
        if (c <= ' ' || c >= 0x7F) return false;
    return true;
}

}  // namespace

DbfFile::DbfFile() = default;

DbfFile::~DbfFile() {
    // A destructor has no one to tell of a failed sync; an owner that cares closes first.
    if (fd_ >= 0) (void)close();
    releaseBlocks();
}

void DbfFile::releaseBlocks() {
    const size_t bytes = static_cast<size_t>(blockRecords_) * recLen_;
    for (Block& b : blocks_) Pool().give(std::move(b.bytes), bytes);
    blocks_.clear();
}

Status DbfFile::fail(int code, const std::string& what) const {
    return Status::Error(code, path_ + ": " + what);
}

Status DbfFile::layout(std::vector<FieldDesc>& fields, uint16_t& recordLength) {
    if (fields.empty()) return Status::Error(e4parm, "a table needs at least one field");
    uint32_t offset = 1;
    for (auto& f : fields) {
        f.name = UpperAscii(f.name);
        if (!ValidName(f.name)) return Status::Error(e4parm, "bad field name '" + f.name + "'");
        switch (f.type) {
            case 'D':
                f.length = 8, f.decimals = 0;
                break;
            case 'L':
                f.length = 1, f.decimals = 0;
                break;
            case 'N':
                if (f.length < 1 || f.length > 20 || (f.decimals && f.decimals + 2 > f.length))
                    return Status::Error(e4parm, "bad width of numeric field " + f.name);
                break;
            default:
                if (f.length < 1 || f.length > 254)
                    return Status::Error(e4parm, "bad width of field " + f.name);
        }
        f.offset = offset;
        offset += f.length;
    }
    if (offset > 0xFFFF) return Status::Error(e4parm, "record too long");
    recordLength = static_cast<uint16_t>(offset);
    return Status::Ok();
}

Status DbfFile::create(const std::string& path, const std::vector<FieldDesc>& given,
                       bool overwrite) {
    std::vector<FieldDesc> fields = given;
    uint16_t recLen = 0;
    if (Status s = layout(fields, recLen); !s.ok())
        return Status::Error(s.code, path + ": " + s.message);
    DbfFile tmp;
    tmp.path_ = path;
    tmp.fields_ = fields;
    tmp.recLen_ = recLen;
    tmp.hdrLen_ = static_cast<uint16_t>(kHeaderSize + kDescSize * fields.size() + 1);
    tmp.driver_ = kCp1252Driver;
    std::string image = tmp.headerImage();
    image += kEofByte;

    // Written beside the target and renamed, so a half-written table never carries the name.
    return WriteBeside(
        path,
        [&](int fd, const std::string&) {
            Status s = WriteAt(fd, image.data(), image.size(), 0, path);
            return s.ok() ? s : Status::Error(e4create, s.message);
        },
        !overwrite);
}

std::string DbfFile::headerImage() const {
    std::string h(hdrLen_, '\0');
    h[0] = static_cast<char>(header_.empty() ? kDbfVersion : header_[0]);
    if (!header_.empty())
        h.replace(0, std::min<size_t>(header_.size(), hdrLen_), header_, 0,
                  std::min<size_t>(header_.size(), hdrLen_));
    PutToday(h.data());
    Put32(&h[4], count_);
    Put16(&h[8], hdrLen_);
    Put16(&h[10], recLen_);
    if (header_.empty()) {
        h[29] = static_cast<char>(driver_);
        size_t pos = kHeaderSize;
        for (const auto& f : fields_) {
            std::memcpy(&h[pos], f.name.data(), f.name.size());
            h[pos + 11] = f.type;
            h[pos + 16] = static_cast<char>(f.length & 0xFF);
            h[pos + 17] = static_cast<char>(f.type == 'C' ? (f.length >> 8) : f.decimals);
            pos += kDescSize;
        }
        h[pos] = kTerminator;
    }
    return h;
}

std::string DbfFile::blankRecord() const {
    return std::string(recLen_, ' ');
}

Status DbfFile::open(const std::string& path, bool readOnly, std::unique_ptr<DbfFile>& out) {
    std::unique_ptr<DbfFile> f(new DbfFile());
    f->path_ = path;
    f->readOnly_ = readOnly;
    f->fd_ = OpenFile(path, (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (f->fd_ < 0) return Status::Error(e4open, path + ": " + std::strerror(errno));
    uint64_t size = 0;
    if (Status s = FileSize(f->fd_, size, path); !s.ok()) return s;
    if (size < kHeaderSize + kDescSize + 1) return f->fail(e4data, "too short to be a dBASE table");

    char h[kHeaderSize];
    if (Status s = ReadAt(f->fd_, h, kHeaderSize, 0, path); !s.ok()) return s;
    unsigned char version = static_cast<unsigned char>(h[0]);
    // dBASE III and the later dBASE/FoxPro/Clipper variants keep the version in the low 3 bits
    // (or are FoxPro's 0x30 family); anything else is not a table.
    if (!((version & 0x07) == 0x03 || (version & 0x07) == 0x04 || version == 0x30 ||
          version == 0x31 || version == 0x32))
        return f->fail(e4data, "not a dBASE table (version byte " + std::to_string(version) + ")");
    f->count_ = Get32(h + 4);
    f->hdrLen_ = Get16(h + 8);
    f->recLen_ = Get16(h + 10);
    f->driver_ = static_cast<uint8_t>(h[29]);
    if (f->hdrLen_ < kHeaderSize + kDescSize + 1 || f->hdrLen_ > size)
        return f->fail(e4data, "header length " + std::to_string(f->hdrLen_) + " is impossible");
    if (f->recLen_ < 2) return f->fail(e4data, "record length is impossible");

    f->header_.resize(f->hdrLen_);
    if (Status s = ReadAt(f->fd_, f->header_.data(), f->hdrLen_, 0, path); !s.ok()) return s;
    uint32_t offset = 1;
    size_t pos = kHeaderSize;
    bool terminated = false;
    while (pos < f->hdrLen_) {
        if (f->header_[pos] == kTerminator) {
            terminated = true;
            break;
        }
        if (pos + kDescSize > f->hdrLen_) break;
        const char* d = &f->header_[pos];
        FieldDesc fd;
        fd.name.assign(d, strnlen(d, 11));
        fd.type = d[11];
        fd.length = static_cast<unsigned char>(d[16]);
        fd.decimals = static_cast<unsigned char>(d[17]);
        if (fd.type == 'C' && fd.decimals) {
            // Clipper stores character widths above 255 with the high byte in the decimals.
            fd.length = static_cast<uint16_t>(fd.length | fd.decimals << 8);
            fd.decimals = 0;
        }
        if (!ValidName(fd.name))
            return f->fail(e4data, "field descriptor " + std::to_string(f->fields_.size() + 1) +
                                       " has no valid name");
        if (fd.length == 0) return f->fail(e4data, "field " + fd.name + " has width 0");
        fd.offset = offset;
        offset += fd.length;
        f->fields_.push_back(std::move(fd));
        pos += kDescSize;
    }
    if (!terminated) return f->fail(e4data, "field descriptors are not terminated");
    if (f->fields_.empty()) return f->fail(e4data, "table has no fields");
    if (offset != f->recLen_)
        return f->fail(e4data, "field widths add up to " + std::to_string(offset) +
                                   " but the record length is " + std::to_string(f->recLen_));
    uint64_t need = f->hdrLen_ + static_cast<uint64_t>(f->count_) * f->recLen_;
    if (need > size)
        return f->fail(e4data, "header claims " + std::to_string(f->count_) +
                                   " records but the file holds " +
                                   std::to_string((size - f->hdrLen_) / f->recLen_));
    const size_t perBlock = std::max<size_t>(1, kBlockBytes / f->recLen_);
    f->setCache(perBlock, std::max<size_t>(1, kCacheBytes / (perBlock * f->recLen_)));
    if (!readOnly) {
        // The header is mapped so that an append can publish its new count without a second
        // system call; where mapping fails the count is written with pwrite instead.
        void* map = ::mmap(nullptr, kHeaderSize, PROT_READ | PROT_WRITE, MAP_SHARED, f->fd_, 0);
        if (map != MAP_FAILED) f->headerMap_ = static_cast<char*>(map);
    }
    out = std::move(f);
    return Status::Ok();
}

void DbfFile::setCache(size_t blockRecords, size_t blocks) {
    releaseBlocks();  // at the size they were made
    blockRecords_ = static_cast<uint32_t>(std::clamp<size_t>(blockRecords, 1, UINT32_MAX));
    maxBlocks_ = std::max<size_t>(1, blocks);
    blocks_.shrink_to_fit();
    slotOf_.clear();
    slotOf_.shrink_to_fit();
    hand_ = 0;
    lastSlot_ = SIZE_MAX;
    lastMissBlock_ = UINT32_MAX;
    wholeBlock_ = UINT32_MAX;
    singleRecno_ = 0;
}

size_t DbfFile::claimSlot() {
    if (blocks_.size() < maxBlocks_) {
        blocks_.emplace_back();
        blocks_.back().bytes = Pool().take(static_cast<size_t>(blockRecords_) * recLen_);
        return blocks_.size() - 1;
    }
    // Clock: a block read again since the hand last passed gets another round.
    for (;;) {
        Block& b = blocks_[hand_];
        const size_t slot = hand_;
        hand_ = (hand_ + 1) % blocks_.size();
        if (b.referenced) {
            b.referenced = false;
            continue;
        }
        if (b.count > 0) slotOf_[b.number] = 0;
        b.count = 0;
        return slot;
    }
}

void DbfFile::prefetch(uint32_t recno) const {
    if (recno < 1 || recno > count_ || blockRecords_ == 0) return;
    const uint32_t number = (recno - 1) / blockRecords_;
    if (number >= slotOf_.size() || slotOf_[number] == 0) return;
    const Block& b = blocks_[slotOf_[number] - 1];
    const uint32_t index = (recno - 1) % blockRecords_;
    if (index >= b.count) return;
    const uintptr_t from =
        reinterpret_cast<uintptr_t>(&b.bytes[static_cast<size_t>(index) * recLen_]);
    for (uintptr_t line = from & ~uintptr_t{63}; line < from + recLen_; line += 64)
        __builtin_prefetch(reinterpret_cast<const void*>(line));
}

Status DbfFile::fetch(uint32_t recno, const char*& record) {
    const uint32_t number = (recno - 1) / blockRecords_;
    const uint32_t index = (recno - 1) % blockRecords_;
    if (lastSlot_ < blocks_.size()) {
        const Block& b = blocks_[lastSlot_];
        if (b.count > index && b.number == number) {
            record = &b.bytes[static_cast<size_t>(index) * recLen_];
            return Status::Ok();
        }
    }
    if (number < slotOf_.size() && slotOf_[number] != 0) {
        Block& b = blocks_[slotOf_[number] - 1];
        if (b.count > index) {
            b.referenced = true;
            lastSlot_ = slotOf_[number] - 1;
            record = &b.bytes[static_cast<size_t>(index) * recLen_];
            return Status::Ok();
        }
    }
    if (singleRecno_ == recno) {
        record = single_.data();
        return Status::Ok();
    }
    // A read next to the last miss is part of a scan: the whole block is read and kept. So is a
    // read a little ahead of or behind the block a scan read last: a walk in a tag's order meets
    // the records entered late there, and reaches their block soon after. Any other read is a
    // random access through an index: just the record.
    const uint32_t reach = static_cast<uint32_t>(std::min<size_t>(kScanReach, maxBlocks_ / 4));
    const bool near =
        (lastMissBlock_ != UINT32_MAX &&
         (number == lastMissBlock_ || number == lastMissBlock_ + 1 ||
          number + 1 == lastMissBlock_)) ||
        (wholeBlock_ != UINT32_MAX &&
         (number > wholeBlock_ ? number - wholeBlock_ : wholeBlock_ - number) <= reach);
    lastMissBlock_ = number;
    if (!near) {
        single_.resize(recLen_);
        singleRecno_ = 0;
        if (Status s = ReadAt(fd_, single_.data(), recLen_,
                              hdrLen_ + static_cast<uint64_t>(recno - 1) * recLen_, path_);
            !s.ok())
            return s;
        singleRecno_ = recno;
        record = single_.data();
        return Status::Ok();
    }
    size_t slot;
    if (number < slotOf_.size() && slotOf_[number] != 0) {
        slot = slotOf_[number] - 1;  // held, but short of a record appended since
    } else {
        slot = claimSlot();
        if (slotOf_.size() <= number) slotOf_.resize(static_cast<size_t>(number) + 1, 0);
    }
    Block& b = blocks_[slot];
    const uint64_t first = static_cast<uint64_t>(number) * blockRecords_ + 1;
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(blockRecords_, count_ - first + 1));
    slotOf_[number] = 0;
    b.count = 0;
    if (Status s = ReadAt(fd_, b.bytes.get(), static_cast<size_t>(n) * recLen_,
                          hdrLen_ + (first - 1) * recLen_, path_);
        !s.ok())
        return s;
    b.number = number;
    b.count = n;
    b.referenced = false;
    slotOf_[number] = static_cast<uint32_t>(slot + 1);
    lastSlot_ = slot;
    wholeBlock_ = number;
    record = &b.bytes[static_cast<size_t>(index) * recLen_];
    return Status::Ok();
}

Status DbfFile::read(uint32_t recno, char* buf) {
    if (fd_ < 0) return fail(e4info, "file is closed");
    if (recno < 1 || recno > count_)
        return fail(e4read, "record " + std::to_string(recno) + " does not exist");
    const char* record = nullptr;
    if (Status s = fetch(recno, record); !s.ok()) return s;
    std::memcpy(buf, record, recLen_);
    return Status::Ok();
}

Status DbfFile::readInOrder(uint32_t recno, char* buf) {
    if (fd_ < 0) return fail(e4info, "file is closed");
    if (recno < 1 || recno > count_)
        return fail(e4read, "record " + std::to_string(recno) + " does not exist");
    if (recno < streamFirst_ || recno >= streamFirst_ + streamCount_) {
        const uint32_t n = static_cast<uint32_t>(
            std::min<uint64_t>(std::max<size_t>(1, kStreamBytes / recLen_), count_ - recno + 1));
        stream_.resize(static_cast<size_t>(n) * recLen_);
        streamCount_ = 0;
        if (Status s = ReadAt(fd_, stream_.data(), stream_.size(),
                              hdrLen_ + static_cast<uint64_t>(recno - 1) * recLen_, path_);
            !s.ok())
            return s;
        streamFirst_ = recno;
        streamCount_ = n;
    }
    std::memcpy(buf, &stream_[static_cast<size_t>(recno - streamFirst_) * recLen_], recLen_);
    return Status::Ok();
}

Status DbfFile::readRecords(uint32_t first, uint32_t count, char* buf) const {
    if (fd_ < 0) return fail(e4info, "file is closed");
    if (first < 1 || count > count_ || first - 1 > count_ - count)
        return fail(e4read, "records " + std::to_string(first) + " to " +
                                std::to_string(static_cast<uint64_t>(first) + count - 1) +
                                " do not exist");
    return ReadAt(fd_, buf, static_cast<size_t>(count) * recLen_,
                  hdrLen_ + static_cast<uint64_t>(first - 1) * recLen_, path_);
}

Status DbfFile::write(uint32_t recno, const char* buf) {
    if (fd_ < 0) return fail(e4info, "file is closed");
    if (readOnly_) return fail(e4write, "table is open read-only");
    if (recno < 1 || recno > count_)
        return fail(e4write, "record " + std::to_string(recno) + " does not exist");
    Status s =
        WriteAt(fd_, buf, recLen_, hdrLen_ + static_cast<uint64_t>(recno - 1) * recLen_, path_);
    if (!s.ok()) return s;
    const uint32_t number = (recno - 1) / blockRecords_;
    if (number < slotOf_.size() && slotOf_[number] != 0) {
        Block& b = blocks_[slotOf_[number] - 1];
        const uint32_t index = (recno - 1) % blockRecords_;
        if (index < b.count)
            std::memcpy(&b.bytes[static_cast<size_t>(index) * recLen_], buf, recLen_);
    }
    if (singleRecno_ == recno) std::memcpy(single_.data(), buf, recLen_);
    if (recno >= streamFirst_ && recno < streamFirst_ + streamCount_)
        std::memcpy(&stream_[static_cast<size_t>(recno - streamFirst_) * recLen_], buf, recLen_);
    dirty_ = true;
    return s;
}

Status DbfFile::append(const char* buf, uint32_t& recno) {
    if (fd_ < 0) return fail(e4info, "file is closed");
    if (readOnly_) return fail(e4write, "table is open read-only");
    if (count_ == UINT32_MAX) return fail(e4write, "table is full");
    // The record and the end-of-file byte go first and the count after, so a process that dies
    // between the two leaves a table that opens with its old count.
    uint64_t at = hdrLen_ + static_cast<uint64_t>(count_) * recLen_;
    if (!appendMapped(buf, at)) {
        releaseRoom();
        appendImage_.assign(buf, recLen_);
        appendImage_ += kEofByte;
        if (Status s = WriteAt(fd_, appendImage_.data(), appendImage_.size(), at, path_); !s.ok()) {
            // Leave no partial record behind the count (the file may have grown by a part of
            // it). The end-of-file byte stays where it was, so on a full disk putting it back
            // rewrites a byte the file has rather than asking for a new one.
            uint64_t size = 0;
            if (FileSize(fd_, size, path_).ok() && size > at + 1)
                (void)::ftruncate(fd_, static_cast<off_t>(at + 1));
            char eof = kEofByte;
            if (size > at) (void)WriteAt(fd_, &eof, 1, at, path_);
            return s;
        }
    }
    if (Status s = storeCount(count_ + 1); !s.ok()) return s;
    ++count_;
    recno = count_;
    // A cached block that ends just before the new record takes it in.
    const uint32_t number = (recno - 1) / blockRecords_;
    if (number < slotOf_.size() && slotOf_[number] != 0) {
        Block& b = blocks_[slotOf_[number] - 1];
        if (b.count == (recno - 1) % blockRecords_) {
            std::memcpy(&b.bytes[static_cast<size_t>(b.count) * recLen_], buf, recLen_);
            ++b.count;
        }
    }
    dirty_ = true;
    return Status::Ok();
}

bool DbfFile::appendMapped(const char* buf, uint64_t at) {
    const uint64_t end = at + recLen_ + 1;
    if (!roomMap_ || at < roomStart_ || end > roomStart_ + roomLength_) {
        if (roomMap_) ::munmap(roomMap_, roomLength_);
        roomMap_ = nullptr;
        static const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
        const uint64_t start = at / page * page;
        const uint64_t length = std::max(kRoomBytes, (end - start + page - 1) / page * page);
        uint64_t size = 0;
        if (!FileSize(fd_, size, path_).ok()) return false;
        if (!reserved_) sizeBefore_ = size;
        // Blocks are allocated under the whole window, also where the file already reaches (it
        // may hold holes), so that no store into it can meet a full disk.
        if (!ReserveSpace(fd_, start, start + length, path_).ok()) return false;
        if (start + length > size) reserved_ = true;
        void* map = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_,
                           static_cast<off_t>(start));
        if (map == MAP_FAILED) return false;
        roomMap_ = static_cast<char*>(map);
        roomStart_ = start;
        roomLength_ = length;
    }
    char* p = roomMap_ + (at - roomStart_);
    std::memcpy(p, buf, recLen_);
    p[recLen_] = kEofByte;
    return true;
}

void DbfFile::releaseRoom() {
    if (roomMap_) ::munmap(roomMap_, roomLength_);
    roomMap_ = nullptr;
    roomStart_ = roomLength_ = 0;
    if (!reserved_) return;
    reserved_ = false;
    const uint64_t end = hdrLen_ + static_cast<uint64_t>(count_) * recLen_ + 1;
    // Bytes another program left past the end are kept, as they would be without the room.
    (void)::ftruncate(fd_, static_cast<off_t>(std::max(end, sizeBefore_)));
}

Status DbfFile::storeCount(uint32_t count) {
    if (headerMap_) {
        // The mapped page is the file's page in the kernel's cache: once the store is done the
        // count is in the file and survives the death of the process. One aligned 32-bit store,
        // so a process killed at any instruction leaves the old count or the new one, never a
        // mix of their bytes.
        uint32_t little = count;
        if constexpr (std::endian::native == std::endian::big)
            little =
                (count >> 24) | ((count >> 8) & 0xFF00) | ((count << 8) & 0xFF0000) | (count << 24);
        std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t*>(headerMap_ + 4))
            .store(little, std::memory_order_release);
        return Status::Ok();
    }
    char cnt[4];
    Put32(cnt, count);
    return WriteAt(fd_, cnt, 4, 4, path_);
}

Status DbfFile::flush() {
    if (fd_ < 0 || readOnly_ || !dirty_) return Status::Ok();
    char h[kHeaderSize];
    if (Status s = ReadAt(fd_, h, kHeaderSize, 0, path_); !s.ok()) return s;
    PutToday(h);
    Put32(h + 4, count_);
    if (Status s = WriteAt(fd_, h, kHeaderSize, 0, path_); !s.ok()) return s;
    dirty_ = false;
    return Status::Ok();
}

Status DbfFile::sync() {
    if (Status s = flush(); !s.ok()) return s;
    if (fd_ < 0 || readOnly_) return Status::Ok();
    return SyncFd(fd_, path_);
}

Status DbfFile::close() {
    if (fd_ < 0) return Status::Ok();
    releaseRoom();
    Status s = sync();
    if (headerMap_) ::munmap(headerMap_, kHeaderSize);
    headerMap_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    return s;
}

}  // namespace xb

#include "data/AppendUndo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "data/Maintenance.h"
#include "data/Replacement.h"
#include "engine/Files.h"

namespace kvl {

namespace {

// The record's name in the staging directory; its presence means an append is unfinished.
constexpr const char* kRecordName = "APPEND";
constexpr const char* kRecordHead = "KVL-APPEND 1";
constexpr size_t kHeaderBytes = 32;

using TableState = AppendUndo::TableState;

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

int Nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool FromHex(const std::string& hex, std::string& out) {
    if (hex.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = Nibble(hex[i]), lo = Nibble(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

std::string RecordPath(const std::string& dir) {
    return xb::ResolvePath(dir, kStagingDir) + "/" + kRecordName;
}

QString SystemText(const std::string& what) {
    return QString::fromStdString(what + ": " + std::strerror(errno));
}

bool Capture(const TableLayout& table, TableState& state, QString* why) {
    const std::string path = xb::ResolvePath(".", table.fileName);
    const int fd = xb::OpenFile(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *why = SystemText("cannot open " + path);
        return false;
    }
    state.name = table.name;
    xb::Status s = xb::FileSize(fd, state.size, path);
    state.header.assign(static_cast<size_t>(std::min<uint64_t>(state.size, kHeaderBytes)), '\0');
    if (s.ok()) s = xb::ReadAt(fd, state.header.data(), state.header.size(), 0, path);
    char last = 0;
    if (s.ok() && state.size > 0) s = xb::ReadAt(fd, &last, 1, state.size - 1, path);
    state.lastByte = state.size > 0 ? static_cast<unsigned char>(last) : -1;
    ::close(fd);
    if (!s.ok()) *why = QString::fromStdString(s.message);
    return s.ok();
}

// The table file as it was: its length, its header's first bytes and its last byte.
xb::Status Restore(const std::string& path, const TableState& state) {
    const int fd = xb::OpenFile(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) return xb::Status::Error(xb::e4open, path + ": " + std::strerror(errno));
    xb::Status s = ::ftruncate(fd, static_cast<off_t>(state.size)) == 0
                       ? xb::Status::Ok()
                       : xb::Status::Error(xb::e4write, path + ": " + std::strerror(errno));
    if (s.ok()) s = xb::WriteAt(fd, state.header.data(), state.header.size(), 0, path);
    if (s.ok() && state.lastByte >= 0) {
        const char last = static_cast<char>(state.lastByte);
        s = xb::WriteAt(fd, &last, 1, state.size - 1, path);
    }
    if (s.ok()) s = xb::SyncFd(fd, path);
    ::close(fd);
    return s;
}

bool ReadRecord(const std::string& path, std::vector<TableState>& states) {
    std::string text;
    const int fd = xb::OpenFile(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    uint64_t size = 0;
    xb::Status s = xb::FileSize(fd, size, path);
    text.resize(static_cast<size_t>(size));
    if (s.ok()) s = xb::ReadAt(fd, text.data(), text.size(), 0, path);
    ::close(fd);
    std::istringstream in(text);
    std::string head;
    if (!s.ok() || !std::getline(in, head) || head != kRecordHead) return false;
    TableState state;
    std::string header;
    while (in >> state.name >> state.size >> header >> state.lastByte) {
        if (!FromHex(header, state.header) || !FindLayout(state.name)) return false;
        states.push_back(state);
    }
    return in.eof() && !states.empty();
}

// Every table as it was, and the record removed; false, with the record kept, on any failure.
bool RollBack(const std::string& dir, const std::vector<TableState>& states, QString* why) {
    for (const TableState& state : states) {
        const TableLayout& table = *FindLayout(state.name);
        const std::string path = xb::ResolvePath(dir, table.fileName);
        if (xb::Status s = Restore(path, state); !s.ok()) {
            if (why) *why = QString::fromStdString(s.message);
            return false;
        }
        if (!BuildIndexGroupAt(path, table, why)) return false;
    }
    const std::string record = RecordPath(dir);
    if (xb::RemoveFile(record) != 0) {
        if (why) *why = SystemText("cannot remove " + record);
        return false;
    }
    // Should a crash bring the record back for want of this sync, the roll-back only runs again.
    (void)xb::SyncDir(xb::ResolvePath(dir, kStagingDir));
    return true;
}

}  // namespace

bool AppendUndo::begin(const std::vector<const TableLayout*>& tables, QString* why) {
    std::vector<TableState>& states = states_;
    states.assign(tables.size(), TableState{});
    for (size_t i = 0; i < tables.size(); ++i)
        if (!Capture(*tables[i], states[i], why)) return false;
    std::ostringstream text;
    text << kRecordHead << '\n';
    for (const TableState& s : states)
        text << s.name << ' ' << s.size << ' ' << Hex(s.header) << ' ' << s.lastByte << '\n';
    const std::string body = text.str();
    const std::string staging = xb::ResolvePath(".", kStagingDir);
    if (::mkdir(staging.c_str(), 0755) != 0 && errno != EEXIST) {
        *why = SystemText("cannot create the directory " + staging);
        return false;
    }
    const xb::Status s = xb::WriteBeside(RecordPath("."), [&](int fd, const std::string& tmp) {
        return xb::WriteAt(fd, body.data(), body.size(), 0, tmp);
    });
    if (!s.ok()) {
        *why = QString::fromStdString(s.message);
        ::rmdir(staging.c_str());
        return false;
    }
    active_ = true;
    return true;
}

bool AppendUndo::commit(QString* why) {
    const std::string staging = xb::ResolvePath(".", kStagingDir);
    if (xb::RemoveFile(RecordPath(".")) != 0) {
        *why = SystemText("cannot remove " + RecordPath("."));
        return false;
    }
    active_ = false;
    // The removal is the commit: once it is on disk, a crash keeps the records.
    // Syncing the directories is the best that can be done here: the records are already in
    // place, and a failure to make the removal durable has nothing left to undo.
    (void)xb::SyncDir(staging);
    ::rmdir(staging.c_str());
    (void)xb::SyncDir(".");
    return true;
}

bool AppendUndo::rollBack(QString* why) {
    if (!active_) return true;
    if (!RollBack(".", states_, why)) return false;
    active_ = false;
    ::rmdir(xb::ResolvePath(".", kStagingDir).c_str());
    return true;
}

bool RollBackInterruptedAppend(const std::string& dir, QString* why) {
    const std::string record = RecordPath(dir);
    if (!xb::FileExists(record)) return true;
    std::vector<TableState> states;
    if (!ReadRecord(record, states)) {
        if (why) *why = QString::fromStdString("the undo record " + record + " cannot be read");
        return false;
    }
    return RollBack(dir, states, why);
}

}  // namespace kvl

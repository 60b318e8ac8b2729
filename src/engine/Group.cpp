#include "engine/Group.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/Files.h"

namespace xb {

namespace {
constexpr size_t kMaxTags = 47;
constexpr uint64_t kMaxGroupBytes = 64 * 1024;

bool ValidTagName(const std::string& n) {
    if (n.empty() || n.size() > 10) return false;
    for (unsigned char c : n)
        if (c <= ' ' || c >= 0x7F || c == '/' || c == '\\') return false;
    return true;
}
}  // namespace

Status ReadGroup(const std::string& path, std::vector<std::string>& tags) {
    tags.clear();
    int fd = OpenFile(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::Error(e4open, path + ": " + std::strerror(errno));
    uint64_t size = 0;
    Status s = FileSize(fd, size, path);
    std::string text;
    if (s.ok() && size > kMaxGroupBytes)
        s = Status::Error(e4index, path + ": group file is too large");
    if (s.ok()) {
        text.resize(size);
        s = ReadAt(fd, text.data(), text.size(), 0, path);
    }
    ::close(fd);
    if (!s.ok()) return s;

    size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (first) {
            if (line != kGroupSignature)
                return Status::Error(e4index, path + ": not an index group file");
            first = false;
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        if (!ValidTagName(line))
            return Status::Error(e4index, path + ": bad tag name '" + line + "'");
        if (tags.size() == kMaxTags) return Status::Error(e4index, path + ": too many tags");
        tags.push_back(line);
    }
    if (first) return Status::Error(e4index, path + ": not an index group file");
    return Status::Ok();
}

Status WriteGroup(const std::string& path, const std::vector<std::string>& tags) {
    if (tags.size() > kMaxTags) return Status::Error(e4create, path + ": too many tags");
    std::string text = std::string(kGroupSignature) + "\n";
    for (const auto& t : tags) {
        if (!ValidTagName(t)) return Status::Error(e4create, path + ": bad tag name '" + t + "'");
        text += t + "\n";
    }
    return WriteBeside(path, [&](int fd, const std::string&) {
        return WriteAt(fd, text.data(), text.size(), 0, path);
    });
}

}  // namespace xb

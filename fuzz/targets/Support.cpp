#include "targets/Support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "targets/Targets.h"

namespace kvlfuzz {

namespace {

std::string MakeScratch() {
    // tmpfs where there is one: the targets write files on every input, and sync them.
    std::filesystem::path base = "/dev/shm";
    std::error_code ec;
    if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
    std::string pattern = (base / "kvl-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("kvl fuzz: cannot make a scratch directory");
        std::abort();
    }
    return pattern;
}

void RemoveScratch() {
    std::error_code ec;
    std::filesystem::remove_all(ScratchDir(), ec);
}

}  // namespace

const std::string& ScratchDir() {
    // Never destroyed, so that RemoveScratch can still read it when the program ends.
    static const std::string* dir = [] {
        auto* d = new std::string(MakeScratch());
        std::atexit(RemoveScratch);
        return d;
    }();
    return *dir;
}

void Require(bool cond, const char* what) {
    if (cond) return;
    std::fprintf(stderr, "kvl fuzz: the engine contradicted itself: %s\n", what);
    std::abort();
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return ::close(fd) == 0;
}

bool ReadFile(const std::string& path, std::string& out) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace kvlfuzz

#include "Raw.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "Measure.h"
#include "engine/Files.h"

namespace bench {

namespace {

uint32_t Get32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// "  1234.56" as cents, without a library call.
int64_t ParseCents(const char* p, size_t n) {
    int64_t v = 0;
    bool negative = false;
    for (size_t i = 0; i < n; ++i) {
        const char c = p[i];
        if (c >= '0' && c <= '9')
            v = v * 10 + (c - '0');
        else if (c == '-')
            negative = true;
    }
    return negative ? -v : v;
}

}  // namespace

double RawRead(const std::string& file, TableTotals& totals) {
    totals = {};
    Stopwatch clock;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("raw read: " + file + ": " + std::strerror(errno));
    struct stat st;
    ::fstat(fd, &st);
    const size_t size = static_cast<size_t>(st.st_size);
    std::unique_ptr<char[]> bytes(new char[size]);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, bytes.get() + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    const auto* u = reinterpret_cast<const unsigned char*>(bytes.get());
    if (got < 32) throw std::runtime_error("raw read: " + file + " is too short");
    const uint32_t count = Get32(u + 4);
    const size_t header = u[8] | u[9] << 8, length = u[10] | u[11] << 8;
    // The amount field's offset and width from the descriptors.
    size_t offset = 1, amountAt = 0, amountLen = 0;
    for (size_t d = 32; d + 32 <= header && u[d] != 0x0D; d += 32) {
        const size_t width = u[d + 16];
        if (std::strncmp(bytes.get() + d, "AMOUNT", 11) == 0) amountAt = offset, amountLen = width;
        offset += width;
    }
    if (amountLen == 0 || header + static_cast<size_t>(count) * length > got)
        throw std::runtime_error("raw read: " + file + " is not the expense table");
    const char* record = bytes.get() + header;
    int64_t cents = 0;
    for (uint32_t r = 0; r < count; ++r, record += length)
        cents += ParseCents(record + amountAt, amountLen);
    totals.records = count;
    totals.cents = cents;
    return clock.seconds();
}

double WriteFloor(const std::vector<std::string>& files) {
    uint64_t bytes = 0;
    for (const std::string& f : files) {
        struct stat st;
        if (::stat(xb::ResolvePath(".", f).c_str(), &st) != 0)
            throw std::runtime_error("floor: cannot examine " + f + ": " + std::strerror(errno));
        bytes += static_cast<uint64_t>(st.st_size);
    }
    std::unique_ptr<char[]> data(new char[bytes]);
    std::memset(data.get(), 'x', bytes);
    const char* const name = "floor.tmp";
    Stopwatch clock;
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error(std::string("floor: cannot create ") + name);
    uint64_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(fd, data.get() + done, bytes - done);
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error(std::string("floor: cannot write ") + name);
        }
        done += static_cast<uint64_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    const double seconds = clock.seconds();
    ::unlink(name);
    if (!synced) throw std::runtime_error(std::string("floor: cannot sync ") + name);
    return seconds;
}

}  // namespace bench

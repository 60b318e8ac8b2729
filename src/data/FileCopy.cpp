#include "data/FileCopy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/Files.h"

namespace kvl {

namespace {

constexpr size_t kChunk = 256 * 1024;

}  // namespace

bool IsDiskFull(int error) {
    return error == ENOSPC || error == EDQUOT;
}

bool IsWriteProtected(int error) {
    return error == EROFS || error == EACCES || error == EPERM;
}

bool CopyFileReplacing(const std::string& from, const std::string& to, CopyFailure* failure) {
    const int in = xb::OpenFile(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        const int err = errno;
        if (failure) *failure = {err, "cannot read " + from + ": " + std::strerror(err)};
        return false;
    }
    // The errno of a failed read or write, taken before anything else can change it.
    int error = 0;
    const xb::Status s = xb::WriteBeside(to, [&](int out, const std::string&) {
        std::vector<char> buffer(kChunk);
        for (uint64_t offset = 0;;) {
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = errno;
                return xb::Status::Error(xb::e4read,
                                         "cannot read " + from + ": " + std::strerror(error));
            }
            if (n == 0) return xb::Status::Ok();
            if (xb::Status w = xb::WriteAt(out, buffer.data(), static_cast<size_t>(n), offset, to);
                !w.ok()) {
                error = errno;
                return w;
            }
            offset += static_cast<uint64_t>(n);
        }
    });
    if (!s.ok() && error == 0) error = errno;
    ::close(in);
    if (!s.ok() && failure) *failure = {error, s.message};
    return s.ok();
}

}  // namespace kvl

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

bool Fail(CopyFailure* failure, int error, const std::string& message) {
    if (failure) *failure = CopyFailure{error, message};
    return false;
}

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
        return Fail(failure, err, "cannot read " + from + ": " + std::strerror(err));
    }
    const std::string tmp = xb::TempPathFor(to);
    const int out = xb::OpenFile(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return Fail(failure, err, "cannot create " + to + ": " + std::strerror(err));
    }
    std::vector<char> buffer(kChunk);
    uint64_t offset = 0;
    int error = 0;
    std::string message;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            message = "cannot read " + from + ": " + std::strerror(error);
            break;
        }
        if (n == 0) break;
        if (xb::Status s = xb::WriteAt(out, buffer.data(), static_cast<size_t>(n), offset, to);
            !s) {
            error = errno;
            message = s.message;
            break;
        }
        offset += static_cast<uint64_t>(n);
    }
    if (message.empty()) {
        if (xb::Status s = xb::SyncFd(out, to); !s) {
            error = errno;
            message = s.message;
        }
    }
    ::close(in);
    if (::close(out) != 0 && message.empty()) {
        error = errno;
        message = "cannot write " + to + ": " + std::strerror(error);
    }
    if (!message.empty()) {
        xb::RemoveFile(tmp);
        return Fail(failure, error, message);
    }
    if (xb::Status s = xb::ReplaceFile(tmp, to); !s) return Fail(failure, errno, s.message);
    return true;
}

}  // namespace kvl

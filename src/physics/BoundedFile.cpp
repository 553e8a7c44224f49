// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoundedFile.h"

#include "FixtureError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavrol::physics {

namespace {

std::string Reason(int errorNumber) {
    std::string reason = std::strerror(errorNumber);
    while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) {
        reason.pop_back();
    }
    return reason;
}

// Why a file of this kind cannot be read as a text file, or empty when it can.
std::string KindRefusal(const struct stat& status, const std::string& what) {
    if (S_ISREG(status.st_mode)) {
        return "";
    }
    if (S_ISDIR(status.st_mode)) {
        return "the " + what + " is a folder, not a file";
    }
    if (S_ISFIFO(status.st_mode)) {
        return "the " + what + " is a pipe, not a regular file";
    }
    if (S_ISSOCK(status.st_mode)) {
        return "the " + what + " is a socket, not a regular file";
    }
    return "the " + what + " is a device, not a regular file";
}

std::string SizeRefusal(const std::string& what, std::size_t cap) {
    return "the " + what + " is larger than the " + std::to_string(cap) + " bytes allowed";
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::string BoundedFile::Read(const std::string& path, const std::string& what, std::size_t cap) {
    // The kind is judged before opening, so that no device is opened at all, and again on the
    // open file, which may have been swapped meanwhile.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        throw FixtureError("cannot open the " + what + ": " + Reason(errno));
    }
    if (std::string refusal = KindRefusal(status, what); !refusal.empty()) {
        throw FixtureError(refusal);
    }
    // Without O_NONBLOCK a pipe swapped in after the check would wait for a writer forever.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        throw FixtureError("cannot open the " + what + ": " + Reason(errno));
    }
    if (::fstat(file.get(), &status) != 0) {
        throw FixtureError("cannot read the " + what + ": " + Reason(errno));
    }
    if (std::string refusal = KindRefusal(status, what); !refusal.empty()) {
        throw FixtureError(refusal);
    }
    if (status.st_size < 0 || static_cast<std::size_t>(status.st_size) > cap) {
        throw FixtureError(SizeRefusal(what, cap));
    }
    // One byte more than the cap is asked for, to notice a file that grew since fstat.
    std::string bytes(static_cast<std::size_t>(status.st_size) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() > cap) {
                throw FixtureError(SizeRefusal(what, cap));
            }
            bytes.resize(std::min(cap + 1, bytes.size() * 2));
        }
        const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw FixtureError("cannot read the " + what + ": " + Reason(errno));
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace kavrol::physics

// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a file whole. Sections: following links to the file written; the temporary file;
// writing; putting the file in place.

#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace kavrol {

namespace {

// Bytes buffered before a write to the system; a whole BMP row of the widest picture fits.
constexpr std::size_t BufferSize = 1 << 16;
// Links followed before giving up with ELOOP, as the system itself does.
constexpr int MaxLinks = 40;

// --- Following links to the file written ---

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links from path to the name the data goes to. Returns 0 and fills info (and
// exists) or the error number of the first step that fails; a missing last name is no error.
int FollowLinks(std::string path, std::string& target, struct stat& info, bool& exists) {
    for (int links = 0; links <= MaxLinks; ++links) {
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return errno;
            exists = false;
            target = path;
            return 0;
        }
        if (!S_ISLNK(info.st_mode)) {
            exists = true;
            target = path;
            return 0;
        }
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096), '\0');
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length < 0)
            return errno;
        link.resize(static_cast<std::size_t>(length));
        path = !link.empty() && link.front() == '/' ? link : FolderOf(path) + link;
    }
    return ELOOP;
}

// --- The temporary file ---

// The temporary files that exist, for RemoveTemporaryFilesNow(). A slot is free (0), being
// filled or emptied (1) or holds a name the handler may remove (2); a name that does not fit, or
// a ninth file at once, is simply not removed by a signal.
constexpr int Slots = 8;
constexpr std::size_t SlotBytes = 4096;
struct Slot {
    std::atomic<int> state{0};
    char path[SlotBytes];
};
Slot slots[Slots];
static_assert(std::atomic<int>::is_always_lock_free, "the slots are read in a signal handler");

int Remember(const std::string& path) {
    if (path.size() >= SlotBytes)
        return -1;
    for (int i = 0; i < Slots; ++i) {
        int free = 0;
        if (slots[i].state.compare_exchange_strong(free, 1)) {
            std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
            slots[i].state.store(2);
            return i;
        }
    }
    return -1;
}

void Forget(int slot) {
    if (slot < 0)
        return;
    slots[slot].state.store(1);
    slots[slot].state.store(0);
}

std::string RandomSuffix() {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::string suffix;
    for (int i = 0; i < 8; ++i)
        suffix += Letters[device() % (sizeof Letters - 1)];
    return suffix;
}

// The temporary name of a file named `base` in its folder: ".BASE-XXXXXXXX.tmp", the base cut
// to 64 bytes so that a name near the system's length limit still has one.
std::string TemporaryName(const std::string& base) {
    return "." + base.substr(0, 64) + "-" + RandomSuffix() + ".tmp";
}

// Whether `entry` is a temporary name of `base` as TemporaryName makes them.
bool IsTemporaryNameOf(const std::string& entry, const std::string& base) {
    const std::string head = "." + base.substr(0, 64) + "-";
    constexpr std::size_t SuffixLength = 8;
    if (entry.size() != head.size() + SuffixLength + 4 ||
        entry.compare(0, head.size(), head) != 0 || entry.compare(entry.size() - 4, 4, ".tmp") != 0)
        return false;
    for (std::size_t i = head.size(); i < head.size() + SuffixLength; ++i)
        if (!((entry[i] >= 'a' && entry[i] <= 'z') || (entry[i] >= '0' && entry[i] <= '9')))
            return false;
    return true;
}

// Temporary files of `base` older than this were left by a save that was killed outright.
constexpr std::time_t StaleSeconds = 24 * 60 * 60;

// Removes the temporary files of `base` in `folder` left by saves killed a day or more ago
// (a kill that cannot be handled leaves one where unnamed files are not to be had). Younger
// ones may belong to a save still running and stay.
void RemoveStaleTemporaryFiles(const std::string& folder, const std::string& base) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!IsTemporaryNameOf(name, base))
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && now - info.st_mtime >= StaleSeconds)
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

// An unnamed file in `folder` (O_TMPFILE), or -1 where the system or the file system has none,
// or where it could not be given a name later (linkat goes through /proc/self/fd).
int OpenUnnamed(const std::string& folder) {
    if (::access("/proc/self/fd", X_OK) != 0)
        return -1;
    return ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

} // namespace

AtomicFile::AtomicFile(const std::string& path, Existing existing)
    : path_(path), existing_(existing) {
    // The system answers an empty name with ENOENT and would cut a name at a NUL character.
    if (path.empty())
        fail(FileError::Stage::Create, ENOENT);
    if (path.find('\0') != std::string::npos)
        fail(FileError::Stage::Create, EINVAL);
    struct stat info {};
    bool exists = false;
    if (existing == Existing::Keep) {
        // Any entry takes the name, a dangling link too: nothing is followed.
        if (::lstat(path.c_str(), &info) == 0) {
            taken_ = true;
            return;
        }
        if (errno != ENOENT)
            fail(FileError::Stage::Create, errno);
        target_ = path;
    } else if (const int error = FollowLinks(path, target_, info, exists); error != 0) {
        fail(FileError::Stage::Create, error);
    }
    if (exists && S_ISDIR(info.st_mode))
        fail(FileError::Stage::Create, EISDIR);
    if (exists && !S_ISREG(info.st_mode)) {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0)
            fail(FileError::Stage::Create, errno);
        return;
    }
    if (exists) {
        // The file must be writable to be replaced, as it must to be rewritten.
        const int probe = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (probe < 0)
            fail(FileError::Stage::Create, errno);
        ::close(probe);
    }
    const std::string folder = FolderOf(target_);
    const std::string base = target_.substr(folder.size());
    RemoveStaleTemporaryFiles(folder, base);
    // An unnamed file vanishes with the program however it ends, even by SIGKILL; it gets its
    // name only when complete.
    fd_ = OpenUnnamed(folder);
    unnamed_ = fd_ >= 0;
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temporary_ = folder + TemporaryName(base);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
            const int error = errno;
            temporary_.clear();
            fail(FileError::Stage::Create, error);
        }
    }
    if (!unnamed_)
        slot_ = Remember(temporary_);
    if (exists) {
        // The owner first: changing it clears the set-user-ID bits the mode then restores.
        [[maybe_unused]] const int owned = ::fchown(fd_, info.st_uid, info.st_gid);
        if (::fchmod(fd_, info.st_mode & 07777) != 0)
            fail(FileError::Stage::Create, errno);
    }
}

AtomicFile::~AtomicFile() {
    if (!committed_)
        discard();
}

// --- Writing ---

void AtomicFile::write(std::string_view bytes) {
    if (fd_ < 0)
        fail(FileError::Stage::Write, EBADF);
    buffer_.append(bytes);
    if (buffer_.size() >= BufferSize)
        flushBuffer();
}

void AtomicFile::flushBuffer() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(FileError::Stage::Write, n < 0 ? errno : EIO);
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

// --- Putting the file in place ---

bool AtomicFile::commit() {
    if (fd_ < 0)
        fail(FileError::Stage::Write, EBADF);
    flushBuffer();
    // A device or a pipe written in place has nothing to sync.
    const bool inPlace = !unnamed_ && temporary_.empty();
    if (!inPlace && ::fsync(fd_) != 0)
        fail(FileError::Stage::Write, errno);
    // An unnamed file kept from a name already taken is linked under the name itself.
    bool placed = false;
    if (unnamed_ && !nameUnnamedFile(placed))
        return false;
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        fail(FileError::Stage::Write, errno);
    if (inPlace) {
        committed_ = true;
        return true;
    }
    if (!placed && existing_ == Existing::Keep) {
        int moved =
            ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE);
        // File systems without that rename still make a hard link only under a free name.
        if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
            moved = ::link(temporary_.c_str(), target_.c_str());
            if (moved == 0)
                ::unlink(temporary_.c_str());
        }
        if (moved != 0 && errno == EEXIST) {
            discard();
            taken_ = true;
            return false;
        }
        if (moved != 0)
            fail(FileError::Stage::Create, errno);
    } else if (!placed && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail(FileError::Stage::Create, errno);
    }
    Forget(slot_);
    slot_ = -1;
    temporary_.clear();
    committed_ = true;
    // The rename itself reaches the disk with the folder; a folder that cannot be synced (some
    // file systems refuse) still holds the whole file.
    const std::string folder = FolderOf(target_);
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// Gives the complete unnamed file a name. With Existing::Keep that is the target itself (a
// link is never made over a name that exists) and `placed` becomes true; otherwise a temporary
// name, which commit() renames over the target. False when Keep was asked and the name was
// taken meanwhile.
bool AtomicFile::nameUnnamedFile(bool& placed) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (existing_ == Existing::Keep) {
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno != EEXIST)
                fail(FileError::Stage::Create, errno);
            discard();
            taken_ = true;
            return false;
        }
        unnamed_ = false;
        placed = true;
        return true;
    }
    const std::string folder = FolderOf(target_);
    const std::string base = target_.substr(folder.size());
    for (int attempt = 0;; ++attempt) {
        temporary_ = folder + TemporaryName(base);
        // Known to the signal handler before it exists, so that it is never missed.
        slot_ = Remember(temporary_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            break;
        const int error = errno;
        Forget(slot_);
        slot_ = -1;
        temporary_.clear();
        if (error != EEXIST || attempt == 100)
            fail(FileError::Stage::Create, error);
    }
    unnamed_ = false;
    return true;
}

void AtomicFile::discard() noexcept {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    Forget(slot_);
    slot_ = -1;
    temporary_.clear();
}

void AtomicFile::RemoveTemporaryFilesNow() noexcept {
    for (Slot& slot : slots)
        if (slot.state.load() == 2)
            ::unlink(slot.path);
}

void AtomicFile::fail(FileError::Stage stage, int errorNumber) {
    discard();
    throw FileError(stage, path_, errorNumber);
}

void WriteFileWhole(const std::string& path, const std::function<void(AtomicFile&)>& fill) {
    AtomicFile file(path);
    fill(file);
    file.commit();
}

void WriteFileWhole(const std::string& path, std::string_view bytes) {
    WriteFileWhole(path, [bytes](AtomicFile& file) { file.write(bytes); });
}

} // namespace kavrol

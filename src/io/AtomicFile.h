// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileError.h"

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace kavrol {

// A file replaced whole or not at all. The bytes go to a temporary file in the same folder,
// which commit() flushes to the disk and renames over the name; until then, and after any
// failure, the old file stays untouched and the temporary file is removed again. Where the
// file system allows, the temporary file is unnamed (O_TMPFILE) until it is complete, so that
// even a kill that cannot be handled leaves nothing behind; elsewhere such a kill can leave a
// ".NAME-XXXXXXXX.tmp" file, which the next save of NAME removes once it is a day old.
//
// Symbolic links are followed: the file they lead to is replaced and the link stays. A file that
// is replaced keeps its mode and, where the system allows, its owner (hard links to the old file
// keep the old content). A name that is a device or a pipe (/dev/null, a FIFO) is written in
// place, since there is no file to replace. Failures throw FileError naming the asked path.
class AtomicFile {
public:
    // What commit() does when the name is taken.
    enum class Existing { Replace, Keep };

    // Checks the name and creates the temporary file. With Existing::Keep and a name already
    // taken (by anything, a dangling link too) nothing is created and taken() is true.
    explicit AtomicFile(const std::string& path, Existing existing = Existing::Replace);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends bytes; throws FileError (Stage::Write) when the system refuses them.
    void write(std::string_view bytes);

    // Flushes, syncs and puts the file in place. Returns false, writing nothing, when
    // Existing::Keep was asked and the name was taken meanwhile.
    bool commit();

    bool taken() const { return taken_; }
    const std::string& path() const { return path_; }
    // The temporary file's name while it has one (empty when written in place or while the
    // file is unnamed); for tests.
    const std::string& temporaryPath() const { return temporary_; }
    // Whether the bytes go to an unnamed file; for tests.
    bool unnamed() const { return unnamed_; }

    // Removes every temporary file that exists now, the old files staying as they are. Safe in
    // a signal handler (it only calls unlink), for a signal that is about to end the program.
    static void RemoveTemporaryFilesNow() noexcept;

private:
    void flushBuffer();
    bool nameUnnamedFile(bool& placed);
    void discard() noexcept;
    [[noreturn]] void fail(FileError::Stage stage, int errorNumber);

    std::string path_;      // as asked, for messages
    std::string target_;    // the name the data goes to, links followed
    std::string temporary_; // empty when writing in place
    Existing existing_;
    int fd_ = -1;
    bool taken_ = false;
    bool unnamed_ = false; // an O_TMPFILE file, with no name yet
    bool committed_ = false;
    int slot_ = -1; // where the temporary file's name is known to RemoveTemporaryFilesNow()
    std::string buffer_;
};

// Writes a whole file through AtomicFile: fill receives the file to write into; the file is
// committed when fill returns and left untouched when it throws.
void WriteFileWhole(const std::string& path, const std::function<void(AtomicFile&)>& fill);
void WriteFileWhole(const std::string& path, std::string_view bytes);

} // namespace kavrol

// SPDX-License-Identifier: GPL-3.0-or-later
// Files replaced whole or not at all: the new content appears under the name only when it is
// complete, a failure leaves the old file and no temporary file, links are written through and
// the old file's mode is kept.

#include "AtomicFile.h"

#include "CliRun.h"
#include "ScratchFolder.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using kavrol::AtomicFile;
using kavrol::FileError;
using kavrol::WriteFileWhole;
using kavrol::test::Slurp;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    kavrol::test::ScratchFolder scratch_{"kavrol-atomic"};
    const fs::path dir_ = scratch_.path();

    // The names in the folder, sorted: no temporary file may be left among them.
    std::vector<std::string> Names() const { return scratch_.names(); }

    // The message of a write that must fail, or "written".
    static std::string Failure(const std::string& path, const std::string& bytes) {
        try {
            WriteFileWhole(path, bytes);
        } catch (const FileError& e) {
            return e.what();
        }
        return "written";
    }
};

TEST_F(AtomicFileTest, ReplacesTheFileWholeAndKeepsItsMode) {
    const fs::path target = dir_ / "a.csv";
    std::ofstream(target) << "old";
    ::chmod(target.c_str(), 0640);
    WriteFileWhole(target.string(), "new content");
    EXPECT_EQ(Slurp(target), "new content");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(Names(), std::vector<std::string>{"a.csv"});

    // A new file gets the mode the umask leaves, as any created file does.
    const mode_t previous = ::umask(027);
    WriteFileWhole((dir_ / "b.csv").string(), "b");
    ::umask(previous);
    ASSERT_EQ(::stat((dir_ / "b.csv").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(AtomicFileTest, NothingAppearsUnderTheNameBeforeTheCommit) {
    const fs::path target = dir_ / "rows.csv";
    std::ofstream(target) << "old rows";
    AtomicFile file(target.string());
    file.write(std::string(200000, 'x'));
    EXPECT_EQ(Slurp(target), "old rows");
    // The temporary file is unnamed where the file system allows, else named in the folder.
    if (file.unnamed()) {
        EXPECT_EQ(Names(), std::vector<std::string>{"rows.csv"});
    } else {
        ASSERT_FALSE(file.temporaryPath().empty());
        EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), dir_);
    }
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(Slurp(target), std::string(200000, 'x'));
    EXPECT_EQ(Names(), std::vector<std::string>{"rows.csv"});
}

// A failure before the commit, from the writer or from the system, keeps the old file.
TEST_F(AtomicFileTest, AFailureKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const fs::path target = dir_ / "kept.bmp";
    std::ofstream(target) << "old picture";
    EXPECT_THROW(WriteFileWhole(target.string(),
                                [](AtomicFile& file) {
                                    file.write("half");
                                    throw std::runtime_error("the writer gave up");
                                }),
                 std::runtime_error);
    EXPECT_EQ(Slurp(target), "old picture");
    EXPECT_EQ(Names(), std::vector<std::string>{"kept.bmp"});
    {
        AtomicFile abandoned(target.string());
        abandoned.write("never committed");
    }
    EXPECT_EQ(Slurp(target), "old picture");
    EXPECT_EQ(Names(), std::vector<std::string>{"kept.bmp"});

    // A file size limit makes the system refuse the bytes part-way, as a full disk does.
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string message = Failure(target.string(), std::string(300000, 'y'));
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message, "cannot write '" + target.string() + "': File too large");
    EXPECT_EQ(Slurp(target), "old picture");
    EXPECT_EQ(Names(), std::vector<std::string>{"kept.bmp"});
}

TEST_F(AtomicFileTest, LinksAreWrittenThroughAndStayLinks) {
    fs::create_directory(dir_ / "real");
    const fs::path target = dir_ / "real" / "lamp.bmp";
    std::ofstream(target) << "old";
    fs::create_symlink("real/lamp.bmp", dir_ / "link.bmp");
    fs::create_symlink(dir_ / "link.bmp", dir_ / "chain.bmp");
    WriteFileWhole((dir_ / "chain.bmp").string(), "through two links");
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.bmp"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "chain.bmp"));
    EXPECT_EQ(Slurp(target), "through two links");
    // A dangling link creates the file it names, as writing through it always did.
    fs::create_symlink("real/new.bmp", dir_ / "dangling.bmp");
    WriteFileWhole((dir_ / "dangling.bmp").string(), "new");
    EXPECT_EQ(Slurp(dir_ / "real" / "new.bmp"), "new");
    EXPECT_EQ(Names(), (std::vector<std::string>{"chain.bmp", "dangling.bmp", "link.bmp", "real"}));
}

TEST_F(AtomicFileTest, EachRefusalNamesTheFileAndTheSystemsReason) {
    const fs::path plain = dir_ / "plain";
    std::ofstream(plain) << "x";
    fs::create_directory(dir_ / "folder");
    fs::create_symlink(dir_ / "loop", dir_ / "loop");
    struct Case {
        std::string path;
        std::string message;
    };
    const std::string missing = (dir_ / "missing" / "a.csv").string();
    const std::vector<Case> cases = {
        {missing, "cannot create '" + missing + "': No such file or directory"},
        {(plain / "a.csv").string(),
         "cannot create '" + (plain / "a.csv").string() + "': Not a directory"},
        {(dir_ / "folder").string(),
         "cannot create '" + (dir_ / "folder").string() + "': Is a directory"},
        {(dir_ / "loop").string(),
         "cannot create '" + (dir_ / "loop").string() + "': Too many levels of symbolic links"},
        {(dir_ / std::string(256, 'n')).string(),
         "cannot create '" + (dir_ / std::string(256, 'n')).string() + "': File name too long"},
        {"", "cannot create '': No such file or directory"},
        {"/dev/full", "cannot write '/dev/full': No space left on device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.path == "/dev/full" && !fs::exists("/dev/full"))
            continue;
        EXPECT_EQ(Failure(c.path, "bytes"), c.message);
    }
    EXPECT_EQ(Slurp(plain), "x");
    EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "loop", "plain"}));
    // A name 250 bytes long leaves room for no longer temporary name, and needs none.
    const fs::path nearLimit = dir_ / std::string(250, 'm');
    EXPECT_EQ(Failure(nearLimit.string(), "fits"), "written");
    EXPECT_EQ(Slurp(nearLimit), "fits");
}

// Existing::Keep puts the file in place only under a free name; any entry takes it.
TEST_F(AtomicFileTest, KeepWritesOnlyUnderAFreeName) {
    const fs::path taken = dir_ / "Kavrol.bmp";
    std::ofstream(taken) << "first";
    AtomicFile refused(taken.string(), AtomicFile::Existing::Keep);
    EXPECT_TRUE(refused.taken());
    fs::create_symlink(dir_ / "nowhere", dir_ / "dangling.bmp");
    EXPECT_TRUE(AtomicFile((dir_ / "dangling.bmp").string(), AtomicFile::Existing::Keep).taken());

    // A file made meanwhile is not replaced either.
    const fs::path racing = dir_ / "Kavrol-2.bmp";
    AtomicFile late(racing.string(), AtomicFile::Existing::Keep);
    ASSERT_FALSE(late.taken());
    late.write("second");
    std::ofstream(racing) << "made meanwhile";
    EXPECT_FALSE(late.commit());
    EXPECT_EQ(Slurp(racing), "made meanwhile");
    EXPECT_EQ(Slurp(taken), "first");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kavrol-2.bmp", "Kavrol.bmp", "dangling.bmp"}));
}

// No leftovers: a save killed outright (SIGKILL, which no handler sees) leaves nothing where
// the file system has unnamed files, and temporary files a day old are removed by the next
// save of the same name elsewhere; younger ones, and other names', stay.
TEST_F(AtomicFileTest, NoTemporaryFileOutlivesAKilledSave) {
    const fs::path target = dir_ / "big.bmp";
    std::ofstream(target) << "old";
    const struct {
        const char* name;
        int ageHours;
        bool removed;
    } leftovers[] = {
        {".big.bmp-abcd1234.tmp", 25, true},    // a day old: a killed save's
        {".big.bmp-abcd5678.tmp", 1, false},    // may be a save still running
        {".other.bmp-abcd1234.tmp", 48, false}, // another name's
        {".big.bmp-ABCD1234.tmp", 48, false},   // not a name this program makes
        {".big.bmp-abcd12345.tmp", 48, false},
    };
    for (const auto& l : leftovers) {
        std::ofstream(dir_ / l.name) << "left";
        const struct timespec times[2] = {{::time(nullptr) - l.ageHours * 3600, 0},
                                          {::time(nullptr) - l.ageHours * 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (dir_ / l.name).c_str(), times, 0), 0);
    }
    WriteFileWhole(target.string(), "new");
    EXPECT_EQ(Slurp(target), "new");
    for (const auto& l : leftovers)
        EXPECT_EQ(fs::exists(dir_ / l.name), !l.removed) << l.name;
    for (const auto& l : leftovers)
        fs::remove(dir_ / l.name);

    const int probe = ::open(dir_.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "no unnamed files on this file system";
    ::close(probe);
    for (const bool keep : {false, true}) {
        const fs::path name = keep ? dir_ / "new.bmp" : target;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            AtomicFile file(name.string(),
                            keep ? AtomicFile::Existing::Keep : AtomicFile::Existing::Replace);
            file.write(std::string(1 << 20, 'x'));
            ::raise(SIGKILL);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << keep;
        EXPECT_EQ(Names(), std::vector<std::string>{"big.bmp"}) << keep;
        EXPECT_EQ(Slurp(target), "new");
    }
}

} // namespace

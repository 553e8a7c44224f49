// Saving the picture when the file system says no: each failure gives the exact message, writes
// nothing under the asked name, leaves the work image as it was, and a second save to a good
// place succeeds afterwards. Checked for PictureFile::save and for kavrol-cli --save.

#include "OpticalModel.h"
#include "PictureFile.h"

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QString>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using kavrol::BuildInputs;
using kavrol::OpticalModel;
using kavrol::SaveError;
namespace PictureFile = kavrol::PictureFile;

namespace {

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Sets or clears the immutable attribute, which refuses writes even to root. False when the
// file system or the process's capabilities do not allow it.
bool SetImmutable(const fs::path& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs kavrol-cli with exactly these arguments (no shell in between, so any bytes pass).
CliRun Cli(const std::vector<std::string>& args, const fs::path& scratch) {
    const fs::path out = scratch / "cli.out";
    const fs::path err = scratch / "cli.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv{KAVROL_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_t pid = 0;
    CliRun run;
    if (posix_spawn(&pid, KAVROL_CLI_PATH, &actions, nullptr, raw.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = Slurp(out);
    run.err = Slurp(err);
    return run;
}

class SaveFailure : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kavrol-save-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        model_.PaintRef(BuildInputs{});
        before_ = model_.workImage().pixels();
    }
    void TearDown() override {
        for (const fs::path& p : immutable_)
            SetImmutable(p, false);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    QString Q(const fs::path& p) const { return QString::fromStdString(p.string()); }

    // The message of a save that must fail, or "saved" when it did not.
    std::string SaveMessage(const QString& path) {
        try {
            PictureFile::save(model_.workImage(), path);
        } catch (const SaveError& e) {
            return e.what();
        }
        return "saved";
    }

    // What every failed save must leave: the work image as it was, and a good save that works.
    void ExpectUnchangedAndSavableAgain() {
        EXPECT_EQ(model_.workImage().pixels(), before_);
        const fs::path good = dir_ / "again.bmp";
        ASSERT_NO_THROW(PictureFile::save(model_.workImage(), Q(good)));
        QImage back(Q(good));
        ASSERT_FALSE(back.isNull());
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32),
                  PictureFile::toImage(model_.workImage()));
        fs::remove(good);
    }

    fs::path dir_;
    OpticalModel model_{96};
    std::vector<kavrol::Rgb> before_;
    std::vector<fs::path> immutable_;
};

TEST_F(SaveFailure, MissingFolderNamesTheFullPathAndTheSystemsReason) {
    const fs::path target = dir_ / "missing" / "scene.bmp";
    EXPECT_EQ(SaveMessage(Q(target)),
              "Cannot create file \"" + target.string() + "\". No such file or directory");
    EXPECT_FALSE(fs::exists(target));
    ExpectUnchangedAndSavableAgain();
}

TEST_F(SaveFailure, RelativeNameIsReportedWithTheWorkingDirectoryJoinedToIt) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Q(dir_)));
    const std::string message = SaveMessage(QStringLiteral("missing/scene.bmp"));
    QDir::setCurrent(previous);
    EXPECT_EQ(message, "Cannot create file \"" + (dir_ / "missing" / "scene.bmp").string() +
                           "\". No such file or directory");
    ExpectUnchangedAndSavableAgain();
}

TEST_F(SaveFailure, FolderThatIsARegularFileIsNotADirectory) {
    const fs::path file = dir_ / "plain";
    std::ofstream(file) << "not a folder";
    const fs::path target = file / "scene.bmp";
    EXPECT_EQ(SaveMessage(Q(target)),
              "Cannot create file \"" + target.string() + "\". Not a directory");
    EXPECT_EQ(Slurp(file), "not a folder");
    ExpectUnchangedAndSavableAgain();
}

TEST_F(SaveFailure, NameOfAnExistingFolderIsADirectory) {
    const fs::path target = dir_ / "folder.bmp";
    fs::create_directory(target);
    EXPECT_EQ(SaveMessage(Q(target)),
              "Cannot create file \"" + target.string() + "\". Is a directory");
    EXPECT_TRUE(fs::is_directory(target));
    ExpectUnchangedAndSavableAgain();
}

TEST_F(SaveFailure, NameComponentLongerThan255BytesIsTooLong) {
    const fs::path target = dir_ / (std::string(256, 'n') + ".bmp");
    EXPECT_EQ(SaveMessage(Q(target)),
              "Cannot create file \"" + target.string() + "\". File name too long");
    ExpectUnchangedAndSavableAgain();
}

TEST_F(SaveFailure, SymbolicLinkLoopIsRefused) {
    fs::create_symlink(dir_ / "loop", dir_ / "loop");
    const fs::path target = dir_ / "loop";
    EXPECT_EQ(SaveMessage(Q(target)),
              "Cannot create file \"" + target.string() + "\". Too many levels of symbolic links");
    ExpectUnchangedAndSavableAgain();
}

TEST_F(SaveFailure, NameWithANulCharacterIsRefusedInsteadOfWritingAShorterName) {
    const QString target = Q(dir_ / "scene") + QChar(0) + QStringLiteral("x.bmp");
    EXPECT_EQ(SaveMessage(target), "Cannot create file \"" + (dir_ / "scene").string() +
                                       "\xEF\xBF\xBDx.bmp\". Invalid argument");
    EXPECT_TRUE(fs::is_empty(dir_));
    ExpectUnchangedAndSavableAgain();
}

TEST_F(SaveFailure, EmptyNameHasNoSuchFile) {
    EXPECT_EQ(SaveMessage(QString()), "Cannot create file \"\". No such file or directory");
    ExpectUnchangedAndSavableAgain();
}

// Root writes through permission bits, so a read-only file is made immutable when running as
// root; the system then answers EPERM instead of EACCES.
TEST_F(SaveFailure, ReadOnlyFileKeepsItsContent) {
    const fs::path target = dir_ / "kept.bmp";
    std::ofstream(target) << "old content";
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::string reason = "Permission denied";
    if (::geteuid() == 0) {
        if (!SetImmutable(target, true))
            GTEST_SKIP() << "running as root without a way to make a file immutable";
        immutable_.push_back(target);
        reason = "Operation not permitted";
    }
    EXPECT_EQ(SaveMessage(Q(target)), "Cannot create file \"" + target.string() + "\". " + reason);
    EXPECT_EQ(Slurp(target), "old content");
    ExpectUnchangedAndSavableAgain();
}

TEST_F(SaveFailure, FolderThatCannotBeWrittenCreatesNothing) {
    const fs::path folder = dir_ / "locked";
    fs::create_directory(folder);
    std::string reason = "Permission denied";
    if (::geteuid() == 0) {
        if (!SetImmutable(folder, true))
            GTEST_SKIP() << "running as root without a way to make a folder immutable";
        immutable_.push_back(folder);
        reason = "Operation not permitted";
    } else {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const fs::path target = folder / "scene.bmp";
    EXPECT_EQ(SaveMessage(Q(target)), "Cannot create file \"" + target.string() + "\". " + reason);
    if (::geteuid() != 0)
        fs::permissions(folder, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(target));
    ExpectUnchangedAndSavableAgain();
}

// The device accepts the open and refuses every write: the whole picture does not fit.
TEST_F(SaveFailure, FullDeviceIsAStreamWriteError) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(SaveMessage(QStringLiteral("/dev/full")), "Stream write error");
    ExpectUnchangedAndSavableAgain();
}

// A picture small enough to sit in the write buffer fails only when it is flushed; that too is
// a write error, not a success.
TEST_F(SaveFailure, FullDeviceFailsAlsoForAPictureThatFitsTheBuffer) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    OpticalModel tiny(1);
    tiny.PaintRef(BuildInputs{});
    ASSERT_LT(tiny.workImage().width() * tiny.workImage().height() * 3, 4096);
    EXPECT_THROW(
        {
            try {
                PictureFile::save(tiny.workImage(), QStringLiteral("/dev/full"));
            } catch (const SaveError& e) {
                EXPECT_STREQ(e.what(), "Stream write error");
                throw;
            }
        },
        SaveError);
}

TEST_F(SaveFailure, NameFromBytesKeepsValidNamesAndRefusesOthers) {
    EXPECT_EQ(PictureFile::nameFromBytes("/tmp/Лампа.bmp"), QStringLiteral("/tmp/Лампа.bmp"));
    try {
        PictureFile::nameFromBytes("/tmp/x\xff.bmp");
        FAIL() << "a name that is not valid UTF-8 was accepted";
    } catch (const SaveError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"/tmp/x\xEF\xBF\xBD.bmp\". "
                                         "Invalid or incomplete multibyte or wide character");
    }
}

// The command line reports a failed save on stderr with status 1 and prints no efficiency, as
// if nothing had been built; a second run to a good place writes the picture.
TEST_F(SaveFailure, CommandLineReportsEachFailureAndNoSuccess) {
    const fs::path plain = dir_ / "plain";
    std::ofstream(plain) << "x";
    const fs::path folder = dir_ / "folder.bmp";
    fs::create_directory(folder);
    struct Case {
        std::string path;
        std::string message;
    };
    std::vector<Case> cases = {
        {(dir_ / "missing" / "a.bmp").string(), "Cannot create file \"" +
                                                    (dir_ / "missing" / "a.bmp").string() +
                                                    "\". No such file or directory"},
        {(plain / "a.bmp").string(),
         "Cannot create file \"" + (plain / "a.bmp").string() + "\". Not a directory"},
        {folder.string(), "Cannot create file \"" + folder.string() + "\". Is a directory"},
        {(dir_ / (std::string(300, 'n') + ".bmp")).string(),
         "Cannot create file \"" + (dir_ / (std::string(300, 'n') + ".bmp")).string() +
             "\". File name too long"},
        {(dir_ / "x\xff.bmp").string(),
         "Cannot create file \"" + (dir_ / "x\xEF\xBF\xBD.bmp").string() +
             "\". Invalid or incomplete multibyte or wide character"},
    };
    if (fs::exists("/dev/full"))
        cases.push_back({"/dev/full", "Stream write error"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const CliRun run = Cli({"--save", c.path}, dir_);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "kavrol-cli: " + c.message + "\n");
    }
    // Nothing but the files made above and the runner's own output exists in the folder.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"cli.err", "cli.out", "folder.bmp", "plain"}));

    const fs::path good = dir_ / "good.bmp";
    const CliRun ok = Cli({"--save", good.string()}, dir_);
    EXPECT_EQ(ok.status, 0);
    EXPECT_NE(ok.out.find("Efficiency: "), std::string::npos);
    QImage back(Q(good));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), PictureFile::toImage(model_.workImage()));
}

} // namespace

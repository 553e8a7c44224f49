// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the picture when the file system says no: each failure gives the exact message, writes
// nothing under the asked name, leaves the work image as it was, and a second save to a good
// place succeeds afterwards. Checked for PictureFile::save and for kavrol-cli --save.

#include "CliRun.h"
#include "Immutable.h"
#include "OpticalModel.h"
#include "PictureFile.h"
#include "ScratchFolder.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using kavrol::BuildInputs;
using kavrol::OpticalModel;
using kavrol::SaveError;
namespace PictureFile = kavrol::PictureFile;
using kavrol::test::Cli;
using kavrol::test::CliRun;
using kavrol::test::SetImmutable;
using kavrol::test::Slurp;

namespace {

class SaveFailure : public ::testing::Test {
protected:
    kavrol::test::ScratchFolder scratch_{"kavrol-save"};
    const fs::path dir_ = scratch_.path();

    void SetUp() override {
        model_.PaintRef(BuildInputs{});
        before_ = model_.workImage().pixels();
    }
    void TearDown() override {
        for (const fs::path& p : immutable_)
            SetImmutable(p, false);
    }

    QString Q(const fs::path& p) const { return QString::fromStdString(p.string()); }

    // The message of a save that must fail, or "saved" when it did not.
    std::string SaveMessage(const QString& path) { return SaveMessage(path, model_.workImage()); }
    static std::string SaveMessage(const QString& path, const kavrol::Canvas& canvas) {
        try {
            PictureFile::save(canvas, path, 96);
        } catch (const SaveError& e) {
            return e.what();
        }
        return "saved";
    }

    // What every failed save must leave: the work image as it was, and a good save that works.
    void ExpectUnchangedAndSavableAgain() {
        EXPECT_EQ(model_.workImage().pixels(), before_);
        const fs::path good = dir_ / "again.bmp";
        ASSERT_NO_THROW(PictureFile::save(model_.workImage(), Q(good), 96));
        QImage back(Q(good));
        ASSERT_FALSE(back.isNull());
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32),
                  PictureFile::toImage(model_.workImage()));
        fs::remove(good);
    }

    void ExpectRefused(const QString& path, const std::string& message) {
        SCOPED_TRACE(message);
        EXPECT_EQ(SaveMessage(path), message);
        ExpectUnchangedAndSavableAgain();
    }

    OpticalModel model_{96};
    std::vector<kavrol::Rgb> before_;
    std::vector<fs::path> immutable_;
};

TEST_F(SaveFailure, EachRefusalNamesTheFullPathAndTheSystemsReason) {
    const std::string cannot = "Cannot create file \"";
    // A NUL character is refused instead of writing a shorter name.
    ExpectRefused(Q(dir_ / "scene") + QChar(0) + QStringLiteral("x.bmp"),
                  cannot + (dir_ / "scene").string() + "\xEF\xBF\xBDx.bmp\". Invalid argument");
    EXPECT_TRUE(fs::is_empty(dir_));

    const fs::path missing = dir_ / "missing" / "scene.bmp";
    ExpectRefused(Q(missing), cannot + missing.string() + "\". No such file or directory");
    EXPECT_FALSE(fs::exists(missing));
    // A relative name is reported with the working directory joined to it.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Q(dir_)));
    ExpectRefused(QStringLiteral("missing/scene.bmp"),
                  cannot + missing.string() + "\". No such file or directory");
    QDir::setCurrent(previous);
    ExpectRefused(QString(), "Cannot create file \"\". No such file or directory");

    const fs::path plain = dir_ / "plain";
    std::ofstream(plain) << "not a folder";
    ExpectRefused(Q(plain / "scene.bmp"),
                  cannot + (plain / "scene.bmp").string() + "\". Not a directory");
    EXPECT_EQ(Slurp(plain), "not a folder");

    const fs::path folder = dir_ / "folder.bmp";
    fs::create_directory(folder);
    ExpectRefused(Q(folder), cannot + folder.string() + "\". Is a directory");
    EXPECT_TRUE(fs::is_directory(folder));

    const fs::path longName = dir_ / (std::string(256, 'n') + ".bmp");
    ExpectRefused(Q(longName), cannot + longName.string() + "\". File name too long");

    const fs::path loop = dir_ / "loop";
    fs::create_symlink(loop, loop);
    ExpectRefused(Q(loop), cannot + loop.string() + "\". Too many levels of symbolic links");
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
    ExpectRefused(Q(target), "Cannot create file \"" + target.string() + "\". " + reason);
    EXPECT_EQ(Slurp(target), "old content");
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

// The device accepts the open and refuses every write: the whole picture does not fit. A picture
// small enough to sit in the write buffer fails only when it is flushed; that too is a write
// error, not a success.
TEST_F(SaveFailure, FullDeviceIsAStreamWriteError) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    ExpectRefused(QStringLiteral("/dev/full"), "Stream write error");
    OpticalModel tiny(1);
    tiny.PaintRef(BuildInputs{});
    ASSERT_LT(tiny.workImage().width() * tiny.workImage().height() * 3, 4096);
    EXPECT_EQ(SaveMessage(QStringLiteral("/dev/full"), tiny.workImage()), "Stream write error");
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
    // The command line names the file and the reason where the window says "Stream write error".
    if (fs::exists("/dev/full")) {
        fs::create_symlink("/dev/full", dir_ / "full.bmp");
        cases.push_back({(dir_ / "full.bmp").string(), "Cannot write file \"" +
                                                           (dir_ / "full.bmp").string() +
                                                           "\". No space left on device"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const CliRun run = Cli({"--save", c.path}, dir_);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "kavrol-cli: " + c.message + "\n");
    }
    // Nothing but the files made above exists in the folder.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    names.erase(std::remove(names.begin(), names.end(), "full.bmp"), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder.bmp", "plain"}));

    const fs::path good = dir_ / "good.bmp";
    const CliRun ok = Cli({"--save", good.string()}, dir_);
    EXPECT_EQ(ok.status, 0);
    EXPECT_NE(ok.out.find("Efficiency: "), std::string::npos);
    QImage back(Q(good));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), PictureFile::toImage(model_.workImage()));
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Writing whole or not at all: the refusals name the file and the system's reason, a write that
// fails part-way leaves the old file as it was and no temporary behind, devices are written in
// place and never replaced.
#include "WholeFile.h"
#include "PictureFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using kavrol::SaveError;
namespace WholeFile = kavrol::WholeFile;

std::string Refusal(const QString& path, const QByteArray& bytes = "x") {
    try {
        WholeFile::write(path, bytes);
    } catch (const SaveError& e) {
        return e.what();
    }
    return "written";
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class WholeFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QStringList entries() const {
        return QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QTemporaryDir dir_;
};

TEST_F(WholeFileTest, WritesAndReplacesWholeFiles) {
    WholeFile::write(path(QStringLiteral("a.csv")), "first");
    EXPECT_EQ(Read(path(QStringLiteral("a.csv"))), "first");
    WholeFile::write(path(QStringLiteral("a.csv")), "second, longer");
    EXPECT_EQ(Read(path(QStringLiteral("a.csv"))), "second, longer");
    EXPECT_EQ(entries(), QStringList{QStringLiteral("a.csv")});
}

TEST_F(WholeFileTest, RefusalsNameTheFullPathAndTheSystemsReason) {
    const QString cannot = QStringLiteral("Cannot create file \"%1\". %2");
    QDir(dir_.path()).mkdir(QStringLiteral("folder.svg"));
    QFile plain(path(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const std::vector<std::pair<QString, QString>> cases = {
        {path(QStringLiteral("missing/x.png")), QStringLiteral("No such file or directory")},
        {path(QStringLiteral("folder.svg")), QStringLiteral("Is a directory")},
        {path(QStringLiteral("plain/x.png")), QStringLiteral("Not a directory")},
        {QString(), QStringLiteral("No such file or directory")},
    };
    for (const auto& [name, reason] : cases) {
        const QString full = name.isEmpty() ? QDir::currentPath() : name;
        EXPECT_EQ(Refusal(name),
                  cannot.arg(name.isEmpty() ? QString() : full, reason).toStdString());
    }
    const QString withNul = path(QStringLiteral("a")) + QChar(0) + QStringLiteral("b.png");
    EXPECT_EQ(Refusal(withNul),
              cannot
                  .arg(path(QStringLiteral("a")) + QChar(QChar::ReplacementCharacter) +
                           QStringLiteral("b.png"),
                       QStringLiteral("Invalid argument"))
                  .toStdString());
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("folder.svg"), QStringLiteral("plain")}));
}

// The file size limit makes every write past it fail with EFBIG, as a full disk fails with
// ENOSPC: the old file must stay whole and no temporary file may be left.
TEST_F(WholeFileTest, AWriteFailingPartWayKeepsTheOldFileAndLeavesNoTemporary) {
    const QString target = path(QStringLiteral("chart.svg"));
    WholeFile::write(target, "old content");
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string message = Refusal(target, QByteArray(100000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(message, "Stream write error: \"" + target.toStdString() + "\". File too large");
    EXPECT_EQ(Read(target), "old content");
    EXPECT_EQ(entries(), QStringList{QStringLiteral("chart.svg")});
}

TEST_F(WholeFileTest, DevicesAreWrittenInPlaceAndStayDevices) {
    WholeFile::write(QStringLiteral("/dev/null"), "discarded");
    struct stat info {};
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        EXPECT_EQ(Refusal(QStringLiteral("/dev/full"), QByteArray(100000, 'x')),
                  "Stream write error: \"/dev/full\". No space left on device");
    }
}

} // namespace

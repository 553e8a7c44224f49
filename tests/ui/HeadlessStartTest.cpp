// SPDX-License-Identifier: GPL-3.0-or-later
// The program started without a display: it builds the default design and writes its picture
// under a name that replaces no file.
#include "OpticalModel.h"
#include "PictureFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QByteArray UsersPicture("the user's own picture, not to be replaced");

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(content), content.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

const kavrol::Canvas& defaultPicture() {
    static const std::unique_ptr<kavrol::OpticalModel> model = [] {
        auto built = std::make_unique<kavrol::OpticalModel>(96);
        built->PaintRef(kavrol::BuildInputs{});
        return built;
    }();
    return model->workImage();
}

struct ProgramRun {
    int exitCode = -1;
    bool crashed = true;
    QString output;
    QString errors;
};

// Runs the real program in folder with every variable that names a display removed; its standard
// output goes to outputFile when one is given.
ProgramRun runWithoutDisplay(const QString& folder, const QString& outputFile = QString(),
                             const QStringList& arguments = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(folder);
    if (!outputFile.isEmpty())
        program.setStandardOutputFile(outputFile);
    program.start(QStringLiteral(KAVROL_PROGRAM_PATH), arguments);
    ProgramRun run;
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.crashed = program.exitStatus() != QProcess::NormalExit;
    run.exitCode = program.exitCode();
    run.output = QString::fromLocal8Bit(program.readAllStandardOutput());
    run.errors = QString::fromLocal8Bit(program.readAllStandardError());
    return run;
}

// The plain name of an empty folder is checked through the program's own start.
TEST(FreePictureName, TakenNamesAreSkippedAndKeptAsTheyWere) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDir dir(folder.path());
    writeFile(dir.filePath(QStringLiteral("Kavrol.bmp")), UsersPicture);
    writeFile(dir.filePath(QStringLiteral("Kavrol-3.bmp")), UsersPicture);
    // A folder and a link to nowhere take their names as much as a file does.
    ASSERT_TRUE(dir.mkdir(QStringLiteral("Kavrol-4.bmp")));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nowhere/picture.bmp")),
                            dir.filePath(QStringLiteral("Kavrol-5.bmp"))));

    const auto save = [&] {
        return kavrol::PictureFile::saveUnderFreeName(defaultPicture(), dir,
                                                      QStringLiteral("Kavrol"), 96);
    };
    EXPECT_EQ(save(), QStringLiteral("Kavrol-2.bmp")) << "the first free name, not the next one";
    EXPECT_EQ(save(), QStringLiteral("Kavrol-6.bmp"));
    EXPECT_TRUE(readFile(dir.filePath(QStringLiteral("Kavrol.bmp"))) == UsersPicture);
    EXPECT_TRUE(readFile(dir.filePath(QStringLiteral("Kavrol-3.bmp"))) == UsersPicture);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("nowhere/picture.bmp"))))
        << "the link was not followed";
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("Kavrol-2.bmp")), "BMP").size(), QSize(820, 820));
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("Kavrol-6.bmp")), "BMP").size(), QSize(820, 820));
}

TEST(FreePictureName, AFolderThatCannotBeWrittenIsReported) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDir missing(folder.filePath(QStringLiteral("no-such-folder")));
    try {
        kavrol::PictureFile::saveUnderFreeName(defaultPicture(), missing, QStringLiteral("Kavrol"),
                                               96);
        FAIL() << "a missing folder must not be written";
    } catch (const kavrol::SaveError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  QStringLiteral("Cannot create file \"%1\". No such file or directory")
                      .arg(missing.filePath(QStringLiteral("Kavrol.bmp"))));
    }
}

TEST(HeadlessStart, WritesKavrolBmpAndThenTheNextFreeNameReplacingNothing) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const ProgramRun first = runWithoutDisplay(folder.path());
    ASSERT_FALSE(first.crashed);
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_TRUE(first.output.contains(QStringLiteral("Picture written to Kavrol.bmp\n")))
        << first.output.toStdString();
    const QString saved = folder.filePath(QStringLiteral("Kavrol.bmp"));
    EXPECT_EQ(QImage(saved, "BMP").size(), QSize(820, 820));

    // A second start keeps the existing Kavrol.bmp as it was.
    const QByteArray firstPicture = readFile(saved);
    const ProgramRun second = runWithoutDisplay(folder.path());
    ASSERT_FALSE(second.crashed);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.output.contains(QStringLiteral("Picture written to Kavrol-2.bmp\n")))
        << second.output.toStdString();
    EXPECT_TRUE(readFile(saved) == firstPicture) << "Kavrol.bmp was replaced";
    EXPECT_EQ(QImage(folder.filePath(QStringLiteral("Kavrol-2.bmp")), "BMP").size(),
              QSize(820, 820));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 2);
}

// A report that cannot be written is a failure: the picture is written, the exit status is 1.
TEST(HeadlessStart, AFullDiskOnStandardOutputIsAFailure) {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const ProgramRun run = runWithoutDisplay(folder.path(), QStringLiteral("/dev/full"));
    ASSERT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.endsWith(
        QStringLiteral("kavrol: cannot write standard output: No space left on device\n")))
        << run.errors.toStdString();
}

// --help and --version answer before the start without a display would build its picture: they
// print, write no file, and a report that cannot be written is still a failure.
TEST(HeadlessStart, HelpAndVersionPrintAndWriteNoFile) {
    const struct {
        const char* argument;
        const char* firstLine;
    } cases[] = {{"--help", "Usage: kavrol [Qt options]"},
                 {"-h", "Usage: kavrol [Qt options]"},
                 {"--version", "kavrol (Kavrol) " KAVROL_PROJECT_VERSION}};
    for (const auto& c : cases) {
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const QStringList arguments{QString::fromLatin1(c.argument)};
        const ProgramRun run = runWithoutDisplay(folder.path(), QString(), arguments);
        ASSERT_FALSE(run.crashed) << c.argument;
        EXPECT_EQ(run.exitCode, 0) << c.argument;
        EXPECT_EQ(run.output.section(QLatin1Char('\n'), 0, 0), QString::fromUtf8(c.firstLine));
        EXPECT_TRUE(run.errors.isEmpty()) << run.errors.toStdString();
        EXPECT_TRUE(QDir(folder.path()).isEmpty()) << c.argument << " wrote a file";
        if (QFile::exists(QStringLiteral("/dev/full"))) {
            const ProgramRun full =
                runWithoutDisplay(folder.path(), QStringLiteral("/dev/full"), arguments);
            EXPECT_EQ(full.exitCode, 1) << c.argument;
        }
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The shape pictures shipped with the program: the executable's own folder, then share/kavrol/
// beside its bin/ folder, stand in after the working directory. These tests put pictures there
// for a moment, so they run from a folder of their own and one at a time.
#include "ShapeIllustration.h"
#include "WindowFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

using ShippedPicturesTest = WindowFixture;

QString installedFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/kavrol"));
}

TEST_F(ShippedPicturesTest, TheFoldersAreTheProgramsThenShareKavrolBesideItsBin) {
    EXPECT_EQ(kavrol::ShapeIllustration::shippedFolders(),
              (QStringList{QCoreApplication::applicationDirPath(), installedFolder()}));
}

TEST_F(ShippedPicturesTest, PicturesBesideTheProgramStandIn) {
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("ZeFo.bmp"));
    ASSERT_FALSE(QFile::exists(beside)) << "the test needs a folder without the pictures";
    ASSERT_TRUE(QFile::copy(QStringLiteral(KAVROL_RESOURCES_DIR "/ZeFo.bmp"), beside));
    auto window = makeWindow();
    auto* shapes = window->findChild<kavrol::CompletingComboBox*>(QStringLiteral("RefTypeBox"));
    ASSERT_NE(shapes, nullptr);
    shapes->setCurrentIndex(2);
    openAndClose(shapes);
    QFile::remove(beside);
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_EQ(shownIllustration(*window), resourcePicture(QStringLiteral("ZeFo.bmp")));
    EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("RefC"))->isEnabled());
}

TEST_F(ShippedPicturesTest, PicturesInShareKavrolStandIn) {
    const QString folder = installedFolder();
    const QString installed = QDir(folder).filePath(QStringLiteral("Трапеция.bmp"));
    ASSERT_FALSE(QFile::exists(installed)) << "the test needs a folder without the pictures";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KAVROL_RESOURCES_DIR "/Трапеция.bmp"), installed));
    auto window = makeWindow(96);
    auto* shapes = window->findChild<kavrol::CompletingComboBox*>(QStringLiteral("RefTypeBox"));
    ASSERT_NE(shapes, nullptr);
    shapes->setCurrentIndex(0);
    openAndClose(shapes);
    QFile::remove(installed);
    QDir().rmpath(folder);
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_EQ(shownIllustration(*window), resourcePicture(QStringLiteral("Трапеция.bmp")));
    EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("RefC"))->isEnabled());
}

TEST_F(ShippedPicturesTest, WithoutAnyCopyTheWorkingDirectoryIsNamed) {
    auto window = makeWindow(96);
    auto* shapes = window->findChild<kavrol::CompletingComboBox*>(QStringLiteral("RefTypeBox"));
    ASSERT_NE(shapes, nullptr);
    shapes->setCurrentIndex(0);
    openAndClose(shapes);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], QStringLiteral("Cannot open file \"%1\". No such file or directory.")
                              .arg(workPath(QStringLiteral("Трапеция.bmp"))));
}

} // namespace

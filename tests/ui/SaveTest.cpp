// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the picture: the dialog's set-up, the name rule, replacing, cancelling and failures.
#include "OpticalModel.h"
#include "PictureFile.h"
#include "WindowFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {

using SaveTest = WindowFixture;

bool sameAsWorkImage(const QString& path, const kavrol::Canvas& canvas) {
    const QImage saved(path, "BMP");
    if (saved.size() != QSize(canvas.width(), canvas.height()))
        return false;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if ((saved.pixel(x, y) & 0xFFFFFFu) != canvas.pixel(x, y))
                return false;
    return true;
}

TEST_F(SaveTest, TheDialogIsSetUpAfreshEachTime) {
    auto window = makeWindow();
    dialogAnswer_ = workPath(QStringLiteral("first"));
    window->SaveAs();
    dialogAnswer_ = QString();
    window->SaveAs();
    ASSERT_EQ(dialogCalls_.size(), 2u);
    for (const auto& call : dialogCalls_) {
        EXPECT_EQ(call.filter, QStringLiteral("BMP files (*.bmp)"));
        EXPECT_EQ(call.fileName, QStringLiteral("Kavrol.bmp"));
    }
}

TEST_F(SaveTest, NamesGetTheBmpExtensionUnlessTheyHaveIt) {
    auto window = makeWindow();
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("scene"), QStringLiteral("scene.bmp")},
        {QStringLiteral("scene.BMP"), QStringLiteral("scene.BMP")},
        {QStringLiteral("other.bmp"), QStringLiteral("other.bmp")},
        {QStringLiteral("scene.png"), QStringLiteral("scene.png.bmp")},
        {QStringLiteral("Kavrol.bmp"), QStringLiteral("Kavrol.bmp")},
    };
    for (const auto& [chosen, written] : cases) {
        dialogAnswer_ = workPath(chosen);
        window->SaveAs();
        EXPECT_TRUE(QFile::exists(workPath(written))) << written.toStdString();
    }
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files).size(), 5);
    EXPECT_FALSE(QFile::exists(workPath(QStringLiteral("scene.png"))));
}

// The file's header is checked with the command line's save, which writes it the same way.
TEST_F(SaveTest, TheFileIsTheWorkImagePixelForPixel) {
    auto window = makeWindow();
    dialogAnswer_ = workPath(QStringLiteral("scene"));
    window->SaveAs();
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_TRUE(
        sameAsWorkImage(workPath(QStringLiteral("scene.bmp")), window->model()->workImage()));
}

TEST_F(SaveTest, SavingAgainReplacesTheFileWithoutAsking) {
    auto window = makeWindow();
    dialogAnswer_ = workPath(QStringLiteral("scene.bmp"));
    window->SaveAs();
    ui(*window).RayVisible->setChecked(false);
    window->PaintRef();
    window->SaveAs();
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_TRUE(sameAsWorkImage(dialogAnswer_, window->model()->workImage()));
    const QImage saved(dialogAnswer_, "BMP");
    bool red = false;
    for (int y = 0; y < saved.height() && !red; ++y)
        for (int x = 0; x < saved.width() && !red; ++x)
            red = (saved.pixel(x, y) & 0xFFFFFFu) == 0xFF0000u;
    EXPECT_FALSE(red) << "the second picture has no rays";
}

TEST_F(SaveTest, SaveWritesTheLastBuildNotTheCurrentControls) {
    auto window = makeWindow();
    ui(*window).RayVisible->setChecked(false);
    ui(*window).RefTypeBox->setCurrentIndex(0);
    dialogAnswer_ = workPath(QStringLiteral("scene"));
    window->SaveAs();
    kavrol::OpticalModel headless(96);
    headless.PaintRef(kavrol::BuildInputs{});
    EXPECT_TRUE(sameAsWorkImage(workPath(QStringLiteral("scene.bmp")), headless.workImage()));
}

TEST_F(SaveTest, CancellingWritesNothingAndSaysNothing) {
    auto window = makeWindow();
    dialogAnswer_ = QString();
    window->SaveAs();
    EXPECT_EQ(dialogCalls_.size(), 1u);
    EXPECT_TRUE(errors_.isEmpty());
    EXPECT_TRUE(QDir(folder_.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
}

// Each failure gives its exact message and the window goes on: a later save works. Other
// reasons are checked with the save failures.
TEST_F(SaveTest, FailedSavesGiveTheExactMessageAndTheWindowGoesOn) {
    auto window = makeWindow();
    dialogAnswer_ = workPath(QStringLiteral("no-such-folder/scene"));
    window->SaveAs();
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], QStringLiteral("Cannot create file \"%1\". No such file or directory.")
                              .arg(workPath(QStringLiteral("no-such-folder/scene.bmp"))));
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        dialogAnswer_ = workPath(QStringLiteral("full.bmp"));
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), dialogAnswer_));
        window->SaveAs();
        ASSERT_EQ(errors_.size(), 2);
        EXPECT_EQ(errors_[1], QStringLiteral("Stream write error."));
    }
    errors_.clear();
    dialogAnswer_ = workPath(QStringLiteral("after"));
    window->SaveAs();
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_TRUE(
        sameAsWorkImage(workPath(QStringLiteral("after.bmp")), window->model()->workImage()));
}

TEST_F(SaveTest, TheRealDialogProposesKavrolBmpAndReturnsTheChoice) {
    kavrol::WindowServices services;
    services.reportError = [this](const QString& text) { errors_ << text; };
    services.dotsPerInch = 96;
    kavrol::TMainFrm window(services);
    window.show();
    for (const char* name : {"upper.BMP", "lower.bmp", "other.png"}) {
        QFile file(workPath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList filters;
    QStringList proposed;
    QStringList listed;
    bool confirmsOverwrite = true;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        proposed = dialog->selectedFiles();
        confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        dialog->setDirectory(folder_.path());
        // The dialog lists the folder in the background; both letter cases of the pattern match.
        auto* files = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (files == nullptr || name == nullptr) {
            // Closing the dialog keeps a failed look-up from hanging the test.
            ADD_FAILURE() << "the dialog has no file list or no name field";
            QMetaObject::invokeMethod(dialog, "reject");
            return;
        }
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return files->model()->rowCount(files->rootIndex()) >= 2; }, 3000));
        for (int row = 0; row < files->model()->rowCount(files->rootIndex()); ++row)
            listed << files->model()->index(row, 0, files->rootIndex()).data().toString();
        // The user types a name without an extension.
        name->setText(QStringLiteral("chosen"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    window.SaveAs();
    EXPECT_EQ(filters, QStringList{QStringLiteral("BMP files (*.bmp)")});
    ASSERT_EQ(proposed.size(), 1);
    EXPECT_TRUE(proposed[0].endsWith(QStringLiteral("/Kavrol.bmp"))) << proposed[0].toStdString();
    EXPECT_FALSE(confirmsOverwrite);
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("lower.bmp"), QStringLiteral("upper.BMP")}));
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_TRUE(QFile::exists(workPath(QStringLiteral("chosen.bmp"))))
        << QDir(folder_.path()).entryList(QDir::Files).join(' ').toStdString();
}

} // namespace

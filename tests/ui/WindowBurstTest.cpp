// SPDX-License-Identifier: GPL-3.0-or-later
// A burst of builds, saves and list close-ups driven through the window, with errors in between:
// after every step the window stays usable, the view shows the picture of the last build that
// succeeded, the efficiency field shows that build's efficiency, every failure is reported once
// with its message, and every save that succeeds writes the work image of the moment.

#include "CompletingComboBox.h"
#include "EfficiencyField.h"
#include "IntegerSpinEdit.h"
#include "OpticalModel.h"
#include "PictureFile.h"
#include "RealSpinEdit.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <cstdint>

namespace {

class Lcg {
public:
    int below(int n) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((state_ >> 33) % static_cast<std::uint64_t>(n));
    }

private:
    std::uint64_t state_ = 99;
};

class WindowBurst : public WindowFixture {};

} // namespace

TEST_F(WindowBurst, BuildsSavesAndErrorsLeaveTheLastGoodPictureShown) {
    copyShapePictures();
    auto window = makeWindow(96);
    ASSERT_TRUE(errors_.isEmpty());
    QImage lastGood = shownScene(*window);
    double lastEfficiency = ui(*window).KpdBox->value();
    QImage illustration = shownIllustration(*window);
    Lcg random;
    int builds = 0, buildErrors = 0, saves = 0, saveErrors = 0, closeUps = 0, loadErrors = 0;
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        errors_.clear();
        const int action = random.below(10);
        if (action < 5) {
            // Controls set as a user could, failures included: no scale selected, a parabola
            // with m = 0, a trapezoid whose top is wider than its opening, "ZeFo" with C = A.
            ui(*window).RefTypeBox->setCurrentIndex(random.below(3));
            ui(*window).LampTypeBox->setCurrentIndex(random.below(3));
            ui(*window).MBox->setCurrentIndex(random.below(10) == 0 ? -1 : random.below(3));
            ui(*window).RefA->setValue(20 + 2 * random.below(91));
            ui(*window).RefB->setValue(10 + 2 * random.below(96));
            ui(*window).RefC->setValue(random.below(4) == 0 ? ui(*window).RefA->value()
                                                            : 10 + 2 * random.below(96));
            if (random.below(8) == 0) {
                ui(*window).RefTypeBox->setCurrentIndex(1);
                ui(*window).RefA->setValue(20);
                ui(*window).RefB->setValue(102);
                ui(*window).MBox->setCurrentIndex(2);
            }
            ui(*window).Lamp->setValue(10 + random.below(91));
            ui(*window).LampH->setValue(50 + random.below(951));
            ui(*window).AquaW->setValue(100 + random.below(901));
            ui(*window).Albedo->setValue(0.1 + random.below(91) / 100.0);
            ui(*window).GridVisible->setChecked(random.below(2) == 0);
            ui(*window).LampVisible->setChecked(random.below(4) != 0);
            ui(*window).RayVisible->setChecked(random.below(4) != 0);
            ui(*window).RefCreate->click();
            ++builds;
            if (errors_.isEmpty()) {
                lastGood = kavrol::PictureFile::toImage(window->model()->shownImage());
                lastEfficiency = window->model()->efficiency();
            } else {
                ++buildErrors;
                ASSERT_EQ(errors_.size(), 1);
                EXPECT_TRUE(errors_.front() == "Division by zero." ||
                            errors_.front() == "Floating point division by zero." ||
                            errors_.front() == "Invalid floating point operation." ||
                            errors_.front() ==
                                "The trapezoid's top C must not be wider than its width A.")
                    << errors_.front().toStdString();
            }
        } else if (action < 8) {
            // A save to a good name, a missing folder or a full device. The dialog's name gets
            // ".bmp" appended unless it ends so, so the device is reached through a link.
            const int where = random.below(3);
            const QString good = workPath(QStringLiteral("burst%1.bmp").arg(step));
            const QString full = workPath(QStringLiteral("full.bmp"));
            if (!QFile::exists(full)) {
                ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), full));
            }
            dialogAnswer_ = where == 0   ? good
                            : where == 1 ? workPath(QStringLiteral("missing/scene.bmp"))
                                         : full;
            const QImage work = kavrol::PictureFile::toImage(window->model()->workImage());
            ui(*window).RefSave->click();
            ++saves;
            if (where == 0) {
                ASSERT_TRUE(errors_.isEmpty()) << errors_.front().toStdString();
                EXPECT_EQ(QImage(good, "BMP").convertToFormat(QImage::Format_RGB32), work);
                QFile::remove(good);
            } else {
                ++saveErrors;
                ASSERT_EQ(errors_.size(), 1);
                EXPECT_EQ(errors_.front(), where == 1
                                               ? "Cannot create file \"" +
                                                     workPath(QStringLiteral("missing/scene.bmp")) +
                                                     "\". No such file or directory."
                                               : QStringLiteral("Stream write error."));
            }
        } else {
            // A list close-up with the shape's picture present, damaged or missing.
            const int shape = random.below(3);
            ui(*window).RefTypeBox->setCurrentIndex(shape);
            const QString file = workPath(QString::fromUtf8(shape == 0   ? "Трапеция.bmp"
                                                            : shape == 1 ? "Парабола.bmp"
                                                                         : "ZeFo.bmp"));
            const int state = random.below(3);
            QFile::remove(file);
            if (state == 0)
                QFile::copy(QStringLiteral(KAVROL_RESOURCES_DIR "/") + file.section('/', -1), file);
            else if (state == 1) {
                QFile damaged(file);
                ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
                damaged.write("BM\x10\0\0\0\0\0\0\0\x36\0\0\0", 14);
            }
            const bool cBefore = ui(*window).RefC->isEnabled();
            openAndClose(ui(*window).RefTypeBox);
            ++closeUps;
            if (state == 0) {
                ASSERT_TRUE(errors_.isEmpty());
                illustration = shownIllustration(*window);
                EXPECT_EQ(ui(*window).RefC->isEnabled(), shape != 1);
            } else {
                ++loadErrors;
                ASSERT_EQ(errors_.size(), 1);
                if (state == 1) {
                    EXPECT_EQ(errors_.front(), "Bitmap image is not valid.");
                } else {
                    EXPECT_TRUE(errors_.front().startsWith("Cannot open file \"" + file + "\". "))
                        << errors_.front().toStdString();
                }
                EXPECT_EQ(ui(*window).RefC->isEnabled(), cBefore);
                EXPECT_EQ(shownIllustration(*window), illustration);
            }
        }
        ASSERT_EQ(shownScene(*window), lastGood);
        ASSERT_EQ(ui(*window).KpdBox->value(), lastEfficiency);
        ASSERT_TRUE(ui(*window).RefCreate->isEnabled());
        ASSERT_TRUE(ui(*window).RefSave->isEnabled());
    }
    // Still usable: the start-up design builds and is shown.
    errors_.clear();
    ui(*window).RefTypeBox->setCurrentIndex(1);
    ui(*window).LampTypeBox->setCurrentIndex(1);
    ui(*window).MBox->setCurrentIndex(2);
    ui(*window).RefA->setValue(200);
    ui(*window).RefB->setValue(100);
    ui(*window).RefC->setValue(50);
    ui(*window).Lamp->setValue(50);
    ui(*window).LampH->setValue(200);
    ui(*window).AquaW->setValue(500);
    ui(*window).Albedo->setValue(0.8);
    ui(*window).GridVisible->setChecked(true);
    ui(*window).LampVisible->setChecked(true);
    ui(*window).RayVisible->setChecked(true);
    ui(*window).RefCreate->click();
    ASSERT_TRUE(errors_.isEmpty());
    kavrol::OpticalModel reference(96);
    reference.PaintRef(kavrol::BuildInputs{});
    EXPECT_EQ(shownScene(*window), kavrol::PictureFile::toImage(reference.shownImage()));
    EXPECT_EQ(ui(*window).KpdBox->value(), reference.efficiency());
    std::printf("%d builds (%d refused), %d saves (%d failed), %d close-ups (%d failed)\n", builds,
                buildErrors, saves, saveErrors, closeUps, loadErrors);
    EXPECT_GT(buildErrors, 0);
    EXPECT_GT(saveErrors, 0);
    EXPECT_GT(loadErrors, 0);
}

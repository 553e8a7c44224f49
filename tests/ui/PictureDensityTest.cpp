// SPDX-License-Identifier: GPL-3.0-or-later
// The window's Save and the start without a display record the picture's density in the BMP
// header as the command line does: 3780 pixels per metre for 96 dots per inch.
#include "BmpDensity.h"
#include "OpticalModel.h"
#include "PictureFile.h"
#include "WindowFixture.h"

#include <QDir>

namespace {

using PictureDensityTest = WindowFixture;

TEST_F(PictureDensityTest, SaveRecordsTheDensityTheWindowDrewFor) {
    for (const int dotsPerInch : {96, 144}) {
        SCOPED_TRACE(dotsPerInch);
        auto window = makeWindow(dotsPerInch);
        dialogAnswer_ = workPath(QStringLiteral("scene-%1").arg(dotsPerInch));
        window->SaveAs();
        ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
        const auto density =
            kavrol::test::ReadBmpDensity((dialogAnswer_ + QStringLiteral(".bmp")).toStdString());
        EXPECT_EQ(density.x, kavrol::PictureFile::pixelsPerMetre(dotsPerInch));
        EXPECT_EQ(density.y, kavrol::PictureFile::pixelsPerMetre(dotsPerInch));
    }
    EXPECT_EQ(kavrol::PictureFile::pixelsPerMetre(96), 3780);
}

TEST_F(PictureDensityTest, APictureUnderAFreeNameRecordsItsDensityToo) {
    kavrol::OpticalModel model(96);
    model.PaintRef(kavrol::BuildInputs{});
    const QString name = kavrol::PictureFile::saveUnderFreeName(
        model.workImage(), QDir(folder_.path()), QStringLiteral("Kavrol"), 96);
    EXPECT_EQ(kavrol::test::ReadBmpDensity(workPath(name).toStdString()).x, 3780);
}

} // namespace

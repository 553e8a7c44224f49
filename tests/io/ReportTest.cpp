// SPDX-License-Identifier: GPL-3.0-or-later
// The build report read back: its text and JSON say what the model holds, to the last bit for
// the JSON's reals, whatever the shape, and the shares of the text add up to the whole fan.
#include "Report.h"
#include "BuildInputs.h"
#include "OpticalModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>

namespace kavrol {
namespace {

QJsonObject Parsed(const std::string& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.substr(0, 200);
    return document.object();
}

TEST(Report, TheJsonHoldsTheModelsFiguresToTheLastBit) {
    for (const int shape : {0, 1, 2}) {
        SCOPED_TRACE(shape);
        OpticalModel model(96);
        BuildInputs inputs;
        inputs.shape = shape;
        model.PaintRef(inputs);
        const std::string text = Report::json(model);
        ASSERT_EQ(text.back(), '\n');
        const QJsonObject o = Parsed(text);
        EXPECT_EQ(o.keys().size(), 7);
        EXPECT_EQ(o["efficiency"].toDouble(), model.efficiency());
        EXPECT_EQ(o["rayIndex"].toInt(), model.rayIndex());
        const QJsonArray rays = o["rays"].toArray();
        ASSERT_EQ(rays.size(), OpticalModel::RayCount);
        for (int k = 0; k < OpticalModel::RayCount; ++k)
            EXPECT_EQ(rays[k].toDouble(), model.rayPower()[static_cast<std::size_t>(k)]) << k;
        const QJsonObject losses = o["losses"].toObject();
        EXPECT_EQ(losses["delivered"].toDouble(), model.losses().delivered);
        EXPECT_EQ(losses["escaped"].toDouble(), model.losses().escaped);
        const PixelQuantities& q = model.quantities();
        EXPECT_EQ(o["quantities"].toObject()["RefAPx"].toInt(), q.RefAPx);
        EXPECT_EQ(o["picture"].toObject()["width"].toInt(), model.workImage().width());
        const QJsonArray profile = o["profile"].toArray();
        ASSERT_EQ(profile.size(), q.RefAPx + 1);
        const ProfilePoint& last = model.profile()[static_cast<std::size_t>(q.RefAPx)];
        EXPECT_EQ(profile.last().toObject()["Y"].toDouble(), static_cast<double>(last.Y));
        EXPECT_EQ(profile.last().toObject()["Angle"].toDouble(), static_cast<double>(last.Angle));
    }
}

// The text's five shares are the losses over the 72 rays with 6 decimals; they add up to the
// whole fan within their rounding.
TEST(Report, TheTextsSharesAreTheLossesOverTheFan) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    const std::string text = Report::text(model);
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Efficiency: " + std::to_string(model.efficiency()).substr(0, 8));
    std::getline(lines, line);
    EXPECT_EQ(line, "Where the light went (share of the tube's output):");
    double sum = 0;
    int count = 0;
    while (std::getline(lines, line)) {
        sum += std::strtod(line.substr(26).c_str(), nullptr);
        ++count;
    }
    EXPECT_EQ(count, 5);
    EXPECT_NEAR(sum, 1.0, 5 * 5e-7);
    EXPECT_NEAR(std::strtod(text.substr(text.find("into the water") + 24).c_str(), nullptr),
                model.losses().delivered / OpticalModel::RayCount, 5e-7);
}

TEST(Report, RealsCarrySeventeenDigitsAndNonFiniteIsNull) {
    for (const long double value : {0.1L, 1.0L / 3.0L, 123456.789L, -2.5e-9L}) {
        const std::string text = Report::real(value);
        const long double back = std::strtold(text.c_str(), nullptr);
        EXPECT_LE(std::abs(back - value), std::abs(value) * 1e-16L) << text;
    }
    EXPECT_EQ(Report::real(std::numeric_limits<long double>::infinity()), "null");
    EXPECT_EQ(Report::real(std::numeric_limits<long double>::quiet_NaN()), "null");
}

} // namespace
} // namespace kavrol

// SPDX-License-Identifier: GPL-3.0-or-later
#include "LossComparison.h"

#include "OpticalModel.h"

namespace kavrol {

std::vector<LossComparison> LossComparison::rows(const LossBreakdown& rays,
                                                 const physics::PhysicalEstimate& physical) {
    const double fan = OpticalModel::RayCount;
    const physics::PhysicalEstimate::Losses& lost = physical.losses;
    return {
        {QStringLiteral("В воду"), rays.delivered / fan, physical.efficiency},
        {QStringLiteral("Поглощено отражателем"), rays.absorbed / fan, lost.absorbed},
        {QStringLiteral("Отражено поверхностью воды"), rays.reflectedAtWater / fan,
         lost.reflectedAtWater},
        {QStringLiteral("Вернулось в лампу"), rays.returnedToTube / fan, lost.returnedToTube},
        {QStringLiteral("Ушло мимо"), rays.escaped / fan, lost.escaped + lost.besideAquarium},
    };
}

} // namespace kavrol

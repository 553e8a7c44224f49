// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The titles and captions of the charts, one source for the command line's files and the
// analysis window alike.
namespace kavrol::ChartText {

// What an irradiance chart shows the light of: one design, whose x runs from its tube's axis,
// or a whole fixture, whose x runs from the tank's middle.
enum class Subject { Design, Fixture };

inline QString irradianceTitle() {
    return QStringLiteral("Освещённость поверхности воды");
}
// Added to the title with the uniformity's figure.
inline QString uniformityCaption() {
    return QStringLiteral("равномерность (мин/сред)");
}
inline QString irradianceAcross(Subject subject) {
    return subject == Subject::Fixture ? QStringLiteral("Поперёк аквариума от его середины, мм")
                                       : QStringLiteral("Поперёк аквариума от оси лампы, мм");
}
inline QString irradianceLevel() {
    return QStringLiteral("Освещённость / средняя");
}
inline QString irradianceSeries() {
    return QStringLiteral("Освещённость, доля от средней");
}
inline QString meanSeries() {
    return QStringLiteral("Средняя");
}

inline QString designSection() {
    return QStringLiteral("Разрез светильника в истинных пропорциях");
}
inline QString sectionAcross() {
    return QStringLiteral("поперёк, мм");
}
inline QString sectionDown() {
    return QStringLiteral("вниз от верха, мм");
}

inline QString lossesTitle() {
    return QStringLiteral("Куда уходит свет лампы, %");
}

} // namespace kavrol::ChartText

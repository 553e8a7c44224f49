// SPDX-License-Identifier: GPL-3.0-or-later
#include "FixtureTemplate.h"

#include "FixtureScene.h"

#include <algorithm>

namespace kavrol {

namespace {

using physics::Fixture;

// Two units share a template when their reflectors and tubes are the same.
bool SameTemplate(const Fixture::Unit& a, const Fixture::Unit& b) {
    const Fixture::Reflector& p = a.reflector;
    const Fixture::Reflector& q = b.reflector;
    if (a.tubeRadius != b.tubeRadius || a.lampDistance != b.lampDistance ||
        p.hasProfile != q.hasProfile) {
        return false;
    }
    if (!p.hasProfile) {
        return p.shape == q.shape && p.a == q.a && p.b == q.b && p.c == q.c;
    }
    return p.join == q.join && p.points.size() == q.points.size() &&
           std::equal(p.points.begin(), p.points.end(), q.points.begin(),
                      [](const Fixture::Point& m, const Fixture::Point& n) {
                          return m.x == n.x && m.y == n.y;
                      });
}

} // namespace

std::vector<FixtureTemplate> FixtureTemplate::of(const Fixture& fixture) {
    std::vector<FixtureTemplate> templates;
    for (int i = 0; i < static_cast<int>(fixture.units.size()); ++i) {
        const auto shared =
            std::find_if(templates.begin(), templates.end(), [&](const FixtureTemplate& t) {
                return SameTemplate(fixture.units[static_cast<std::size_t>(t.units.front())],
                                    fixture.units[static_cast<std::size_t>(i)]);
            });
        if (shared == templates.end()) {
            templates.push_back({{i}});
        } else {
            shared->units.push_back(i);
        }
    }
    return templates;
}

CuttingTemplate FixtureTemplate::make(const Fixture& fixture, const QString& names) const {
    const int first = units.front();
    const Fixture::Unit& unit = fixture.units[static_cast<std::size_t>(first)];
    return unit.reflector.hasProfile
               ? CuttingTemplate(unit, names)
               : CuttingTemplate(physics::FixtureScene::UnitDesign(fixture, first));
}

} // namespace kavrol

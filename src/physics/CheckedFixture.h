// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "FixtureScene.h"

namespace kavrol::physics {

// A fixture as read from its file, with the scene whose checks it passed: building the scene of
// a long profile is the costly part of reading, so it is done once.
struct CheckedFixture {
    Fixture fixture;
    FixtureScene scene;
};

} // namespace kavrol::physics

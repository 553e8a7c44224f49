// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"

#include <string>

namespace kavrol::physics {

// Reads a fixture file (JSON, described in docs/fixture.md) and checks every field: types,
// ranges, unknown keys, the order of a profile's points; then whether the units fit together
// and around their tubes (FixtureScene's checks). Failures are FixtureError messages naming
// the file, the place, the unit and the field.
class FixtureFile {
public:
    // Fixtures of more units than this are refused (each adds a tube to every ray's tests).
    static constexpr int kMaxUnits = 32;
    // A profile holds 2 to this many points.
    static constexpr int kMaxPoints = 4000;

    // Reads the file at `path`; a profile's CSV file is looked for beside it.
    static Fixture Read(const std::string& path);

    // Parses `text`, named `source` in messages; CSV files are looked for in `directory`.
    static Fixture Parse(const std::string& text, const std::string& source,
                         const std::string& directory);
};

} // namespace kavrol::physics

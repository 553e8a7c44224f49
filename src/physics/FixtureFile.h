// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckedFixture.h"
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

    // Reads the file at `path` (at most BoundedFile::kMaxBytes, a regular file); a profile's
    // CSV file named relative to it is looked for in its folder, an absolute name as it is.
    // The scene that checked it comes along, so that it is built once.
    static CheckedFixture Load(const std::string& path);
    static Fixture Read(const std::string& path) { return Load(path).fixture; }

    // Parses `text`, named `source` in messages; relative CSV names are taken from `directory`.
    static CheckedFixture Check(const std::string& text, const std::string& source,
                                const std::string& directory);
    static Fixture Parse(const std::string& text, const std::string& source,
                         const std::string& directory) {
        return Check(text, source, directory).fixture;
    }
};

} // namespace kavrol::physics

// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for reading fixture files: any text must either give a fixture whose scene can be
// built, or throw FixtureError with a message naming the file (or, for a CSV profile named by
// an absolute path, that file). Anything else (a crash, another exception, a hang caught by
// libFuzzer's -timeout, memory beyond its limits) is a finding.

#include "FixtureError.h"
#include "FixtureFile.h"
#include "FixtureScene.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        // CSV profiles are looked for in a folder that does not exist, so that only the text
        // itself is read.
        const kavrol::physics::Fixture fixture =
            kavrol::physics::FixtureFile::Parse(text, "fuzz.json", "/nonexistent-kavrol-fuzz");
        if (fixture.units.empty()) {
            std::fprintf(stderr, "a fixture without units was accepted\n");
            std::abort();
        }
        const kavrol::physics::FixtureScene scene(fixture);
        if (scene.scene().tubes.size() != fixture.units.size()) {
            std::fprintf(stderr, "the scene lost a tube\n");
            std::abort();
        }
    } catch (const kavrol::physics::FixtureError& e) {
        const std::string message = e.what();
        if (message.rfind("fuzz.json", 0) != 0 && message.rfind('/', 0) != 0) {
            std::fprintf(stderr, "a message without the file's name: %s\n", e.what());
            std::abort();
        }
    }
    return 0;
}

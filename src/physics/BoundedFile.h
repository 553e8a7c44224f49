// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

namespace kavrol::physics {

// A small input file read whole, once, after checking that it is one. Folders, devices, pipes
// and sockets are refused before a byte is read (a pipe without a writer does not block), and a
// file larger than the cap is refused by its size, so neither /dev/zero nor a huge sparse file
// costs more than the cap. Failures are FixtureError messages naming `what` and the system's
// reason: "cannot open the fixture file: No such file or directory".
class BoundedFile {
public:
    // Fixture and profile files are refused above this size (4 MiB: 32 units of 4000 inline
    // points take about 3 MB).
    static constexpr std::size_t kMaxBytes = 4u << 20;

    // The bytes of the file at `path`; `what` names it in messages ("fixture file").
    static std::string Read(const std::string& path, const std::string& what,
                            std::size_t cap = kMaxBytes);
};

} // namespace kavrol::physics

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PixelQuantities.h"
#include "ProfilePoint.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavrol {

// The reflector's cross-section as one sample per pixel column: entry i belongs to column
// RefLeft + i. The table's size is fixed at construction; nothing ever reads or writes past it.
class Profile {
public:
    // The table never has fewer than this many entries.
    static constexpr std::size_t MinimumSize = 2001;

    explicit Profile(std::size_t size);

    std::size_t size() const { return entries_.size(); }
    const ProfilePoint& operator[](std::size_t i) const { return entries_[i]; }

    // Sets every field of every entry to zero.
    void clear();

    // The samples of shape 0 (trapezoid), 1 (parabola) or 2 ("ZeFo") with their angles; any other
    // shape builds nothing. A reflector wider than the table is refused before anything is
    // written. Returns whether a shape was built.
    bool build(int shape, const PixelQuantities& q);
    // The same without the angles, for an evaluator that takes angles only where a ray needs one
    // (chordAngle).
    bool fill(int shape, const PixelQuantities& q);
    // Sets Angle of entries 0 to refAPx from chords through nearby samples.
    void SetCas(std::int32_t refAPx);
    // The angle SetCas gives entry i (0 <= i <= n) of a reflector of n + 1 samples.
    double chordAngle(std::int64_t i, std::int64_t n) const;

    // The surface angle for a hit in the column index entries right of RefLeft; a column
    // without an entry takes the nearest one.
    double angleAt(std::int64_t index) const {
        if (index < 0)
            index = 0;
        const auto last = static_cast<std::int64_t>(entries_.size()) - 1;
        if (index > last)
            index = last;
        return entries_[static_cast<std::size_t>(index)].Angle;
    }

private:
    // The generators fill X, Y, PX and PY of entries 0 to RefAPx, shape by shape, without the
    // angles.
    void fillTrapezoid(const PixelQuantities& q);
    void fillParabola(const PixelQuantities& q);
    void fillZeFo(const PixelQuantities& q);
    // Mirrors the left half's depths onto the right half (parabola and "ZeFo").
    void MirrorHalf(const PixelQuantities& q);
    // Writable entry, refused with an error when i lies outside the table.
    ProfilePoint& at(std::int64_t i);
    void setPoint(std::int64_t i, long double x, long double y);

    std::vector<ProfilePoint> entries_;
    // Entries from this index on are zero, so clearing touches only what was written.
    std::size_t used_ = 0;
};

} // namespace kavrol

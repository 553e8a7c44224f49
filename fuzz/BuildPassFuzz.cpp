// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the build pass over its whole input domain: any shape, tube and scale index,
// any 32-bit dimension and distance, any albedo bit pattern, every check-box combination and
// screens of 1 to 600 dots per inch, with several passes on one model so that the state one pass
// leaves to the next (pen, tube radius, ray powers) is exercised too.
//
// Every pass must either build or throw kavrol::BuildError; anything else is a finding. After each
// pass the invariants below are checked, and a broken one aborts with a message. AddressSanitizer
// guards the picture, the profile table and the ray tables; libFuzzer's -timeout guards the end
// of every pass.

#include "BuildError.h"
#include "BuildInputs.h"
#include "OpticalModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

using kavrol::BuildInputs;
using kavrol::OpticalModel;

// Reads little-endian fields from the front of the input; bytes past its end read as zero, so
// every input decodes to a complete design.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint64_t bytes(int count) {
        std::uint64_t value = 0;
        for (int k = 0; k < count; ++k) {
            const std::uint64_t byte = at_ < size_ ? data_[at_] : 0;
            value |= byte << (8 * k);
            ++at_;
        }
        return value;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes(4))); }
    double f64() {
        const std::uint64_t bits = bytes(8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    bool more() const { return at_ < size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

[[noreturn]] void Fail(const char* what, const BuildInputs& in) {
    std::fprintf(stderr,
                 "invariant broken: %s\n  shape %d tube %d scale %d A %d B %d C %d lamp %d "
                 "lampH %d aquaW %d albedo %.17Lg grid %d lamp %d rays %d\n",
                 what, in.shape, in.tube, in.scale, in.refA, in.refB, in.refC, in.lamp, in.lampH,
                 in.aquaW, in.albedo, in.gridVisible, in.lampVisible, in.rayVisible);
    std::abort();
}

std::size_t PictureHash(const kavrol::Canvas& canvas) {
    const auto& pixels = canvas.pixels();
    return std::hash<std::string_view>{}(std::string_view(
        reinterpret_cast<const char*>(pixels.data()), pixels.size() * sizeof pixels[0]));
}

// Round half to even into 64 bits, independent of the model's own rounding.
long long RoundEven(long double value) {
    return std::llrint(value);
}

// What a failed pass must leave as it was.
struct Shown {
    std::size_t hash;
    double efficiency;
    int rayIndex;
    std::array<double, OpticalModel::RayCount + 1> powers;

    explicit Shown(const OpticalModel& m)
        : hash(PictureHash(m.shownImage())), efficiency(m.efficiency()), rayIndex(m.rayIndex()),
          powers(m.rayPower()) {}
};

void CheckProfile(const OpticalModel& model, const BuildInputs& in) {
    const auto& q = model.quantities();
    const auto& profile = model.profile();
    const bool built = in.shape >= 0 && in.shape <= 2;
    // The parabola and "ZeFo" write their left half, entries 0 to RefAPx div 2, which for a
    // RefAPx of -1 is entry 0.
    const std::int64_t last = std::max<std::int64_t>(q.RefAPx, q.RefAPx / 2);
    for (std::size_t i = 0; i < profile.size(); ++i) {
        const kavrol::ProfilePoint& p = profile[i];
        const bool sampled = built && static_cast<std::int64_t>(i) <= last;
        if (!sampled) {
            if (p.X != 0 || p.Y != 0 || p.PX != 0 || p.PY != 0 || p.Angle != 0)
                Fail("a profile entry outside the reflector is not zero", in);
            continue;
        }
        if (!std::isfinite(p.X) || !std::isfinite(p.Y))
            Fail("a profile sample is not finite", in);
        if (p.PX != RoundEven(p.X) || p.PY != RoundEven(p.Y))
            Fail("a profile pixel point is not its sample rounded", in);
        if (!(std::fabs(p.Angle) <= M_PI / 2 + 1e-15))
            Fail("a surface angle lies outside -pi/2 .. pi/2", in);
    }
}

void CheckBuilt(const OpticalModel& model, const BuildInputs& in, int side) {
    if (model.workImage().width() != side || model.workImage().height() != side)
        Fail("the work image changed its size", in);
    if (model.shownImage().pixels() != model.workImage().pixels())
        Fail("the shown picture is not the work image after a build", in);
    const double e = model.efficiency();
    if (!(e >= 0 && e <= 1))
        Fail("the efficiency lies outside 0 .. 1", in);
    if (model.rayIndex() != 0 && model.rayIndex() != OpticalModel::RayCount)
        Fail("the ray index is neither 0 nor 72 after a build", in);
    if (in.rayVisible) {
        if (model.rayIndex() != OpticalModel::RayCount)
            Fail("a traced fan does not hold 72 rays", in);
        for (int k = 0; k < OpticalModel::RayCount; ++k) {
            const double power = model.rayPower()[static_cast<std::size_t>(k)];
            if (!(power >= 0 && power <= 1))
                Fail("a ray's power lies outside 0 .. 1", in);
        }
        const double total = model.losses().total();
        if (!(std::fabs(total - OpticalModel::RayCount) <= 1e-9))
            Fail("the losses of a traced fan do not add up to 72 rays", in);
    }
    CheckProfile(model, in);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader read(data, size);
    const int dotsPerInch = 1 + static_cast<int>(read.bytes(2) % 600);
    const int passes = 1 + static_cast<int>(read.bytes(1) % 4);
    OpticalModel model(dotsPerInch);
    const int side = model.workImage().width();
    for (int pass = 0; pass < passes && (pass == 0 || read.more()); ++pass) {
        BuildInputs in;
        in.shape = read.i32();
        in.tube = read.i32();
        in.scale = read.i32();
        in.refA = read.i32();
        in.refB = read.i32();
        in.refC = read.i32();
        in.lamp = read.i32();
        in.lampH = read.i32();
        in.aquaW = read.i32();
        in.albedo = read.f64();
        const auto flags = read.bytes(1);
        in.gridVisible = flags & 1;
        in.lampVisible = flags & 2;
        in.rayVisible = flags & 4;

        const Shown before(model);
        bool built = false;
        try {
            model.PaintRef(in);
            built = true;
        } catch (const kavrol::BuildError& e) {
            if (std::strlen(e.what()) == 0)
                Fail("a build error without a message", in);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "unexpected exception: %s\n", e.what());
            Fail("the pass threw something other than a build error", in);
        }
        if (built) {
            CheckBuilt(model, in, side);
        } else {
            const Shown after(model);
            if (after.hash != before.hash)
                Fail("a failed pass changed the shown picture", in);
            if (std::memcmp(&after.efficiency, &before.efficiency, sizeof(double)) != 0)
                Fail("a failed pass changed the shown efficiency", in);
            if (after.rayIndex != before.rayIndex ||
                std::memcmp(after.powers.data(), before.powers.data(), sizeof before.powers) != 0)
                Fail("a failed pass changed the ray table", in);
        }
    }
    return 0;
}

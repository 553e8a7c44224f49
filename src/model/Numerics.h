// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildError.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace kavrol {

// Real expressions of the optical model are evaluated in extended precision (x87 80-bit on
// x86-64) and stored as doubles where a table holds them.
using Extended = long double;

// Exact integer products beyond 64 bits, for the raster's geometry tests.
__extension__ typedef __int128 Int128;

inline constexpr Extended Pi = 3.141592653589793238462643383279502884L;

// Round half to even (the default rounding mode) to a 32-bit integer. A value that does not fit
// is refused rather than wrapped.
inline std::int32_t Round(Extended value) {
    // From 2^31 - 1/2 upward the result no longer fits; such values take the checked path.
    if (value > -0x1p31L && value < 0x1p31L - 0.5L) {
#if defined(__x86_64__) || defined(__i386__)
        // The x87 store rounds by the control word, which is round half to even: nearbyint's
        // result without the library call on the tracer's path.
        long long rounded;
        __asm__("fistpll %0" : "=m"(rounded) : "t"(value) : "st");
        return static_cast<std::int32_t>(rounded);
#else
        return static_cast<std::int32_t>(std::nearbyint(value));
#endif
    }
    const Extended r = std::nearbyint(value);
    if (!(r >= std::numeric_limits<std::int32_t>::min() &&
          r <= std::numeric_limits<std::int32_t>::max()))
        throw BuildError(Messages::InvalidFloatOperation);
    return static_cast<std::int32_t>(r);
}

// Real division with the hardware's unmasked exceptions made explicit: x/0 and 0/0 fail.
inline Extended Divide(Extended dividend, Extended divisor) {
    if (divisor == 0)
        throw BuildError(dividend == 0 || std::isnan(dividend) ? Messages::InvalidFloatOperation
                                                               : Messages::FloatDivisionByZero);
    return dividend / divisor;
}

// 32-bit arithmetic of the pixel quantities; a result outside 32 bits is refused, never wrapped.
inline std::int32_t Checked(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw BuildError(Messages::IntegerOverflow);
    return static_cast<std::int32_t>(value);
}

inline std::int32_t CheckedMul(std::int64_t a, std::int64_t b) {
    return Checked(a * b);
}
inline std::int32_t CheckedAdd(std::int64_t a, std::int64_t b) {
    return Checked(a + b);
}

// Truncating integer division, refusing a zero divisor as the hardware does.
inline std::int64_t IntDiv(std::int64_t dividend, std::int64_t divisor) {
    if (divisor == 0)
        throw BuildError(Messages::DivisionByZero);
    return dividend / divisor;
}

// Depth divisor of the parabolic arcs: Round(h^2) div b, held in 32 bits. A sample u columns
// from its arc's axis lies u^2 / m below the top line.
inline std::int32_t DepthDivisor(std::int64_t h, std::int64_t b) {
    const auto h2 =
        static_cast<std::int64_t>(std::nearbyint(std::pow(static_cast<Extended>(h), 2)));
    return static_cast<std::int32_t>(IntDiv(h2, b));
}

// The angle of incidence on the water, whose surface counts as horizontal: measured from the
// vertical. A ray can arrive moving upward, reflected off a reflector that reaches below the water
// line (or with the water line at or above the tube); it meets the surface at pi - t, since taking
// t itself would give a negative transmission share, a ray with less than no power. Downward rays
// keep t exactly.
inline Extended IncidenceOnWater(double t) {
    const Extended incidence = t;
    return std::cos(incidence) < 0 ? Pi - incidence : incidence;
}

// The first leg of every ray of the fan steps up to max(RefAPx, 900) pixels from the tube's
// circle, and its samples must stay 32-bit: a tube farther out is refused before any ray runs.
inline void CheckFanReach(std::int32_t lampX, std::int32_t lampY, std::int32_t lampR,
                          std::int32_t refAPx) {
    const std::int64_t reach = (lampR < 0 ? -std::int64_t{lampR} : std::int64_t{lampR}) +
                               (refAPx > 900 ? refAPx : 900) + 2;
    constexpr std::int64_t low = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
    if (lampY + reach > high || lampY - reach < low || lampX + reach > high || lampX - reach < low)
        throw BuildError(Messages::TubeOutOfReach);
}

// Floor division for a positive divisor.
inline std::int64_t FloorDiv(std::int64_t n, std::int64_t d) {
    std::int64_t q = n / d;
    if ((n % d != 0) && (n < 0))
        --q;
    return q;
}

// The nearest integer to n / d, an exact half going to the smaller one (d may be negative): the
// rounding of the 1-pixel line's diamond rule. Exact for |n| and |d| below 2^61.
inline std::int64_t RoundHalfDown(std::int64_t n, std::int64_t d) {
    if (d < 0) {
        n = -n;
        d = -d;
    }
    return FloorDiv(2 * n + d - 1, 2 * d);
}

// The same for the products of far-apart end points, in 128 bits.
inline std::int64_t RoundHalfDown(Int128 n, Int128 d) {
    if (d < 0) {
        n = -n;
        d = -d;
    }
    const Int128 top = 2 * n + d - 1;
    Int128 q = top / (2 * d);
    if (top % (2 * d) != 0 && top < 0)
        --q;
    return static_cast<std::int64_t>(q);
}

// The efficiency: the mean of the first count ray powers, summed in order with every partial sum
// stored as a double; 0 when no ray was traced.
inline double MeanPower(const double* powers, int count) {
    double sum = 0;
    for (int k = 0; k < count; ++k)
        sum = static_cast<double>(static_cast<Extended>(sum) + powers[k]);
    return count > 0 ? static_cast<double>(static_cast<Extended>(sum) / count) : sum;
}

} // namespace kavrol

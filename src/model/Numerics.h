#pragma once

#include "BuildError.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace kavrol {

// Real expressions of the optical model are evaluated in extended precision (x87 80-bit on
// x86-64) and stored as doubles where a table holds them.
using Extended = long double;

inline constexpr Extended Pi = 3.141592653589793238462643383279502884L;

// Round half to even (the default rounding mode) to a 32-bit integer. A value that does not fit
// is refused rather than wrapped.
inline std::int32_t Round(Extended value) {
    if (value > -0x1p31L && value < 0x1p31L) {
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

} // namespace kavrol

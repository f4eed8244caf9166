// IEEE 754 binary16 from binary32, rounding to nearest even; values beyond the largest
// half saturate instead of turning into infinity, so that a bright sun stays finite.
#pragma once

#include <cstdint>
#include <cstring>

namespace assets {

inline uint16_t FloatToHalf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const uint16_t sign = static_cast<uint16_t>((bits >> 16) & 0x8000u);
    const uint32_t absBits = bits & 0x7FFFFFFFu;
    if (absBits > 0x7F800000u)
        return static_cast<uint16_t>(sign | 0x7E00u);  // NaN stays NaN
    if (absBits >= 0x477FF000u)
        return static_cast<uint16_t>(sign | 0x7BFFu);  // 65504 and above
    if (absBits < 0x38800000u) {
        // Subnormal half (or zero): shift the mantissa with its implicit bit into place.
        if (absBits < 0x33000000u)
            return sign;
        const uint32_t exponent = absBits >> 23;
        const uint32_t mantissa = (absBits & 0x7FFFFFu) | 0x800000u;
        const uint32_t shift = 126 - exponent;
        const uint32_t halfMantissa = mantissa >> shift;
        const uint32_t rest = mantissa & ((1u << shift) - 1);
        const uint32_t halfway = 1u << (shift - 1);
        uint32_t rounded = halfMantissa;
        if (rest > halfway || (rest == halfway && (halfMantissa & 1u)))
            ++rounded;
        return static_cast<uint16_t>(sign | rounded);
    }
    uint32_t half = ((absBits - 0x38000000u) >> 13);
    const uint32_t rest = absBits & 0x1FFFu;
    if (rest > 0x1000u || (rest == 0x1000u && (half & 1u)))
        ++half;
    return static_cast<uint16_t>(sign | half);
}

}  // namespace assets

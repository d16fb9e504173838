// Quick decibel conversions for control signals (about 0.001 dB error),
// several times cheaper than std::log10 and std::pow.
#pragma once

#include <bit>
#include <cstdint>

namespace audio::dsp {

// log2 of a positive normal float: exponent plus a polynomial of the mantissa.
inline float fastLog2(float x) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    const float exponent = static_cast<float>(static_cast<int>(bits >> 23) - 127);
    const float m = std::bit_cast<float>((bits & 0x007FFFFFu) | 0x3F800000u) - 1.0f; // [0, 1)
    const float poly =
        m *
        (1.44269504f +
         m * (-0.72134752f +
              m * (0.47477417f +
                   m * (-0.32670441f + m * (0.18654856f + m * (-0.06731845f + m * 0.01131668f))))));
    return exponent + poly;
}

// 2^x for x in about [-126, 127].
inline float fastExp2(float x) {
    const float clamped = x < -126.0f ? -126.0f : (x > 127.0f ? 127.0f : x);
    const float whole = static_cast<float>(static_cast<int>(clamped) - (clamped < 0 ? 1 : 0));
    const float f = clamped - whole; // [0, 1)
    const float poly =
        1.0f +
        f * (0.69314718f +
             f * (0.24022651f +
                  f * (0.05550411f + f * (0.00961813f + f * (0.00133336f + f * 0.00015469f)))));
    const int exponent = static_cast<int>(whole) + 127;
    return poly * std::bit_cast<float>(static_cast<std::uint32_t>(exponent) << 23);
}

inline float amplitudeToDb(float amplitude) {
    return 6.02059991f * fastLog2(amplitude);
}
inline float dbToAmplitude(float db) {
    return fastExp2(db * 0.16609640f);
}

} // namespace audio::dsp

#include "audio/codecs/ffmpeg/sample_unpack.h"

#include <cstddef>
#include <cstring>
#include <utility>

namespace audio {

namespace {

// Full scale of each integer format maps to [-1, 1).
float toFloat(uint8_t v) {
    return static_cast<float>(v - 0x80) * (1.0f / (1 << 7));
}
float toFloat(int16_t v) {
    return static_cast<float>(v) * (1.0f / (1 << 15));
}
float toFloat(int32_t v) {
    return static_cast<float>(v) * (1.0f / (1U << 31));
}
float toFloat(int64_t v) {
    return static_cast<float>(v) * (1.0f / static_cast<float>(UINT64_C(1) << 63));
}
float toFloat(float v) {
    return v;
}
float toFloat(double v) {
    return static_cast<float>(v);
}

// The decoder's buffers are aligned, but reading through memcpy keeps that
// an optimisation rather than a requirement.
template <class T> T load(const uint8_t* at, size_t index) {
    T v;
    std::memcpy(&v, at + index * sizeof(T), sizeof(T));
    return v;
}

template <class T>
void unpack(const uint8_t* const* planes, bool planar, int channels, int frames, float* out) {
    const size_t count = static_cast<size_t>(frames);
    const size_t stride = static_cast<size_t>(channels);
    if (!planar) {
        for (size_t i = 0; i < count * stride; ++i)
            out[i] = toFloat(load<T>(planes[0], i));
        return;
    }
    if (stride == 2) { // most music: one pass interleaves both planes
        const uint8_t* left = planes[0];
        const uint8_t* right = planes[1];
        for (size_t i = 0; i < count; ++i) {
            out[2 * i] = toFloat(load<T>(left, i));
            out[2 * i + 1] = toFloat(load<T>(right, i));
        }
        return;
    }
    for (size_t c = 0; c < stride; ++c)
        for (size_t i = 0; i < count; ++i)
            out[i * stride + c] = toFloat(load<T>(planes[c], i));
}

using Unpacker = void (*)(const uint8_t* const*, bool, int, int, float*);

Unpacker unpackerFor(AVSampleFormat format) {
    static constexpr std::pair<AVSampleFormat, Unpacker> kUnpackers[] = {
        {AV_SAMPLE_FMT_U8, &unpack<uint8_t>},  {AV_SAMPLE_FMT_S16, &unpack<int16_t>},
        {AV_SAMPLE_FMT_S32, &unpack<int32_t>}, {AV_SAMPLE_FMT_S64, &unpack<int64_t>},
        {AV_SAMPLE_FMT_FLT, &unpack<float>},   {AV_SAMPLE_FMT_DBL, &unpack<double>}};
    const AVSampleFormat packed = av_get_packed_sample_fmt(format);
    for (const auto& [known, unpacker] : kUnpackers)
        if (known == packed)
            return unpacker;
    return nullptr;
}

} // namespace

bool canUnpack(AVSampleFormat format) {
    return unpackerFor(format) != nullptr;
}

void unpackSamples(AVSampleFormat format, const uint8_t* const* planes, int channels, int frames,
                   float* out) {
    if (const Unpacker unpacker = unpackerFor(format))
        unpacker(planes, av_sample_fmt_is_planar(format) != 0, channels, frames, out);
}

} // namespace audio

// Writes what would be heard to a 16-bit PCM WAV file, as fast as the mixer
// produces it. The header's sizes are completed when the device is closed.
#include "audio/output/output_device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace audio::output {

namespace {

void putLe16(unsigned char* at, uint32_t value) {
    at[0] = value & 0xff;
    at[1] = (value >> 8) & 0xff;
}

void putLe32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = (value >> (8 * i)) & 0xff;
}

class WavOutput : public OutputDevice {
public:
    WavOutput(std::FILE* file, int rate, int channels)
        : file_(file), rate_(rate), channels_(channels) {
        writeHeader();
    }
    ~WavOutput() override {
        writeHeader();
        std::fclose(file_);
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    bool paced() const override { return false; }
    std::size_t chunkFrames() const override { return 4096; }
    std::string name() const override { return "wav"; }
    int64_t latencyFrames() override { return 0; }

    void write(const float* frames, std::size_t count) override {
        const std::size_t samples = count * channels_;
        pcm_.resize(samples * 2);
        for (std::size_t i = 0; i < samples; ++i) {
            const float clipped = std::clamp(frames[i], -1.0f, 1.0f);
            const auto value = static_cast<int16_t>(std::lrint(clipped * 32767.0f));
            putLe16(&pcm_[i * 2], static_cast<uint16_t>(value));
        }
        // A data chunk stops growing at the format's 4 GiB limit.
        if (dataBytes_ + pcm_.size() > 0xFFFFFFFFull - 64)
            return;
        if (std::fwrite(pcm_.data(), 1, pcm_.size(), file_) == pcm_.size())
            dataBytes_ += pcm_.size();
    }

private:
    void writeHeader() {
        unsigned char header[44] = {'R', 'I', 'F', 'F', 0,   0,   0,   0, 'W', 'A', 'V',
                                    'E', 'f', 'm', 't', ' ', 0,   0,   0, 0,   0,   0,
                                    0,   0,   0,   0,   0,   0,   0,   0, 0,   0,   0,
                                    0,   0,   0,   'd', 'a', 't', 'a', 0, 0,   0,   0};
        const uint32_t data = static_cast<uint32_t>(dataBytes_);
        putLe32(header + 4, 36 + data);
        putLe32(header + 16, 16);
        putLe16(header + 20, 1);
        putLe16(header + 22, channels_);
        putLe32(header + 24, rate_);
        putLe32(header + 28, rate_ * channels_ * 2);
        putLe16(header + 32, channels_ * 2);
        putLe16(header + 34, 16);
        putLe32(header + 40, data);
        std::fseek(file_, 0, SEEK_SET);
        std::fwrite(header, 1, sizeof header, file_);
        std::fseek(file_, 0, SEEK_END);
        std::fflush(file_);
    }

    std::FILE* file_;
    const int rate_;
    const int channels_;
    uint64_t dataBytes_ = 0;
    std::vector<unsigned char> pcm_;
};

} // namespace

std::unique_ptr<OutputDevice> openWavOutput(const std::string& path, int sampleRate, int channels) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return nullptr;
    return std::make_unique<WavOutput>(file, sampleRate, channels);
}

} // namespace audio::output

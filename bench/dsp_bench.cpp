// Measures the cost of the player's full effect chain (compressor, seven
// equalizer bands, reverb) per stereo frame at 44.1 kHz.
//
// Built by CMake as build/dsp_bench; `make bench` runs it.
#include "audio/api/bass.h"
#include "audio/dsp/effect.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr std::size_t kBlock = 1024;

std::vector<std::unique_ptr<audio::dsp::Effect>> playerChain() {
    std::vector<std::unique_ptr<audio::dsp::Effect>> chain;
    chain.push_back(audio::dsp::createEffect(BASS_FX_DX8_COMPRESSOR, kRate, 2));
    for (float centre : {125.f, 250.f, 500.f, 1000.f, 2000.f, 4000.f, 8000.f}) {
        auto band = audio::dsp::createEffect(BASS_FX_DX8_PARAMEQ, kRate, 2);
        const BASS_DX8_PARAMEQ p{centre, 12, -6};
        band->setParameters(&p);
        chain.push_back(std::move(band));
    }
    chain.push_back(audio::dsp::createEffect(BASS_FX_DX8_REVERB, kRate, 2));
    return chain;
}

// CPU time of this thread: other work on the machine does not count.
double cpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

double nanosecondsPerFrame(audio::dsp::Effect& effect, std::vector<float>& block, int rounds) {
    const double start = cpuNanoseconds();
    for (int r = 0; r < rounds; ++r)
        effect.process(block.data(), kBlock);
    return (cpuNanoseconds() - start) / (double(rounds) * kBlock);
}

} // namespace

int main() {
    std::vector<float> block(kBlock * 2);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = 0.3f * std::sin(0.01f * float(i));
    auto chain = playerChain();
    const int rounds = 20000; // about 8 minutes of audio
    double total = 0;
    const char* names[] = {"compressor", "eq 125", "eq 250", "eq 500", "eq 1k",
                           "eq 2k",      "eq 4k",  "eq 8k",  "reverb"};
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const double ns = nanosecondsPerFrame(*chain[i], block, rounds);
        std::printf("%-12s %6.2f ns/frame\n", names[i], ns);
        total += ns;
    }
    std::printf("%-12s %6.2f ns/frame (%.0fx real time)\n", "chain", total, 1e9 / kRate / total);
    return 0;
}

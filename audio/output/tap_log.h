// Reading the output tap's log (QUAVERLY_AUDIO_TAP, see tap_output.cpp): one
// line per block handed to the output device, for the tests and benchmarks
// that check what went out and when.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace audio::output {

struct TapBlock {
    int64_t handedNs = 0;     // CLOCK_MONOTONIC when handed over
    int64_t frames = 0;       // frames in the block
    int64_t firstAudible = 0; // first audible frame in it, -1 when silent
    int64_t lastAudible = 0;  // last audible frame in it, -1 when silent
};

inline std::vector<TapBlock> readTapLog(const std::string& path) {
    std::vector<TapBlock> blocks;
    std::ifstream in(path);
    TapBlock block;
    while (in >> block.handedNs >> block.frames >> block.firstAudible >> block.lastAudible)
        blocks.push_back(block);
    return blocks;
}

} // namespace audio::output

// What the three effects share: the factory, the published defaults and the
// whole-record refusal of out-of-range parameters.
#include "audio/api/bass.h"
#include "audio/dsp/effect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

using audio::dsp::createEffect;

namespace {

constexpr int kRate = 44100;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

template <class Record> Record parametersOf(const audio::dsp::Effect& effect) {
    Record record{};
    effect.getParameters(&record);
    return record;
}

template <class Record> bool same(const Record& a, const Record& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A new effect of the type reports the published defaults; records with
// one field out of range are refused and leave the parameters set before;
// the edges of every range are taken.
template <class Record>
void expectRecordRules(int type, const Record& defaults, const Record& set,
                       const std::vector<Record>& outOfRange, const Record& edges) {
    auto effect = createEffect(type, kRate, 2);
    ASSERT_NE(effect, nullptr);
    EXPECT_TRUE(same(parametersOf<Record>(*effect), defaults));
    ASSERT_TRUE(effect->setParameters(&set));
    for (const Record& bad : outOfRange) {
        EXPECT_FALSE(effect->setParameters(&bad));
        EXPECT_TRUE(same(parametersOf<Record>(*effect), set));
    }
    EXPECT_TRUE(effect->setParameters(&edges));
    EXPECT_TRUE(same(parametersOf<Record>(*effect), edges));
}

} // namespace

TEST(DspRecords, UnknownTypeOrFormatGivesNoEffect) {
    EXPECT_EQ(createEffect(2, kRate, 2), nullptr);
    EXPECT_EQ(createEffect(BASS_FX_DX8_PARAMEQ, 0, 2), nullptr);
    EXPECT_EQ(createEffect(BASS_FX_DX8_PARAMEQ, kRate, 0), nullptr);
}

TEST(DspRecords, ParamEqDefaultsAndRanges) {
    expectRecordRules<BASS_DX8_PARAMEQ>(BASS_FX_DX8_PARAMEQ, {8000, 12, 0}, {1000, 12, -6},
                                        {{79, 12, 0},
                                         {16001, 12, 0},
                                         {1000, 0.5f, 0},
                                         {1000, 37, 0},
                                         {1000, 12, -16},
                                         {1000, 12, 15.5f},
                                         {kNaN, 12, 0},
                                         {1000, kNaN, 0},
                                         {1000, 12, kNaN}},
                                        {80, 36, 15});
}

TEST(DspRecords, CompressorDefaultsAndRanges) {
    expectRecordRules<BASS_DX8_COMPRESSOR>(BASS_FX_DX8_COMPRESSOR, {0, 10, 200, -20, 3, 4},
                                           {3, 10, 200, -20, 3, 4},
                                           {{61, 10, 200, -20, 3, 4},
                                            {-61, 10, 200, -20, 3, 4},
                                            {0, 0.001f, 200, -20, 3, 4},
                                            {0, 501, 200, -20, 3, 4},
                                            {0, 10, 49, -20, 3, 4},
                                            {0, 10, 3001, -20, 3, 4},
                                            {0, 10, 200, 1, 3, 4},
                                            {0, 10, 200, -61, 3, 4},
                                            {0, 10, 200, -20, 0.5f, 4},
                                            {0, 10, 200, -20, 101, 4},
                                            {0, 10, 200, -20, 3, -1},
                                            {0, 10, 200, -20, 3, 4.5f},
                                            {kNaN, 10, 200, -20, 3, 4}},
                                           {60, 0.01f, 3000, -60, 100, 0});
}

TEST(DspRecords, ReverbDefaultsAndRanges) {
    expectRecordRules<BASS_DX8_REVERB>(BASS_FX_DX8_REVERB, {0, 0, 1000, 0.001f},
                                       {-3, -6, 500, 0.5f},
                                       {{1, 0, 1000, 0.5f},
                                        {-97, 0, 1000, 0.5f},
                                        {0, 0.5f, 1000, 0.5f},
                                        {0, -97, 1000, 0.5f},
                                        {0, 0, 0.0f, 0.5f},
                                        {0, 0, 3001, 0.5f},
                                        {0, 0, 1000, 0.0f},
                                        {0, 0, 1000, 1.0f},
                                        {0, 0, kNaN, 0.5f}},
                                       {-96, -96, 0.001f, 0.999f});
}

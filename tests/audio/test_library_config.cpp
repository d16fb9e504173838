// Configuration options: each kept as given and read back, refused values
// and unknown options with their errors.
#include "audio/api/bass.h"

#include <gtest/gtest.h>

#include <vector>

TEST(LibraryConfig, EachOptionKeepsItsOwnValue) {
    // All set before any is read: two options sharing one place would show.
    const std::vector<std::pair<DWORD, DWORD>> values = {
        {BASS_CONFIG_NET_PLAYLIST, 1},        {BASS_CONFIG_NET_TIMEOUT, 2500},
        {BASS_CONFIG_NET_READTIMEOUT, 30000}, {BASS_CONFIG_NET_OPENLIMIT, 12000},
        {BASS_CONFIG_GVOL_STREAM, 5000},
    };
    std::vector<DWORD> before;
    for (const auto& [option, value] : values) {
        before.push_back(BASS_GetConfig(option));
        EXPECT_TRUE(BASS_SetConfig(option, value)) << option;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(BASS_GetConfig(values[i].first), values[i].second) << values[i].first;
        BASS_SetConfig(values[i].first, before[i]);
    }
}

TEST(LibraryConfig, RefusedValuesAndUnknownOptionsChangeNothing) {
    struct Case {
        DWORD option;
        DWORD value;
        int error;
    } const cases[] = {
        {BASS_CONFIG_GVOL_STREAM, 10001, BASS_ERROR_ILLPARAM},
        {0x7777, 1, BASS_ERROR_ILLTYPE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const DWORD before = BASS_GetConfig(c.option);
        EXPECT_FALSE(BASS_SetConfig(c.option, c.value));
        EXPECT_EQ(BASS_ErrorGetCode(), c.error);
        EXPECT_EQ(BASS_GetConfig(c.option), before);
    }
    EXPECT_EQ(BASS_GetConfig(0x7777), static_cast<DWORD>(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

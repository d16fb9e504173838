// Device start and stop on each back-end, version, configuration and plug-ins.
#include "test_library_support.h"

#include "support/temp_dir.h"

#include <filesystem>

using librarytest::Device;
using librarytest::ScopedEnv;

TEST(LibraryDevice, EachOfflineBackEndStartsAndReportsItself) {
    for (const std::string choice : {"null", "null:fast"}) {
        SCOPED_TRACE(choice);
        Device device(choice);
        ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
        BASS_INFO info{};
        ASSERT_TRUE(BASS_GetInfo(&info));
        EXPECT_EQ(info.freq, 44100u);
    }
}

TEST(LibraryDevice, InitTwiceFailsAndFreeWithoutInitFails) {
    Device device("null:fast");
    ASSERT_TRUE(device.ok());
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    BASS_INFO info{};
    EXPECT_FALSE(BASS_GetInfo(&info));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

TEST(LibraryDevice, InitFailsWhenTheNamedOutputDoesNotOpen) {
    for (const std::string choice : {"nonsense", "wav:/nonexistent-folder/out.wav", "wav:"}) {
        SCOPED_TRACE(choice);
        Device device(choice);
        EXPECT_FALSE(device.ok());
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
        EXPECT_FALSE(BASS_StreamCreateFile(FALSE, "/x.wav", 0, 0, 0));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    }
}

TEST(LibraryDevice, OnlyTheDefaultDeviceExists) {
    ScopedEnv env("QUAVERLY_AUDIO", "null:fast");
    EXPECT_FALSE(BASS_Init(7, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

TEST(LibraryDevice, WavOutputIsAValidEmptyFileAfterFree) {
    testsupport::TempDir dir;
    const std::string path = dir.file("out.wav");
    {
        Device device("wav:" + path);
        ASSERT_TRUE(device.ok());
    }
    const librarytest::Wav wav = librarytest::readWav(path);
    EXPECT_EQ(wav.rate, 44100);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.frames(), 0u);
    EXPECT_EQ(std::filesystem::file_size(path), 44u);
}

TEST(LibraryDevice, VersionIsTwoPointFour) {
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0204u);
}

TEST(LibraryDevice, StreamVolumeIsKeptWithinRange) {
    ASSERT_TRUE(BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 2500));
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_GVOL_STREAM), 2500u);
    EXPECT_FALSE(BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10001));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_GVOL_STREAM), 2500u);
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000));
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1));
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_PLAYLIST), 1u);
    EXPECT_FALSE(BASS_SetConfig(12345, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

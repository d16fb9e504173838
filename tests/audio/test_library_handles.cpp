// Calls with handle 0, a freed handle or a wrong kind of handle fail with
// BASS_ERROR_HANDLE and change nothing; streams refuse what they cannot open.
#include "test_library_support.h"

#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace {

// Every handle-taking call fails on this handle with BASS_ERROR_HANDLE.
void expectRejected(DWORD handle) {
    SCOPED_TRACE(handle);
    const auto expectHandleError = [](bool failed, const char* call) {
        EXPECT_TRUE(failed) << call;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE) << call;
    };
    expectHandleError(!BASS_ChannelPlay(handle, FALSE), "play");
    expectHandleError(!BASS_ChannelPause(handle), "pause");
    expectHandleError(!BASS_ChannelStop(handle), "stop");
    expectHandleError(BASS_ChannelIsActive(handle) == BASS_ACTIVE_STOPPED, "is active");
    expectHandleError(BASS_ChannelGetLength(handle, BASS_POS_BYTE) == QWORD(-1), "length");
    expectHandleError(BASS_ChannelGetPosition(handle, BASS_POS_BYTE) == QWORD(-1), "position");
    expectHandleError(!BASS_ChannelSetPosition(handle, 0, BASS_POS_BYTE), "seek");
    expectHandleError(BASS_ChannelBytes2Seconds(handle, 1000) < 0, "bytes2seconds");
    expectHandleError(BASS_ChannelSeconds2Bytes(handle, 1.0) == QWORD(-1), "seconds2bytes");
    expectHandleError(BASS_ChannelGetTags(handle, BASS_TAG_OGG) == nullptr, "tags");
    expectHandleError(
        BASS_ChannelSetSync(handle, BASS_SYNC_END, 0, librarytest::raiseEvent, nullptr) == 0,
        "sync");
    expectHandleError(BASS_ChannelSetFX(handle, BASS_FX_DX8_PARAMEQ, 1) == 0, "set fx");
    expectHandleError(!BASS_FXReset(handle), "fx reset");
    BASS_DX8_PARAMEQ eq{};
    expectHandleError(!BASS_FXGetParameters(handle, &eq), "fx get");
    expectHandleError(!BASS_FXSetParameters(handle, &eq), "fx set");
    expectHandleError(!QUAVERLY_ChannelSetNext(handle, 0), "set next");
    expectHandleError(!BASS_StreamFree(handle), "free");
    EXPECT_STREQ(TAGS_Read(handle, "%TITL"), "");
}

class LibraryHandles : public librarytest::OnTheFastOutput {};

} // namespace

TEST_F(LibraryHandles, ZeroAndFreedHandlesAreRejected) {
    expectRejected(0);
    const HSTREAM stream = librarytest::openFixture("tone_1k_3s.wav");
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 1);
    ASSERT_NE(fx, 0u);
    ASSERT_TRUE(BASS_StreamFree(stream));
    expectRejected(stream);
    expectRejected(fx);
}

TEST_F(LibraryHandles, HandlesAreNotReusedAndFreeEndsEverything) {
    const std::string path = testsupport::fixture("tone_1k_3s.wav");
    const HSTREAM first = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_StreamFree(first));
    const HSTREAM second = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    ASSERT_TRUE(BASS_Free());
    expectRejected(second);
}

TEST_F(LibraryHandles, AnEffectIsNotAStreamAndAStreamIsNotAnEffect) {
    const std::string path = testsupport::fixture("tone_1k_3s.wav");
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    const HSTREAM other = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_REVERB, 1);
    ASSERT_NE(fx, 0u);
    EXPECT_FALSE(BASS_ChannelPlay(fx, FALSE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    BASS_DX8_REVERB reverb{};
    EXPECT_FALSE(BASS_FXGetParameters(stream, &reverb));
    EXPECT_FALSE(BASS_ChannelRemoveFX(other, fx)); // not that stream's effect
    EXPECT_TRUE(BASS_FXGetParameters(fx, &reverb));
    EXPECT_TRUE(BASS_ChannelRemoveFX(stream, fx));
    EXPECT_FALSE(BASS_ChannelRemoveFX(stream, fx));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_FALSE(BASS_ChannelSetFX(stream, 99, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
    EXPECT_FALSE(BASS_ChannelSetSync(stream, 77, 0, librarytest::raiseEvent, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

TEST_F(LibraryHandles, StreamsThatCannotOpenFailCleanly) {
    testsupport::TempDir dir;
    const std::string cd = dir.write("Track01.cda", std::string(44, 'x'));
    const std::string empty = dir.write("empty.mp3", "");
    const std::string garbage = dir.write("noise.ogg", std::string(5000, '\x5a'));
    for (const std::string& path : {cd, empty, garbage, dir.file("missing.wav")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), 0u);
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
    }
    const std::string tone = testsupport::fixture("tone_1k_3s.wav");
    EXPECT_EQ(BASS_StreamCreateFile(TRUE, tone.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_EQ(BASS_StreamCreateURL("ftp://127.0.0.1/x.mp3", 0, 0, nullptr, nullptr), 0u);
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
}

TEST_F(LibraryHandles, Utf16PathsOpen) {
    testsupport::TempDir dir;
    const std::string source = testsupport::readFile(testsupport::fixture("tone_1k_3s.wav"));
    dir.write("日本語 𝄞.wav", source);
    const std::u16string path =
        u"" + std::u16string(dir.path().begin(), dir.path().end()) + u"/日本語 𝄞.wav";
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_UNICODE);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), 529200u);
}

// The codec module's C table and its version: what the loader refuses, the
// version read from a module file without loading it, and the texts that
// cross the table as the C++ decoder gave them.
#include "audio/codecs/decoder.h"
#include "audio/engine/codec_module.h"
#include "audio/engine/module_decoder.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <tuple>

namespace {

TEST(CodecModule, TheLoaderTakesOnlyATableOfItsVersionAndAtLeastItsSize) {
    constexpr uint32_t kSize = sizeof(QcCodecTable);
    const struct {
        uint32_t version;
        uint32_t size;
        bool fits;
    } cases[] = {
        {QC_ABI_VERSION, kSize, true},
        {QC_ABI_VERSION, kSize + 16, true}, // fields appended by a later build
        {QC_ABI_VERSION, kSize - 8, false}, // an older table lacks the last fields
        {QC_ABI_VERSION, 0, false},
        {QC_ABI_VERSION + 1, kSize, false},
        {QC_ABI_VERSION - 1, kSize, false},
        {0, 0, false},
    };
    for (const auto& c : cases) {
        QcCodecTable table{};
        table.abiVersion = c.version;
        table.size = c.size;
        EXPECT_EQ(audio::tableFits(&table), c.fits) << c.version << " / " << c.size;
    }
    EXPECT_FALSE(audio::tableFits(nullptr));
    EXPECT_TRUE(audio::tableFits(audio::codecs())) << "the program's own codecs";
}

TEST(CodecModule, AModuleFileTellsItsVersionWithoutBeingLoaded) {
    testsupport::TempDir dir;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string truncated = dir.path() + "/truncated.so";
    std::filesystem::copy_file(self, truncated);
    std::filesystem::resize_file(truncated, 4096); // section headers are at the end
    dir.write("text.so", "not an ELF file at all\n");
    dir.write("empty.so", "");
    const struct {
        std::string path;
        std::optional<uint32_t> version;
    } cases[] = {
        {self, QC_ABI_VERSION}, // the codec objects are linked into the tests
        {QUAVERLY_STALE_CODEC_MODULE, QC_ABI_VERSION + 1},
        {truncated, std::nullopt},
        {dir.path() + "/text.so", std::nullopt},
        {dir.path() + "/empty.so", std::nullopt},
        {dir.path() + "/missing.so", std::nullopt},
        {"/bin/sh", std::nullopt}, // notes, none of them ours
    };
    for (const auto& c : cases)
        EXPECT_EQ(audio::moduleFileAbiVersion(c.path), c.version) << c.path;
}

TEST(CodecModule, TextsCrossTheTableAsTheDecoderGaveThem) {
    const QcCodecTable* table = audio::codecs();
    ASSERT_TRUE(table);
    for (const char* name : {"tags/tone.flac", "tags/tone.ogg", "tags/tone.mp3"}) {
        SCOPED_TRACE(name);
        const std::string path = testsupport::fixture(name);
        int error = 0;
        const auto direct = audio::Decoder::openFile(path, &error);
        const auto crossed = audio::core::ModuleDecoder::openFile(*table, path, &error);
        ASSERT_TRUE(direct && crossed) << error;
        EXPECT_EQ(crossed->format().sampleRate, direct->format().sampleRate);
        EXPECT_EQ(crossed->format().channels, direct->format().channels);
        EXPECT_EQ(crossed->lengthFrames(), direct->lengthFrames());
        EXPECT_EQ(crossed->comments(), direct->comments());
        const audio::tags::TagFields a = crossed->tags();
        const audio::tags::TagFields b = direct->tags();
        EXPECT_EQ(std::tie(a.artist, a.album, a.year, a.disc, a.track, a.title, a.genre, a.comment,
                           a.composer),
                  std::tie(b.artist, b.album, b.year, b.disc, b.track, b.title, b.genre, b.comment,
                           b.composer));
        EXPECT_EQ(a.title, "タイトル");
    }
}

TEST(CodecModule, AFileThatCannotBeOpenedGivesTheDecodersError) {
    const QcCodecTable* table = audio::codecs();
    ASSERT_TRUE(table);
    testsupport::TempDir dir;
    dir.write("01 - Intro.flac", "fLaC but nothing a decoder could use");
    const struct {
        std::string path;
    } cases[] = {{dir.path() + "/01 - Intro.flac"}, {dir.path() + "/missing.mp3"}};
    for (const auto& c : cases) {
        int direct = 0;
        int crossed = 0;
        EXPECT_FALSE(audio::Decoder::openFile(c.path, &direct));
        EXPECT_FALSE(audio::core::ModuleDecoder::openFile(*table, c.path, &crossed));
        EXPECT_NE(crossed, QC_OK) << c.path;
        EXPECT_EQ(crossed, direct) << c.path;
    }
}

} // namespace

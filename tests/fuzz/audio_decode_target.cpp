// The audio library's file path on mutated files: open, read the tags, decode
// to the end (a bounded amount of it), seek back, decode again, free. The
// first input byte picks the file's extension, the rest is the file.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "audio/codecs/decoder.h"
#include "audio/codecs/tags/riff_info.h"
#include "audio/codecs/tags/tag_fields.h"

extern "C" {
#include <libavutil/log.h>
}

#include <vector>

namespace {

using fuzzsupport::check;

const char* const kExtensions[] = {"wav",  "mp3", "ogg", "flac", "m4a", "aac", "aif",
                                   "opus", "wma", "mp2", "mp1",  "oga", "mp4"};

constexpr int kBlockFrames = 4096;
// About ten seconds of CD audio: enough to reach the end of every seed.
constexpr int kMaxBlocks = 128;

void Quiet() {
    static const bool once = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)once;
}

void DecodeSome(audio::Decoder& decoder, int maxBlocks) {
    const audio::DecodedFormat format = decoder.format();
    check(format.sampleRate > 0 && format.channels > 0, "an open decoder without a format");
    std::vector<float> block(static_cast<size_t>(kBlockFrames) * format.channels);
    for (int i = 0; i < maxBlocks; ++i) {
        const int frames = decoder.decode(block.data(), kBlockFrames);
        check(frames <= kBlockFrames, "the decoder wrote past its block");
        if (frames <= 0)
            return;
    }
}

} // namespace

int fuzzAudioDecode(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    Quiet();
    const QString name =
        QStringLiteral("input.") + QLatin1String(kExtensions[data[0] % std::size(kExtensions)]);
    const QString path = fuzzsupport::scratchPath(name);
    if (!fuzzsupport::writeScratch(path, fuzzsupport::bytesOf(data + 1, size - 1)))
        fuzzsupport::fail("cannot write the scratch audio file");
    const std::string file = path.toStdString();
    (void)audio::tags::readFileTags(file);
    (void)audio::tags::readRiffInfo(file);
    int error = 0;
    const std::unique_ptr<audio::Decoder> decoder = audio::Decoder::openFile(file, &error);
    if (!decoder) {
        check(error != 0, "a failed open without an error code");
        return 0;
    }
    check(decoder->lengthFrames() >= -1, "a negative length");
    DecodeSome(*decoder, kMaxBlocks);
    if (decoder->seek(0))
        DecodeSome(*decoder, 4);
    return 0;
}

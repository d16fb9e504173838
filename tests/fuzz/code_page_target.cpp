// Text decoding: the two UTF-8 checks (list files and tags) must agree, the
// ANSI decoding of a list line must survive the list writer's encoding, and
// the legacy tag decoding must always give valid UTF-8.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "audio/tags/legacy_text.h"
#include "platform/code_page.h"

namespace {

using fuzzsupport::check;

void CheckUtf8Checks(const char* bytes, size_t size) {
    const bool valid = platform::isValidUtf8(bytes, size);
    check(valid == audio::tags::isValidUtf8(std::string_view(bytes, size)),
          "the two UTF-8 checks disagree");
    const size_t prefix = platform::validUtf8PrefixLength(bytes, size);
    check(prefix <= size && (prefix == size) == valid, "the valid prefix is wrong");
    check(platform::isValidUtf8(bytes, prefix), "the valid prefix is not valid");
}

void CheckListLineRoundTrip(const QByteArray& bytes) {
    const QString line = platform::decodeAnsi(bytes);
    const QByteArray written = platform::encodeListLine(line);
    check(platform::decodeAnsi(written) == line, "a list line does not read back unchanged",
          line.toStdString());
    check(platform::decodeStationText(bytes) == line, "station text decodes unlike a list line");
    const size_t valid =
        platform::validUtf8PrefixLength(bytes.constData(), static_cast<size_t>(bytes.size()));
    check(platform::decodeUtf8Prefix(bytes) ==
              platform::decodeAnsi(bytes.left(static_cast<qsizetype>(valid))),
          "the UTF-8 prefix decodes unlike the same bytes as a line");
}

} // namespace

int fuzzCodePage(const uint8_t* data, size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    CheckUtf8Checks(bytes, size);
    CheckListLineRoundTrip(fuzzsupport::bytesOf(data, size));
    const std::string legacy = audio::tags::decodeLegacyText(std::string(bytes, size));
    check(audio::tags::isValidUtf8(legacy), "legacy text decoded into invalid UTF-8");
    return 0;
}

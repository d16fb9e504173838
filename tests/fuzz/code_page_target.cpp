// Text decoding: the ANSI decoding of a list line must survive the list
// writer's encoding, file names must come back to their bytes, and the
// legacy tag decoding must always give valid UTF-8.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "platform/code_page.h"
#include "platform/file_name.h"
#include "text/legacy_text.h"

namespace {

using fuzzsupport::check;

void CheckUtf8Prefix(const QByteArray& bytes) {
    const size_t size = static_cast<size_t>(bytes.size());
    const size_t prefix = platform::validUtf8PrefixLength(bytes.constData(), size);
    check(prefix <= size && (prefix == size) == platform::isValidUtf8(bytes.constData(), size),
          "the valid prefix is wrong");
    check(platform::isValidUtf8(bytes.constData(), prefix), "the valid prefix is not valid");
    check(platform::decodeUtf8Prefix(bytes) ==
              QString::fromUtf8(bytes.left(static_cast<qsizetype>(prefix))),
          "the UTF-8 prefix decodes unlike its bytes");
}

void CheckListLineRoundTrip(const QByteArray& bytes) {
    const QString line = platform::decodeAnsi(bytes);
    const QByteArray written = platform::encodeListLine(line);
    check(platform::decodeAnsi(written) == line, "a list line does not read back unchanged",
          line.toStdString());
    const QString readable = platform::readableAnsi(bytes);
    check(!platform::holdsUndecodedBytes(readable), "readable text holds undecoded bytes");
    check(platform::holdsUndecodedBytes(line) || readable == line,
          "readable text differs from decoded text");
}

void CheckFileNameRoundTrip(const QByteArray& bytes) {
    check(platform::encodeFileName(platform::decodeFileName(bytes)) == bytes,
          "a file name does not come back to its bytes");
}

} // namespace

int fuzzCodePage(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzsupport::bytesOf(data, size);
    CheckUtf8Prefix(bytes);
    CheckListLineRoundTrip(bytes);
    CheckFileNameRoundTrip(bytes);
    const std::string legacy =
        text::decodeLegacyText(std::string(reinterpret_cast<const char*>(data), size));
    check(text::isValidUtf8(legacy), "legacy text decoded into invalid UTF-8");
    return 0;
}

#include "platform/code_page.h"

#include "platform/file_name.h"
#include "text/legacy_text.h"

#include <iconv.h>
#include <optional>

namespace platform {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
constexpr QChar kByteOrderMark(0xFEFF);

std::string_view viewOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

bool isAscii(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// The line in CP932, or false when a character has no CP932 code.
bool encodeCp932(const QString& text, QByteArray& cp932) {
    iconv_t converter = iconv_open("CP932", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    QByteArray input = text.toUtf8();
    char* in = input.data();
    size_t inLeft = static_cast<size_t>(input.size());
    cp932.resize(input.size()); // never longer than its UTF-8 form
    char* out = cp932.data();
    size_t outLeft = static_cast<size_t>(cp932.size());
    const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    cp932.resize(cp932.size() - static_cast<qsizetype>(outLeft));
    return result != static_cast<size_t>(-1) && inLeft == 0;
}

// The text by the 8-bit rule, or nothing when no code page decodes it.
std::optional<QString> decodeByRule(const QByteArray& bytes) {
    const std::optional<std::string> utf8 = text::decodeLegacyTextStrict(viewOf(bytes));
    if (!utf8)
        return std::nullopt;
    // fromUtf8 drops a leading byte order mark.
    return QString::fromUtf8(utf8->data(), static_cast<qsizetype>(utf8->size()));
}

} // namespace

size_t validUtf8PrefixLength(const char* bytes, size_t size) {
    return text::validUtf8PrefixLength(std::string_view(bytes, size));
}

bool isValidUtf8(const char* bytes, size_t size) {
    return text::isValidUtf8(std::string_view(bytes, size));
}

QString decodeAnsi(const QByteArray& bytes) {
    std::optional<QString> text = decodeByRule(bytes);
    return text ? *std::move(text) : decodeFileName(bytes);
}

QString readableAnsi(const QByteArray& bytes) {
    std::optional<QString> text = decodeByRule(bytes);
    return text ? *std::move(text) : QString::fromUtf8(bytes); // U+FFFD for what is not UTF-8
}

QString decodeStationText(const QByteArray& bytes) {
    return decodeAnsi(bytes);
}

QString decodeUtf8Prefix(const QByteArray& bytes) {
    const size_t length =
        validUtf8PrefixLength(bytes.constData(), static_cast<size_t>(bytes.size()));
    return QString::fromUtf8(bytes.constData(), static_cast<qsizetype>(length));
}

QByteArray encodeListLine(const QString& line) {
    if (isAscii(line))
        return line.toLatin1();
    QByteArray cp932;
    if (!holdsUndecodedBytes(line) && encodeCp932(line, cp932) && decodeAnsi(cp932) == line)
        return cp932;
    // Reading drops one leading byte order mark, so a line that starts with
    // U+FEFF of its own gets one more in front.
    if (line.startsWith(kByteOrderMark))
        return kUtf8Bom + encodeFileName(line);
    return encodeFileName(line);
}

} // namespace platform

#include "platform/code_page.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

namespace {

const QByteArray kReplacementUtf8("\xEF\xBF\xBD");
const QByteArray kUtf8Bom("\xEF\xBB\xBF");

// One iconv conversion descriptor, opened for the life of a single call.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (isOpen())
            iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool isOpen() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all input; returns false at the first unconvertible byte
    // (stopAtError) or replaces each one with `replacement`.
    bool convert(const QByteArray& input, QByteArray& output, bool stopAtError,
                 const QByteArray& replacement) {
        char* in = const_cast<char*>(input.constData());
        size_t inLeft = static_cast<size_t>(input.size());
        char buffer[1024];
        while (inLeft > 0) {
            char* out = buffer;
            size_t outLeft = sizeof buffer;
            const size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
            const int error = result == static_cast<size_t>(-1) ? errno : 0;
            output.append(buffer, static_cast<qsizetype>(out - buffer));
            if (error == 0 || error == E2BIG)
                continue;
            if (stopAtError)
                return false;
            output.append(replacement);
            if (error == EINVAL) // sequence cut off at the end
                break;
            ++in;
            --inLeft;
        }
        return true;
    }

private:
    iconv_t handle_;
};

int sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The allowed range of the second byte depends on the lead byte (this rules
// out overlong forms, surrogates and code points above U+10FFFF).
bool secondByteAllowed(unsigned char lead, unsigned char second) {
    switch (lead) {
    case 0xE0:
        return second >= 0xA0 && second <= 0xBF;
    case 0xED:
        return second >= 0x80 && second <= 0x9F;
    case 0xF0:
        return second >= 0x90 && second <= 0xBF;
    case 0xF4:
        return second >= 0x80 && second <= 0x8F;
    default:
        return second >= 0x80 && second <= 0xBF;
    }
}

// Length of the valid sequence at bytes[0], or 0 when it is invalid or cut off.
size_t validSequenceAt(const unsigned char* bytes, size_t left) {
    const int length = sequenceLength(bytes[0]);
    if (length == 0 || static_cast<size_t>(length) > left)
        return 0;
    if (length > 1 && !secondByteAllowed(bytes[0], bytes[1]))
        return 0;
    for (int i = 2; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
    }
    return static_cast<size_t>(length);
}

bool isAscii(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

QString decodeCp932(const QByteArray& bytes) {
    Converter converter("UTF-8", "CP932");
    if (!converter.isOpen())
        return QString::fromLatin1(bytes);
    QByteArray utf8;
    utf8.reserve(bytes.size() * 3 / 2);
    converter.convert(bytes, utf8, false, kReplacementUtf8);
    return QString::fromUtf8(utf8);
}

bool encodeCp932(const QString& text, QByteArray& cp932) {
    Converter converter("CP932", "UTF-8");
    return converter.isOpen() && converter.convert(text.toUtf8(), cp932, true, QByteArray());
}

} // namespace

size_t validUtf8PrefixLength(const char* bytes, size_t size) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    size_t pos = 0;
    while (pos < size) {
        if (data[pos] < 0x80) {
            ++pos;
            continue;
        }
        const size_t length = validSequenceAt(data + pos, size - pos);
        if (length == 0)
            break;
        pos += length;
    }
    return pos;
}

bool isValidUtf8(const char* bytes, size_t size) {
    return validUtf8PrefixLength(bytes, size) == size;
}

QString decodeAnsi(const QByteArray& bytes) {
    if (isValidUtf8(bytes.constData(), static_cast<size_t>(bytes.size())))
        return QString::fromUtf8(bytes);
    return decodeCp932(bytes);
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
    if (encodeCp932(line, cp932) && decodeAnsi(cp932) == line)
        return cp932;
    // Reading drops one leading byte order mark, so a line that starts with
    // U+FEFF of its own gets one more in front.
    if (line.startsWith(QChar(0xFEFF)))
        return kUtf8Bom + line.toUtf8();
    return line.toUtf8();
}

} // namespace platform

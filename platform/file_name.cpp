#include "platform/file_name.h"

#include "platform/code_page.h"
#include "text/utf16.h"

#include <QStringDecoder>

namespace platform {

namespace {

constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

// UTF-8 that keeps a leading byte order mark (fromUtf8 drops it): it
// belongs to the name.
QString fromUtf8KeepingMark(const char* bytes, qsizetype size) {
    if (size < 3 || QByteArrayView(bytes, 3) != "\xEF\xBB\xBF")
        return QString::fromUtf8(bytes, size);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8(QByteArrayView(bytes, size));
}

} // namespace

QString decodeFileName(QByteArrayView bytes) {
    const char* data = bytes.data();
    const size_t size = static_cast<size_t>(bytes.size());
    size_t at = validUtf8PrefixLength(data, size);
    if (at == size)
        return fromUtf8KeepingMark(data, bytes.size());
    QString name = fromUtf8KeepingMark(data, static_cast<qsizetype>(at));
    while (at < size) {
        name += QChar(kFirstEscape - 0x80 + static_cast<unsigned char>(data[at]));
        ++at;
        const size_t valid = validUtf8PrefixLength(data + at, size - at);
        name += fromUtf8KeepingMark(data + at, static_cast<qsizetype>(valid));
        at += valid;
    }
    return name;
}

QByteArray encodeFileName(const QString& name) {
    const std::string bytes = text::utf16ToUtf8(reinterpret_cast<const char16_t*>(name.utf16()),
                                                static_cast<size_t>(name.size()));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString pathFromEnvironment(const char* variable) {
    return decodeFileName(qgetenv(variable));
}

bool holdsUndecodedBytes(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= kFirstEscape && c.unicode() <= kLastEscape)
            return true;
    }
    return false;
}

QString readableFileName(const QString& name) {
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return readableAnsi(encodeFileName(name));
    }
    return name;
}

} // namespace platform

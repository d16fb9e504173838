#include "browser/playlist_lines.h"

#include "platform/code_page.h"

namespace browser {

namespace {

QList<QByteArray> SplitLines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    // A final line end does not start another line.
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

} // namespace

QStringList DecodeM3uLines(const QByteArray& bytes) {
    QStringList lines;
    for (const QByteArray& line : SplitLines(bytes))
        lines.append(platform::decodeAnsi(line));
    return lines;
}

QStringList DecodeM3u8Lines(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    // Reading stops at an invalid sequence; the text before it is the last line.
    const QString text = platform::decodeUtf8Prefix(bytes);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace browser

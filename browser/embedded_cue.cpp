#include "browser/embedded_cue.h"

#include "audio/api/bass.h"
#include "platform/shell_path.h"

#include <algorithm>
#include <array>

namespace browser {

namespace {

const QLatin1String kEntrySuffix("#cue");

const std::array<QLatin1String, 5> kImageExtensions = {
    QLatin1String(".flac"), QLatin1String(".ape"), QLatin1String(".wv"), QLatin1String(".tta"),
    QLatin1String(".tak")};

} // namespace

bool MayHoldCueSheet(const QString& name) {
    return std::ranges::find(kImageExtensions, platform::extensionOf(name)) !=
           kImageExtensions.end();
}

QString EmbeddedCueEntry(const QString& imageName) {
    return imageName + kEntrySuffix;
}

bool IsEmbeddedCueEntry(const QString& name) {
    return name.endsWith(kEntrySuffix) && MayHoldCueSheet(ImageOfEmbeddedCueEntry(name));
}

QString ImageOfEmbeddedCueEntry(const QString& entry) {
    return entry.chopped(kEntrySuffix.size());
}

QByteArray ReadEmbeddedCueSheet(const QString& imagePath) {
    DWORD length = 0;
    const char* sheet = QUAVERLY_GetFileCueSheet(imagePath.utf16(), BASS_UNICODE, &length);
    return sheet ? QByteArray(sheet, static_cast<qsizetype>(length)) : QByteArray();
}

} // namespace browser

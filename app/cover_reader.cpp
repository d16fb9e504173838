#include "app/cover_reader.h"

#include "app/cover_art.h"
#include "audio/api/tags.h"

namespace app {

CoverReader::CoverReader(ReadPicture read, QObject* parent)
    : QObject(parent), read_(std::move(read)) {
    worker_.setMaxThreadCount(1);
}

CoverReader::~CoverReader() {
    // A result still on its way is posted to this object, and Qt drops the
    // events of a destroyed object.
    worker_.waitForDone();
}

QString CoverReader::UrlFor(HSTREAM stream) {
    if (stream == asked_)
        return url_;
    asked_ = stream;
    url_.clear();
    if (stream == 0)
        return url_;
    worker_.start([this, stream, read = read_] {
        // The cache file is written here too: the UI thread does no disk work.
        const QString url = CachedCoverUrl(read(stream));
        QMetaObject::invokeMethod(
            this, [this, stream, url] { Finish(stream, url); }, Qt::QueuedConnection);
    });
    return url_;
}

void CoverReader::Finish(HSTREAM stream, const QString& url) {
    if (stream != asked_)
        return; // the track changed while its cover was read
    url_ = url;
    if (!url.isEmpty())
        emit coverRead();
}

QByteArray CoverReader::EmbeddedPicture(HSTREAM stream) {
    DWORD length = 0;
    const void* picture = TAGS_GetPicture(stream, &length);
    return QByteArray(static_cast<const char*>(picture), picture ? static_cast<int>(length) : 0);
}

} // namespace app

// The cover picture of the playing file, read on a worker thread: finding a
// picture means reading the file's tags, which the UI thread must never wait
// for. The answer comes back to the owner's thread as a queued call and is
// dropped when another track has been asked for meanwhile.
#pragma once

#include "audio/api/bass.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <functional>

namespace app {

class CoverReader : public QObject {
    Q_OBJECT
public:
    // Gives the bytes of a stream's picture; runs on the worker thread.
    using ReadPicture = std::function<QByteArray(HSTREAM stream)>;

    explicit CoverReader(ReadPicture read = EmbeddedPicture, QObject* parent = nullptr);
    // Waits for a read that is under way (each read is bounded).
    ~CoverReader() override;

    // The cover URL of the stream once read ("" when it has none); "" while
    // it is being read. Asking for another stream starts reading its cover.
    QString UrlFor(HSTREAM stream);

    // TAGS_GetPicture of the stream.
    static QByteArray EmbeddedPicture(HSTREAM stream);

signals:
    // The cover of the stream last asked for has been read.
    void coverRead();

private:
    void Finish(HSTREAM stream, const QString& url);

    ReadPicture read_;
    QThreadPool worker_; // one thread: reads run one after the other
    HSTREAM asked_ = 0;
    QString url_;
};

} // namespace app

// Network streams open in the background: connecting to a station can take
// up to the open's deadline (10 s) and must not hold the window. The engine
// is "connecting" meanwhile; the result comes back to the UI thread and is
// taken only while the connection is still the one the user asked for: Stop,
// Play/Pause on the row, another open or a refilled track list gives it up,
// and a stream that opened too late is freed unheard.
#include "playback/playback_engine.h"

#include "playback/playback_log.h"
#include "tracklist/list_view.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace playback {

void PlaybackEngine::Connect(int n, const QString& location) {
    connecting_ = {n, location, platform::CancelToken()};
    // Next and Previous step from the row the user chose.
    trackRow_ = n;
    trackList_->SetCurrentRow(n);
    const platform::CancelToken token = connecting_.token;
    platform::runInBackground([this, token, location] {
        const ConnectResult result = ConnectTo(location, token);
        // Back on the UI thread, where the token is cancelled: a stream that
        // opened for a cancelled connection is freed there unheard. The
        // engine cancels its connection before it is destroyed, so it is
        // only reached while it exists.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, token, result] {
                if (token.cancelled()) {
                    if (result.stream != 0)
                        BASS_StreamFree(result.stream);
                    return;
                }
                FinishConnect(result);
            },
            Qt::QueuedConnection);
    });
}

PlaybackEngine::ConnectResult PlaybackEngine::ConnectTo(const QString& location,
                                                        const platform::CancelToken& token) {
    platform::CancelToken asked = token;
    const HSTREAM stream = QUAVERLY_StreamCreateURLCancellable(
        location.utf16(), BASS_UNICODE,
        [](void* user) -> BOOL {
            return static_cast<const platform::CancelToken*>(user)->cancelled() ? TRUE : FALSE;
        },
        &asked);
    return {stream, stream == 0 ? BASS_ErrorGetCode() : BASS_OK};
}

void PlaybackEngine::FinishConnect(ConnectResult result) {
    // The track list was refilled meanwhile: the row is gone.
    if (trackList_->GetLocation(connecting_.row) != connecting_.location) {
        CancelConnection();
        if (result.stream != 0)
            BASS_StreamFree(result.stream);
        emit connectionEnded();
        return;
    }
    const Connection connection = std::exchange(connecting_, Connection{});
    if (result.stream == 0) {
        qCInfo(lcPlayback).nospace()
            << "cannot open " << connection.location << ": audio library error " << result.error;
        ShowOpenFailure();
        emit connectionEnded();
        return;
    }
    stream_ = result.stream;
    if (StartOpened(connection.row, connection.location, false))
        emit trackOpened();
    else
        emit connectionEnded();
}

void PlaybackEngine::CancelConnection() {
    if (!IsConnecting())
        return;
    connecting_.token.cancel();
    connecting_ = {};
}

} // namespace playback

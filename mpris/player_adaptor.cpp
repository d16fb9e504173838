#include "mpris/player_adaptor.h"

#include "mpris/player_control.h"
#include "mpris/player_values.h"

#include <QtNumeric>
#include <algorithm>
#include <cmath>
#include <limits>

namespace mpris {

PlayerAdaptor::PlayerAdaptor(QObject* host, PlayerControl& control)
    : QDBusAbstractAdaptor(host), control_(control) {}

QString PlayerAdaptor::PlaybackStatus() const {
    return StatusName(control_.Status());
}

QString PlayerAdaptor::LoopStatus() const {
    return LoopName(control_.Loop());
}

void PlayerAdaptor::SetLoopStatus(const QString& loop) {
    if (const auto status = LoopFromName(loop))
        control_.SetLoop(*status);
}

bool PlayerAdaptor::Shuffle() const {
    return control_.Shuffle();
}

void PlayerAdaptor::SetShuffle(bool shuffle) {
    control_.SetShuffle(shuffle);
}

QVariantMap PlayerAdaptor::Metadata() const {
    return MetadataOf(control_.Track());
}

double PlayerAdaptor::Volume() const {
    return control_.Volume();
}

void PlayerAdaptor::SetVolume(double volume) {
    if (std::isnan(volume))
        return;
    control_.SetVolume(std::clamp(volume, 0.0, 1.0));
}

qlonglong PlayerAdaptor::Position() const {
    return control_.PositionUs();
}

bool PlayerAdaptor::CanGoNext() const {
    return control_.Abilities().canGoNext;
}

bool PlayerAdaptor::CanGoPrevious() const {
    return control_.Abilities().canGoPrevious;
}

bool PlayerAdaptor::CanPlay() const {
    return control_.Abilities().canPlay;
}

bool PlayerAdaptor::CanPause() const {
    return control_.Abilities().canPause;
}

bool PlayerAdaptor::CanSeek() const {
    return control_.Abilities().canSeek;
}

void PlayerAdaptor::Next() {
    control_.Next();
}

void PlayerAdaptor::Previous() {
    control_.Previous();
}

void PlayerAdaptor::Pause() {
    if (control_.Status() == PlaybackStatus::Playing)
        control_.PlayPause();
}

void PlayerAdaptor::PlayPause() {
    control_.PlayPause();
}

void PlayerAdaptor::Stop() {
    control_.Stop();
}

void PlayerAdaptor::Play() {
    if (control_.Status() != PlaybackStatus::Playing)
        control_.PlayPause();
}

void PlayerAdaptor::Seek(qlonglong Offset) {
    if (!control_.Abilities().canSeek)
        return;
    const qint64 length = control_.Track().lengthUs;
    qint64 target = 0;
    if (qAddOverflow<qint64>(control_.PositionUs(), Offset, &target))
        target = Offset > 0 ? std::numeric_limits<qint64>::max() : 0;
    target = std::max<qint64>(0, target);
    // Seeking past the end moves on, as the end of the track would.
    if (length >= 0 && target > length) {
        control_.Next();
        return;
    }
    SeekAndAnnounce(target);
}

void PlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    const TrackInfo track = control_.Track();
    // A position for a track that is no longer the current one is stale.
    if (!control_.Abilities().canSeek || TrackId != TrackPath(track.id))
        return;
    if (Position < 0 || Position > track.lengthUs)
        return;
    SeekAndAnnounce(Position);
}

void PlayerAdaptor::SeekAndAnnounce(qint64 positionUs) {
    control_.SeekTo(positionUs);
    emit Seeked(control_.PositionUs());
}

void PlayerAdaptor::OpenUri(const QString& Uri) {
    if (const auto location = LocationOfUri(Uri))
        control_.Open(*location);
}

} // namespace mpris

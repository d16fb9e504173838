#include "mpris/root_adaptor.h"

#include "mpris/player_control.h"

namespace mpris {

RootAdaptor::RootAdaptor(QObject* host, PlayerControl& control)
    : QDBusAbstractAdaptor(host), control_(control) {}

QStringList RootAdaptor::SupportedUriSchemes() const {
    return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")};
}

// The types of the folder filter's extensions (.aac .aif .aiff .flac .m4a
// .m4b .mp1 .mp2 .mp3 .mp4 .oga .ogg .opus .wav .wma) and of the playlists,
// under the names shared-mime-info gives them; MPEG layer I has no name of
// its own and is audio/mpeg like layer III.
QStringList RootAdaptor::SupportedMimeTypes() const {
    return {
        QStringLiteral("audio/aac"),        QStringLiteral("audio/x-aiff"),
        QStringLiteral("audio/flac"),       QStringLiteral("audio/mp4"),
        QStringLiteral("audio/x-m4b"),      QStringLiteral("audio/mpeg"),
        QStringLiteral("audio/mp2"),        QStringLiteral("video/mp4"),
        QStringLiteral("audio/ogg"),        QStringLiteral("audio/x-vorbis+ogg"),
        QStringLiteral("audio/x-flac+ogg"), QStringLiteral("audio/x-opus+ogg"),
        QStringLiteral("audio/x-wav"),      QStringLiteral("audio/x-ms-wma"),
        QStringLiteral("audio/x-mpegurl"),
    };
}

void RootAdaptor::Raise() {
    control_.Raise();
}

void RootAdaptor::Quit() {
    control_.Quit();
}

} // namespace mpris

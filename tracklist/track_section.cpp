#include "tracklist/track_section.h"

namespace tracklist {

QString SectionLocation(const QString& file, int number) {
    return file + QStringLiteral("#track=") + QString::number(number);
}

QString UntitledTrackName(int number) {
    return QStringLiteral("Track %1").arg(number, 2, 10, QLatin1Char('0'));
}

} // namespace tracklist

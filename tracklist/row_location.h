// Locations as the track list stores them: every backslash doubled, so that
// every component that compares or stores a location uses the same form.
#pragma once

#include <QString>

namespace tracklist {

QString ToRowLocation(const QString& location);
// Collapses each doubled backslash into one.
QString FromRowLocation(const QString& rowLocation);

} // namespace tracklist

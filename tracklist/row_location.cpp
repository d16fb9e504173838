#include "tracklist/row_location.h"

namespace tracklist {

QString ToRowLocation(const QString& location) {
    QString result = location;
    result.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return result;
}

QString FromRowLocation(const QString& rowLocation) {
    QString result = rowLocation;
    result.replace(QLatin1String("\\\\"), QLatin1String("\\"));
    return result;
}

} // namespace tracklist

#include "browser/cue_rows.h"

#include "platform/shell_path.h"
#include "tracklist/track_section.h"

#include <QStringList>
#include <array>
#include <map>

namespace browser {

namespace {

// What an image may be besides the extension a sheet names: the lossless
// formats albums are kept in first.
const std::array<QLatin1String, 13> kImageExtensions = {
    QLatin1String(".flac"), QLatin1String(".wav"), QLatin1String(".ape"),  QLatin1String(".wv"),
    QLatin1String(".tta"),  QLatin1String(".tak"), QLatin1String(".aiff"), QLatin1String(".aif"),
    QLatin1String(".m4a"),  QLatin1String(".ogg"), QLatin1String(".opus"), QLatin1String(".mp3"),
    QLatin1String(".wma")};

bool IsPlayableFile(const QString& path) {
    return platform::exists(path) && !platform::isFolder(path);
}

QString WithoutExtension(const QString& path) {
    return path.left(path.size() - platform::extensionOf(path).size());
}

} // namespace

QString FindCueImage(const QString& named, const QString& folder) {
    QStringList candidates{named};
    if (named.contains(QLatin1Char('\\')))
        candidates.append(QString(named).replace(QLatin1Char('\\'), QLatin1Char('/')));
    for (QString& candidate : candidates) {
        if (platform::isRelative(candidate))
            candidate = folder + candidate;
    }
    for (const QString& candidate : candidates) {
        if (IsPlayableFile(candidate))
            return candidate;
    }
    for (const QString& candidate : candidates) {
        const QString stem = WithoutExtension(candidate);
        for (const QLatin1String& extension : kImageExtensions) {
            if (IsPlayableFile(stem + extension))
                return stem + extension;
        }
    }
    return candidates.back();
}

std::vector<LoadedRow> CueRows(const CueSheet& sheet, const QString& folder) {
    std::map<QString, QString> images;
    std::vector<LoadedRow> rows;
    for (const CueTrack& track : sheet.tracks) {
        auto image = images.find(track.file);
        if (image == images.end())
            image = images.emplace(track.file, FindCueImage(track.file, folder)).first;
        auto section = std::make_shared<tracklist::TrackSection>();
        section->file = image->second;
        section->start = track.start;
        section->end = track.end;
        section->number = track.number;
        section->title = track.title;
        section->performer = track.performer.isEmpty() ? sheet.performer : track.performer;
        section->album = sheet.title;
        section->date = sheet.date;
        rows.push_back({tracklist::SectionLocation(image->second, track.number),
                        CueRowName(sheet, track), std::move(section)});
    }
    return rows;
}

} // namespace browser

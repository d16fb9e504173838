#include "browser/cue_sheet.h"

#include "platform/code_page.h"
#include "tracklist/track_section.h"

#include <QStringDecoder>
#include <QStringList>
#include <optional>
#include <set>
#include <utility>

namespace browser {

namespace {

// Longer texts are no titles; the cut keeps a damaged sheet's rows small.
constexpr qsizetype kMaxFieldUnits = 1024;

QString DecodeSheet(const QByteArray& content) {
    const bool little = content.startsWith("\xFF\xFE");
    if (little || content.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return decoder.decode(QByteArrayView(content).sliced(2));
    }
    return platform::decodeAnsi(content);
}

// A line's keyword (upper case) and the rest after it, trimmed.
std::pair<QString, QString> SplitKeyword(const QString& line) {
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    if (space < 0)
        return {line.toUpper(), QString()};
    return {line.left(space).toUpper(), line.mid(space + 1).trimmed()};
}

// A value in double quotes, or the rest of the line as it stands (some
// writers leave the quotes out); an unclosed quote runs to the line's end.
QString QuotedValue(const QString& rest) {
    if (!rest.startsWith(QLatin1Char('"')))
        return rest.left(kMaxFieldUnits);
    const qsizetype close = rest.indexOf(QLatin1Char('"'), 1);
    return rest.mid(1, close < 0 ? -1 : close - 1).left(kMaxFieldUnits);
}

// FILE "name" TYPE; without quotes the name is all before the last word,
// which is the type.
QString FileName(const QString& rest) {
    if (rest.startsWith(QLatin1Char('"')))
        return QuotedValue(rest);
    const qsizetype space = rest.lastIndexOf(QLatin1Char(' '));
    return (space < 0 ? rest : rest.left(space).trimmed()).left(kMaxFieldUnits);
}

// "mm:ss:ff" in CD frames; minutes may pass 99 in long images.
std::optional<int64_t> CueTime(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3 || parts[0].size() > 6)
        return std::nullopt;
    bool okMinutes = false, okSeconds = false, okFrames = false;
    const int minutes = parts[0].toInt(&okMinutes);
    const int seconds = parts[1].toInt(&okSeconds);
    const int frames = parts[2].toInt(&okFrames);
    if (!okMinutes || !okSeconds || !okFrames || minutes < 0 || seconds < 0 || seconds >= 60 ||
        frames < 0 || frames >= 75)
        return std::nullopt;
    return (int64_t(minutes) * 60 + seconds) * 75 + frames;
}

// Reads the sheet line by line: each TRACK line starts an entry that the
// TITLE, PERFORMER and INDEX lines after it fill in.
class SheetReader {
public:
    void ReadLine(const QString& line) {
        if (full_)
            return;
        const auto [keyword, rest] = SplitKeyword(line);
        Entry* entry = entries_.empty() ? nullptr : &entries_.back();
        if (keyword == QLatin1String("FILE"))
            file_ = FileName(rest);
        else if (keyword == QLatin1String("TRACK"))
            StartEntry(rest);
        else if (keyword == QLatin1String("INDEX") && entry)
            ReadIndex(rest, *entry);
        else if (keyword == QLatin1String("TITLE"))
            (entry ? entry->track.title : sheet_.title) = QuotedValue(rest);
        else if (keyword == QLatin1String("PERFORMER"))
            (entry ? entry->track.performer : sheet_.performer) = QuotedValue(rest);
        else if (keyword == QLatin1String("REM") && !entry)
            ReadRemark(rest);
    }

    CueSheet Finish() {
        std::vector<Entry*> placed;
        std::set<std::pair<QString, int>> numbers;
        for (Entry& entry : entries_) {
            if (!entry.started || !numbers.insert({entry.track.file, entry.track.number}).second)
                continue;
            // A track must start after the one before it in the same file.
            const Entry* last = placed.empty() ? nullptr : placed.back();
            if (last && last->track.file == entry.track.file &&
                entry.track.start <= last->track.start)
                continue;
            placed.push_back(&entry);
        }
        for (size_t i = 0; i < placed.size(); ++i) {
            CueTrack& track = placed[i]->track;
            const Entry* next = i + 1 < placed.size() ? placed[i + 1] : nullptr;
            track.end = next && next->track.file == track.file ? next->track.start : -1;
            if (placed[i]->audio)
                sheet_.tracks.push_back(track);
        }
        return std::move(sheet_);
    }

private:
    struct Entry {
        CueTrack track;
        bool audio = true;
        bool started = false; // its INDEX 01 was read
        bool damaged = false; // its TRACK line could not be read
    };

    void StartEntry(const QString& rest) {
        const QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool ok = false;
        const int number = words.isEmpty() ? 0 : words[0].toInt(&ok);
        if (entries_.size() >= kMaxCueTracks) {
            full_ = true;
            return;
        }
        if (!ok || number < 0) {
            // The lines up to the next TRACK belong to no track.
            entries_.push_back(Entry{{}, false, false, true});
            return;
        }
        // A data track (MODE1/2352 ...) ends the audio before it but plays
        // nothing itself.
        const bool audio =
            words.size() < 2 || words[1].compare(QLatin1String("AUDIO"), Qt::CaseInsensitive) == 0;
        entries_.push_back(Entry{CueTrack{number, {}, {}, {}, 0, -1}, audio, false, false});
    }

    void ReadIndex(const QString& rest, Entry& entry) {
        const QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool ok = false;
        if (entry.damaged || entry.started || words.size() != 2 || words[0].toInt(&ok) != 1 || !ok)
            return;
        const std::optional<int64_t> time = CueTime(words[1]);
        if (!time)
            return;
        entry.track.file = file_;
        entry.track.start = *time;
        entry.started = true;
    }

    void ReadRemark(const QString& rest) {
        const auto [name, value] = SplitKeyword(rest);
        if (name == QLatin1String("DATE"))
            sheet_.date = QuotedValue(value);
    }

    CueSheet sheet_;
    QString file_;
    std::vector<Entry> entries_;
    bool full_ = false; // the rest of the sheet is ignored
};

} // namespace

CueSheet ReadCueSheet(const QByteArray& content) {
    SheetReader reader;
    const QString text = DecodeSheet(content);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') &&
               text[end] != QLatin1Char('\r'))
            ++end;
        QString line = text.mid(start, end - start).trimmed();
        line.replace(QLatin1Char('\t'), QLatin1Char(' '));
        reader.ReadLine(line);
        start = end + 1;
    }
    return reader.Finish();
}

QString CueRowName(const CueSheet& sheet, const CueTrack& track) {
    const QString title =
        track.title.isEmpty() ? tracklist::UntitledTrackName(track.number) : track.title;
    if (track.performer.isEmpty() || track.performer == sheet.performer)
        return title;
    return track.performer + QStringLiteral(" - ") + title;
}

} // namespace browser

// The two list files beside the executable (Netradio.txt, Podcast.txt):
// read line by line in the ANSI code page, normalised into an ordered set,
// and rewritten whole, each line in the encoding it was read in.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace browser {

// Lines of the file, each decoded by itself (CR before LF dropped); empty
// when the file is missing or unreadable. An unreadable file is never
// written in this run (platform/owned_file.h).
QStringList ReadListFile(const QString& path);

// Replaces the file with the lines. A line the file held (by its decoded
// text; also the location after the last comma of a line, for a bare line
// that was given a name) is written as the bytes it was read from, so each
// keeps its encoding (UTF-8, CP932, bytes nothing decodes); text new to the
// file is written in UTF-8. Lines end as the file's first line did (LF or
// CR LF); a new file's in LF. The new file takes the old one's place
// atomically, under the file's lock; on failure (read-only folder or file,
// full disk, a file that could not be read) the old file stays, and so does a
// file that another process or an editor changed since this process read it.
bool WriteListFile(const QString& path, const QStringList& lines);

// An entry split at its last comma: the name before it (empty without a
// comma) and the location after it (the whole entry without a comma). A
// bare entry (no comma) is a URL whose name could not be looked up: it is
// written back bare, so that the next load looks it up again.
struct ListEntry {
    QString name;
    QString location;
    bool bare = false;
};
ListEntry SplitAtLastComma(const QString& entry);
// The line a list entry is written back as.
QString ListLine(const ListEntry& entry);

// Entries ordered by UTF-16 code units, duplicates merged.
using ListEntrySet = std::set<QString>;

// The name of a bare URL; std::nullopt when the lookup failed (a server down
// for the moment), an empty text when the server names nothing.
using EntryNamer = std::function<std::optional<QString>(const QString& url)>;

// How many lookups of one list wait at once: enough that the dead stations
// of a long list do not queue behind each other.
inline constexpr size_t kParallelLookups = 32;

// The entries of a list file, each in the form it is written back in: a bare
// URL (a line without a comma) gets "name,URL" with the name that nameOf gives
// it (line breaks become spaces) and stays bare when the lookup fails; any
// other line without a comma gets an empty name. The lookups run side by
// side, up to kParallelLookups at once, so nameOf is called from several
// threads.
ListEntrySet ReadListEntries(const QString& path, const EntryNamer& nameOf);

// The radio and podcast lists: the entries of the list file split at their
// last comma, bare URLs named by nameOf side by side, showing "URL -> " and
// "URL -> name" through showTitle as each lookup starts and ends.
std::vector<ListEntry> ReadNamedList(const QString& path, const EntryNamer& nameOf,
                                     const std::function<void(const QString&)>& showTitle);

} // namespace browser

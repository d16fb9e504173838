// The entries of a playlist file: ".m3u" lines in the 8-bit text rule,
// ".m3u8" lines in UTF-8, and the File and Title entries of ".pls". Any of
// them may be UTF-16 with a byte order mark (a Windows editor's "Unicode").
// Lines end in LF, CR LF or CR and are trimmed of the white space around
// them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace browser {

struct PlaylistItem {
    QByteArray bytes; // the location as the file holds it
    QString text;     // the same, decoded (a URL is taken from here)
    QString title;    // the name a .pls gives the entry; empty elsewhere
};

// Each line decoded by itself (code_page.h); a final line end does not start
// another line.
std::vector<PlaylistItem> ReadM3uItems(const QByteArray& content);

// The lines in UTF-8 (a leading byte order mark dropped); a line that is not
// valid UTF-8 is read by the 8-bit text rule, and the lines after it still
// count.
std::vector<PlaylistItem> ReadM3u8Items(QByteArray content);

// "[playlist]" with FileN= and TitleN= (keys in any letter case, blanks
// around keys and values ignored), in the order of their numbers; entries
// without a File are left out. NumberOfEntries is not needed: the entries
// speak for themselves.
std::vector<PlaylistItem> ReadPlsItems(QByteArray content);

// The paths a file entry may mean, to try in order: its bytes as they are (a
// name that is not UTF-8 on this disk), then its decoded text (a CP932 list
// from Windows naming files whose names are UTF-8 here), then for a relative
// entry written on Windows ("Album\01 - Intro.flac") each of those with its
// backslashes as separators.
QStringList FileCandidates(const PlaylistItem& item);

} // namespace browser

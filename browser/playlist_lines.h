// The entries of a playlist file: ".m3u" lines in the 8-bit text rule,
// ".m3u8" lines in UTF-8, and the File and Title entries of ".pls".
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

// Each line decoded by itself (code_page.h); a CR before the LF is dropped
// and a final line end does not start another line.
std::vector<PlaylistItem> ReadM3uItems(const QByteArray& content);

// The UTF-8 text (a leading byte order mark dropped) up to the first invalid
// sequence, split into lines the same way.
std::vector<PlaylistItem> ReadM3u8Items(QByteArray content);

// "[playlist]" with FileN= and TitleN= (keys in any letter case, blanks
// around keys and values ignored), in the order of their numbers; entries
// without a File are left out. NumberOfEntries is not needed: the entries
// speak for themselves.
std::vector<PlaylistItem> ReadPlsItems(QByteArray content);

// The paths a file entry may mean, to try in order: its bytes as they are (a
// name that is not UTF-8 on this disk), then its decoded text (a CP932 list
// from Windows naming files whose names are UTF-8 here).
QStringList FileCandidates(const PlaylistItem& item);

} // namespace browser

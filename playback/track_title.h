// Composing the title label's text: tag titles of new tracks and the live
// titles of station metadata and chained Ogg streams.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace playback {

// The tag format rendered for every new track.
inline constexpr const char* kTitleTagFormat =
    "%IFV1(%ARTI,%ARTI - )%IFV1(%ALBM,%ALBM )%IFV1(%YEAR,%(%YEAR%) )%IFV1(%DISC,CD%DISC )"
    "%IFV1(%TRCK,#%TRCK )%IFV1(%TITL,%TITL )";

// Room for a title, in UTF-16 units, the terminator excluded.
inline constexpr int kTitleUnits = 255;
// Room for a composed Ogg title, in bytes, the terminator excluded.
inline constexpr int kOggTitleBytes = 255;

// "(m:ss)" for a positive length in seconds, else "".
QString LengthSuffix(int seconds);

// The StreamTitle of a station metadata text; nullopt-like empty + false
// when the item is incomplete.
bool ExtractStreamTitle(const QByteArray& metadata, QByteArray* title);

// The title label's text for a station metadata text: its StreamTitle read
// by the 8-bit text rule (UTF-8 when valid, otherwise CP932 or
// Windows-1252, as stations send them) and cut to kTitleUnits; false when
// the item is incomplete.
bool StationTitleText(const QByteArray& metadata, QString* text);

// Artist - Album - Title from Ogg comments (names matched in any case).
QByteArray ComposeOggTitle(const std::vector<QByteArray>& comments);

// Cuts a text to at most maxUnits UTF-16 units without splitting a
// surrogate pair.
QString CutToUnits(const QString& text, int maxUnits);
// Cuts UTF-8 bytes to at most maxBytes without splitting a character.
QByteArray CutUtf8(const QByteArray& bytes, int maxBytes);

} // namespace playback

// Text in the code pages the player meets. 8-bit text without a declared
// encoding (list files, .m3u and .pls lines, station names and titles) is
// read by one rule: valid UTF-8 of assigned characters is UTF-8; otherwise
// the more plausible of CP932 (Japanese Windows, a superset of Shift-JIS) and
// Windows-1252 (Western Windows), as audio/tags/legacy_text.h judges it.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>

namespace platform {

// Strict UTF-8 check: no overlong forms, no surrogates, nothing above U+10FFFF,
// no sequence cut off at the end.
bool isValidUtf8(const char* bytes, size_t size);

// Length of the longest leading part of bytes that is valid UTF-8.
size_t validUtf8PrefixLength(const char* bytes, size_t size);

// The 8-bit text rule (a leading byte order mark of UTF-8 is dropped). Bytes
// that no code page decodes keep every byte as decodeFileName does, so that
// encodeListLine writes them back unchanged. Decode list files line by line,
// because encodeListLine chooses the encoding per line.
QString decodeAnsi(const QByteArray& bytes);

// decodeAnsi for showing only: bytes that no code page decodes become U+FFFD.
QString readableAnsi(const QByteArray& bytes);

// Station names follow the same rule as decodeAnsi (stations send UTF-8,
// Latin-1, Windows-1252 and Shift-JIS); a name nothing decodes keeps its
// bytes for the station list.
QString decodeStationText(const QByteArray& bytes);

// The UTF-8 text up to the first invalid or truncated sequence (a leading
// byte order mark is dropped).
QString decodeUtf8Prefix(const QByteArray& bytes);

// One line of a list file: CP932 when the line survives the CP932 round trip
// through decodeAnsi unchanged, otherwise the line in UTF-8. (Some CP932 byte
// sequences are also valid UTF-8, and some characters map onto the same CP932
// code; such lines are written in UTF-8 so that they read back unchanged.) A
// line that decodeAnsi could not decode is written as the bytes it was read
// from.
QByteArray encodeListLine(const QString& line);

} // namespace platform

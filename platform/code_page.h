// Text decoding and encoding for the code pages the player meets: files and
// station titles are UTF-8 when their bytes are valid UTF-8, and CP932
// (Windows Japanese, a superset of Shift-JIS) otherwise.
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

// Valid UTF-8 is decoded as UTF-8 (a leading byte order mark is dropped),
// anything else as CP932. Never fails: bytes
// that are not CP932 become U+FFFD. Decode list files line by line, because
// encodeListLine chooses the encoding per line.
QString decodeAnsi(const QByteArray& bytes);

// Station titles follow the same rule: UTF-8 when valid, otherwise CP932.
QString decodeStationText(const QByteArray& bytes);

// The UTF-8 text up to the first invalid or truncated sequence (a leading
// byte order mark is dropped).
QString decodeUtf8Prefix(const QByteArray& bytes);

// One line of a list file: CP932 when the line survives the CP932 round trip
// through decodeAnsi unchanged, otherwise the line in UTF-8. (Some CP932 byte
// sequences are also valid UTF-8, and some characters map onto the same CP932
// code; such lines are written in UTF-8 so that they read back unchanged.)
QByteArray encodeListLine(const QString& line);

} // namespace platform

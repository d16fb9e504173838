// File names are bytes: anything but '/' and NUL, often not UTF-8 (Latin-1
// or CP932 names from old archives). Inside the program a name is a QString
// that keeps every byte: valid UTF-8 is decoded as such, and each byte that
// is not part of a valid sequence becomes the unpaired surrogate
// U+DC80 + byte (as Python's "surrogateescape"). Encoding gives the exact
// bytes back, so a name read from a folder, a playlist, the settings file or
// the command line opens the file it came from.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

QString decodeFileName(QByteArrayView bytes);
QByteArray encodeFileName(const QString& name);

// The path an environment variable holds (HOME, XDG_CONFIG_HOME), every
// byte kept; empty when it is not set.
QString pathFromEnvironment(const char* variable);

// True when the text holds a byte that decodeFileName had to carry over.
bool holdsUndecodedBytes(const QString& text);

// A name or path as people read it: its bytes decoded by the 8-bit text rule
// (decodeAnsi), so that "caf\xE9.mp3" shows as "café.mp3" and a CP932 name
// in Japanese; bytes that no code page decodes show as U+FFFD. Only for
// showing: the name itself is what opens the file.
QString readableFileName(const QString& name);

} // namespace platform

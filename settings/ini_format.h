// The private-profile (INI) rules on the bytes of a settings file, with the
// one section "Quaverly" (see ini_file.h for the rules themselves).
#pragma once

#include <QByteArray>
#include <QList>

namespace settings::ini {

struct KeyValue {
    QByteArray name;
    QByteArray value; // trimmed
};

// The keys of the section in file order; a lookup takes the first match.
QList<KeyValue> sectionKeys(const QByteArray& content);

// The content with key set to value: the key's line replaced in place, or a
// new line at the end of the section, or a new section at the end.
QByteArray withKey(const QByteArray& content, const QByteArray& key, const QByteArray& value);

// Whether two names are the same, ignoring case.
bool sameName(const QByteArray& a, const QByteArray& b);

// A name that reads back as itself: not blank, no '=' or line break, not a
// section header or a comment.
bool isValidKey(const QByteArray& key);

} // namespace settings::ini

// IniFile: access to the settings file, in the private-profile (INI) format
// with the one section "Quaverly".
//
// Rules: section and key names are found ignoring case; whitespace around
// names, around '=' and around values is ignored on reading; lines starting
// with ';' or '#' are comments; when a key appears twice in the section the
// first one counts, and so does the first of two sections with the same
// name. A write replaces the key's line in place, adds a missing key at the
// end of the section and a missing section at the end of the file, and keeps
// every other byte of the file as it was. The file is UTF-8; a value that is
// not valid UTF-8 (edited by hand in Shift-JIS) is read as CP932.
//
// Every read sees the file as it is now; the parsed section is kept between
// reads while the file stays the same (ini_cache.h). A write reads the file
// afresh and replaces it atomically, both under the file's lock, so writes of
// two processes take turns (platform/owned_file.h). Writes report failure
// (read-only folder or file, full disk, a value holding a line break, a file
// that could not be read in this run) by returning false; the old file is
// then left unchanged. A file that exists but cannot be read reads as missing
// and is never written in this run. A value that could not be stored still
// reads back in this process for the rest of the run (ini_cache.h), and the
// user is told once per run that the settings will not be kept.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <climits>

namespace settings {

class IniFile {
public:
    // Long enough for any location: a path of PATH_MAX bytes decodes to at
    // most as many UTF-16 units (platform/file_name.h). The bound keeps a
    // hand-edited value of megabytes from travelling through the program.
    static constexpr int kMaxStringLength = PATH_MAX;

    // The settings file beside the running executable.
    IniFile();
    explicit IniFile(QString path);

    // The decimal integer at the start of the value, read like atoi (a
    // leading sign accepted, reading stops at the first non-digit, so
    // "12px" is 12 and "abc" is 0; values beyond 32 bits wrap around).
    // defaultValue when the key or the file is missing.
    int ReadInt(const QString& key, int defaultValue) const;

    // The value, or defaultValue when the key is missing, cut to at most
    // kMaxStringLength UTF-16 units (never inside a surrogate pair).
    QString ReadString(const QString& key, const QString& defaultValue) const;

    // The whole value as a decimal real number ("-3.5"); 0 when the key is
    // missing or the value is not entirely a finite number.
    double ReadReal(const QString& key) const;

    bool WriteInt(const QString& key, int value) const;
    bool WriteString(const QString& key, const QString& text) const;

    // Several keys in one rewrite of the file: the content afterwards is the
    // same as after writing them one by one, in order. Nothing is written
    // when one of them is not valid.
    struct IntSetting {
        QString key;
        int value;
    };
    bool WriteInts(const QList<IntSetting>& settings) const;

    // Writes the value on the background writer's thread (deferred_ini_writer.h),
    // so the caller never waits for the disk; reads of this process see it at
    // once. False, with nothing recorded, when key or text is not valid. A key
    // is written either this way or the ones above, not both.
    bool WriteStringInBackground(const QString& key, const QString& text) const;
    // Returns once every value handed to the background writer is written
    // (or could not be); called when the program ends.
    static void FinishBackgroundWrites();

    const QString& path() const { return path_; }

private:
    friend class DeferredIniWriter;
    struct Change {
        QByteArray key;
        QByteArray value;
    };
    static bool isValid(const Change& change);
    bool readValue(const QString& key, QByteArray& value) const;
    bool writeValues(const QList<Change>& changes) const;
    bool storeValues(const QList<Change>& changes) const;
    // Tells the user, once per run, that settings will not be kept.
    static void reportNotStored();

    QString path_;
};

} // namespace settings

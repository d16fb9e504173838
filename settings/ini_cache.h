// The parsed section of each settings file this process reads, so that the
// many reads of one moment (the effects chain reads fourteen keys for every
// track) parse the file once. Every read still asks the file system for the
// file's identity (platform::FileIdentity) and parses the file again when it
// changed, so what another process or an editor writes is seen at the next
// read; a file changed too recently for its identity to tell every later
// change is read again each time (platform::identitySettled).
//
// It also holds the values this process wrote that the file does not hold:
// those whose write failed (a read-only file, a full disk), which still apply
// for the run, and those the background writer has yet to write. Reads find
// them before the file's.
#pragma once

#include "platform/owned_file.h"
#include "settings/ini_format.h"

#include <QHash>
#include <QString>
#include <mutex>
#include <optional>

namespace settings {

class IniCache {
public:
    // The cache every IniFile reads through.
    static IniCache& shared();

    // The key's value in the file's section as the file holds it now; false
    // when the key, the section or the file is missing, or the file was
    // refused (platform/owned_file.h).
    bool lookup(const QString& path, const QByteArray& key, QByteArray& value);

    // Makes value the key's for this process's reads, whatever the file holds.
    void keepUnsaved(const QString& path, const QByteArray& key, const QByteArray& value);
    // Forgets the unsaved value of key now that the file holds value; with
    // onlyIf, only when the unsaved value is still that one (not a later one
    // that waits for the background writer).
    void forgetSaved(const QString& path, const QByteArray& key,
                     const std::optional<QByteArray>& onlyIf = std::nullopt);
    // True once per run: the first time a setting could not be kept.
    bool firstUnsavedNotice();

private:
    struct Entry {
        platform::FileIdentity identity;
        bool settled = false;
        QList<ini::KeyValue> keys;
    };

    const Entry* current(const QString& path);

    std::mutex mutex_;
    QHash<QString, Entry> entries_;
    QHash<QString, QList<ini::KeyValue>> unsaved_;
    bool noticeGiven_ = false;
};

} // namespace settings

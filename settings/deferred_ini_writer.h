// The one background writer of settings that change often (the location of
// the track playing, at every track start): the caller hands over the value
// and goes on, so a slow or network home folder never stalls the window.
//
// Values wait per file and key; a later value of a key replaces one not yet
// written, so a burst of changes costs one rewrite with the latest value.
// Each rewrite is an ordinary IniFile write (atomic, under the file's lock,
// never over a file that could not be read). Until a value is in the file,
// this process reads it from IniCache, which keeps it when the write fails.
// The writing thread runs only while values wait; the program calls flush()
// before it ends (what is still waiting when the writer is destroyed is
// dropped).
#pragma once

#include "settings/ini_format.h"

#include <QHash>
#include <QList>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace settings {

class DeferredIniWriter {
public:
    // The writer IniFile::WriteStringInBackground hands its values to.
    static DeferredIniWriter& shared();

    DeferredIniWriter() = default;
    ~DeferredIniWriter();
    DeferredIniWriter(const DeferredIniWriter&) = delete;
    DeferredIniWriter& operator=(const DeferredIniWriter&) = delete;

    // key and value must be valid for the file (IniFile checks them).
    void write(const QString& path, const QByteArray& key, const QByteArray& value);
    // Returns once every value handed over before is written or failed.
    void flush();

private:
    void run();
    static void writeFile(const QString& path, const QList<ini::KeyValue>& keys);

    std::mutex mutex_;
    std::condition_variable idle_;
    QHash<QString, QList<ini::KeyValue>> waiting_;
    bool running_ = false; // a thread takes or writes values
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace settings

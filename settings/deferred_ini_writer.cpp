#include "settings/deferred_ini_writer.h"

#include "settings/ini_cache.h"
#include "settings/ini_file.h"

#include <algorithm>
#include <utility>

namespace settings {

DeferredIniWriter& DeferredIniWriter::shared() {
    // The cache outlives the writer, whose writes go through it.
    IniCache::shared();
    static DeferredIniWriter instance;
    return instance;
}

DeferredIniWriter::~DeferredIniWriter() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    if (thread_.joinable())
        thread_.join();
}

void DeferredIniWriter::write(const QString& path, const QByteArray& key, const QByteArray& value) {
    IniCache::shared().keepUnsaved(path, key, value);
    std::thread ended;
    {
        const std::lock_guard lock(mutex_);
        QList<ini::KeyValue>& keys = waiting_[path];
        const auto same = std::find_if(keys.begin(), keys.end(), [&](const ini::KeyValue& kept) {
            return ini::sameName(kept.name, key);
        });
        if (same != keys.end())
            same->value = value;
        else
            keys.append({key, value});
        if (running_)
            return;
        running_ = true;
        ended = std::exchange(thread_, std::thread([this] { run(); }));
    }
    // The previous thread has left its loop already; this waits only for it
    // to return.
    if (ended.joinable())
        ended.join();
}

void DeferredIniWriter::flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !running_; });
}

void DeferredIniWriter::run() {
    std::unique_lock lock(mutex_);
    while (!waiting_.isEmpty() && !stopping_) {
        const QHash<QString, QList<ini::KeyValue>> batch = std::exchange(waiting_, {});
        lock.unlock();
        for (auto file = batch.cbegin(); file != batch.cend(); ++file)
            writeFile(file.key(), file.value());
        lock.lock();
    }
    running_ = false;
    idle_.notify_all();
}

// A value that cannot be stored stays readable in IniCache, where write()
// put it; one that is stored is forgotten there unless a later one came.
void DeferredIniWriter::writeFile(const QString& path, const QList<ini::KeyValue>& keys) {
    QList<IniFile::Change> changes;
    for (const ini::KeyValue& key : keys)
        changes.append({key.name, key.value});
    if (!IniFile(path).storeValues(changes)) {
        IniFile::reportNotStored();
        return;
    }
    for (const ini::KeyValue& key : keys)
        IniCache::shared().forgetSaved(path, key.name, key.value);
}

} // namespace settings

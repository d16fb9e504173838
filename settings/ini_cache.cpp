#include "settings/ini_cache.h"

#include <utility>

namespace settings {

namespace {

// Settings files kept at once; more are forgotten all at once.
constexpr qsizetype kCachedFiles = 8;

bool findKey(const QList<ini::KeyValue>& keys, const QByteArray& key, QByteArray& value) {
    for (const ini::KeyValue& entryKey : keys) {
        if (ini::sameName(entryKey.name, key)) {
            value = entryKey.value;
            return true;
        }
    }
    return false;
}

} // namespace

IniCache& IniCache::shared() {
    static IniCache instance;
    return instance;
}

bool IniCache::lookup(const QString& path, const QByteArray& key, QByteArray& value) {
    const std::lock_guard lock(mutex_);
    const auto unsaved = unsaved_.constFind(path);
    if (unsaved != unsaved_.cend() && findKey(*unsaved, key, value))
        return true;
    const Entry* entry = current(path);
    return entry && findKey(entry->keys, key, value);
}

void IniCache::keepUnsaved(const QString& path, const QByteArray& key, const QByteArray& value) {
    const std::lock_guard lock(mutex_);
    QList<ini::KeyValue>& keys = unsaved_[path];
    for (ini::KeyValue& kept : keys) {
        if (ini::sameName(kept.name, key)) {
            kept.value = value;
            return;
        }
    }
    keys.append({key, value});
}

void IniCache::forgetSaved(const QString& path, const QByteArray& key,
                           const std::optional<QByteArray>& onlyIf) {
    const std::lock_guard lock(mutex_);
    const auto unsaved = unsaved_.find(path);
    if (unsaved == unsaved_.end())
        return;
    unsaved->removeIf([&](const ini::KeyValue& kept) {
        return ini::sameName(kept.name, key) && (!onlyIf || kept.value == *onlyIf);
    });
    if (unsaved->isEmpty())
        unsaved_.erase(unsaved);
}

bool IniCache::firstUnsavedNotice() {
    const std::lock_guard lock(mutex_);
    return !std::exchange(noticeGiven_, true);
}

const IniCache::Entry* IniCache::current(const QString& path) {
    platform::FileIdentity now;
    if (platform::identifyOwnedFile(path, now) != platform::FileState::Present) {
        entries_.remove(path);
        return nullptr;
    }
    const auto cached = entries_.constFind(path);
    if (cached != entries_.cend() && cached->settled && cached->identity == now)
        return &*cached;
    const platform::FileSnapshot snapshot = platform::readOwnedFile(path);
    if (snapshot.state != platform::FileState::Present) {
        entries_.remove(path);
        return nullptr;
    }
    if (entries_.size() >= kCachedFiles && !entries_.contains(path))
        entries_.clear();
    Entry& entry = entries_[path];
    entry = Entry{snapshot.identity, snapshot.settled, ini::sectionKeys(snapshot.content)};
    return &entry;
}

} // namespace settings

#include "settings/ini_cache.h"

namespace settings {

namespace {

// Settings files kept at once; more are forgotten all at once.
constexpr qsizetype kCachedFiles = 8;

} // namespace

IniCache& IniCache::shared() {
    static IniCache instance;
    return instance;
}

bool IniCache::lookup(const QString& path, const QByteArray& key, QByteArray& value) {
    const std::lock_guard lock(mutex_);
    const Entry* entry = current(path);
    if (!entry)
        return false;
    for (const ini::KeyValue& entryKey : entry->keys) {
        if (ini::sameName(entryKey.name, key)) {
            value = entryKey.value;
            return true;
        }
    }
    return false;
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

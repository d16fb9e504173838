#include "settings/ini_file.h"

#include "platform/file_name.h"
#include "platform/message_box.h"
#include "platform/module_path.h"
#include "platform/owned_file.h"
#include "res/string_table.h"
#include "settings/deferred_ini_writer.h"
#include "settings/ini_cache.h"
#include "settings/ini_format.h"

#include <QApplication>
#include <algorithm>
#include <cmath>

namespace settings {

namespace {

// atoi: optional sign, then digits up to the first other character.
int parseLeadingInt(const QByteArray& text) {
    qsizetype pos = 0;
    const bool negative = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        ++pos;
    quint32 magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        magnitude = magnitude * 10u + static_cast<quint32>(text[pos] - '0');
    return static_cast<int>(negative ? 0u - magnitude : magnitude);
}

QString cutToMaxLength(const QString& text) {
    if (text.size() <= IniFile::kMaxStringLength)
        return text;
    qsizetype length = IniFile::kMaxStringLength;
    if (text.at(length - 1).isHighSurrogate() && text.at(length).isLowSurrogate())
        --length;
    return text.left(length);
}

// UTF-8 with every byte kept, as locations are (platform/file_name.h): a
// path whose names are not UTF-8 reads back to its bytes, and a value's own
// leading U+FEFF is text, not a byte order mark to drop.
QString decodeValue(const QByteArray& value) {
    return platform::decodeFileName(value);
}

} // namespace

// Shown from the event loop: the failed write may run on the background
// writer's thread, or inside a menu's or dialog's handler.
void IniFile::reportNotStored() {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || !IniCache::shared().firstUnsavedNotice())
        return;
    QMetaObject::invokeMethod(
        application,
        [] {
            platform::showMessage(QApplication::activeWindow(),
                                  res::loadString(res::IDS_SETTINGS_NOT_KEPT));
        },
        Qt::QueuedConnection);
}

IniFile::IniFile() : path_(platform::settingsFilePath()) {}

IniFile::IniFile(QString path) : path_(std::move(path)) {}

bool IniFile::readValue(const QString& key, QByteArray& value) const {
    return IniCache::shared().lookup(path_, key.toUtf8(), value);
}

bool IniFile::isValid(const Change& change) {
    return ini::isValidKey(change.key) && !change.value.contains('\n') &&
           !change.value.contains('\r');
}

bool IniFile::writeValues(const QList<Change>& changes) const {
    if (!std::all_of(changes.begin(), changes.end(), isValid))
        return false;
    const bool stored = storeValues(changes);
    IniCache& cache = IniCache::shared();
    for (const Change& change : changes) {
        if (stored)
            cache.forgetSaved(path_, change.key);
        else
            cache.keepUnsaved(path_, change.key, change.value);
    }
    if (!stored)
        reportNotStored();
    return stored;
}

bool IniFile::storeValues(const QList<Change>& changes) const {
    platform::OwnedFileUpdate update(path_);
    if (!update.ready())
        return false;
    QByteArray updated = update.content();
    for (const Change& change : changes)
        updated = ini::withKey(updated, change.key, change.value);
    return (updated == update.content() && update.existed()) || update.replace(updated);
}

int IniFile::ReadInt(const QString& key, int defaultValue) const {
    QByteArray value;
    return readValue(key, value) ? parseLeadingInt(value) : defaultValue;
}

QString IniFile::ReadString(const QString& key, const QString& defaultValue) const {
    QByteArray value;
    return cutToMaxLength(readValue(key, value) ? decodeValue(value) : defaultValue);
}

double IniFile::ReadReal(const QString& key) const {
    QByteArray value;
    if (!readValue(key, value))
        return 0.0;
    bool ok = false;
    const double number = QString::fromLatin1(value).toDouble(&ok);
    return ok && std::isfinite(number) ? number : 0.0;
}

bool IniFile::WriteInt(const QString& key, int value) const {
    return writeValues({{key.toUtf8(), QByteArray::number(value)}});
}

bool IniFile::WriteString(const QString& key, const QString& text) const {
    return writeValues({{key.toUtf8(), platform::encodeFileName(text)}});
}

bool IniFile::WriteStringInBackground(const QString& key, const QString& text) const {
    const Change change{key.toUtf8(), platform::encodeFileName(text)};
    if (!isValid(change))
        return false;
    DeferredIniWriter::shared().write(path_, change.key, change.value);
    return true;
}

void IniFile::FinishBackgroundWrites() {
    DeferredIniWriter::shared().flush();
}

bool IniFile::WriteInts(const QList<IntSetting>& settings) const {
    QList<Change> changes;
    changes.reserve(settings.size());
    for (const IntSetting& setting : settings)
        changes.append({setting.key.toUtf8(), QByteArray::number(setting.value)});
    return writeValues(changes);
}

} // namespace settings

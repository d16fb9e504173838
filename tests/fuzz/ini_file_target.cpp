// The settings file: every key the player reads, then a write of one string
// and one number, which must read back as written and leave every other key
// as it was.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "settings/ini_file.h"
#include "settings/settings_keys.h"

#include <map>

namespace {

using fuzzsupport::check;
namespace keys = settings::keys;

const char* const kKeys[] = {
    keys::NoMultiInst, keys::LaunchAndPlay, keys::EnableEq,  keys::EnableComp, keys::EnableReverb,
    keys::CompGain,    keys::CompThreshold, keys::ReverbMix, keys::ReverbTime, keys::WndMax,
    keys::WndX,        keys::WndY,          keys::WndCX,     keys::WndCY,      keys::Volume,
    keys::Order,       keys::SplitterPos,   keys::Column1CX, keys::Column2CX,  keys::LastPath,
    keys::LastPlayed,  "DSP_EqBand0",       "DSP_EqBand6",
};

const QString kMissing = QStringLiteral("\x01missing");

std::map<QString, QString> ReadAll(const settings::IniFile& ini) {
    std::map<QString, QString> values;
    for (const char* key : kKeys) {
        const QString name = QString::fromLatin1(key);
        values[name] = ini.ReadString(name, kMissing);
    }
    return values;
}

// Numbers are read from the same value text; a few keys suffice (every read
// parses the whole file again).
void ReadNumbers(const settings::IniFile& ini) {
    for (const char* key : {keys::WndX, keys::ReverbMix, keys::EnableEq}) {
        (void)ini.ReadInt(QString::fromLatin1(key), -1);
        (void)ini.ReadReal(QString::fromLatin1(key));
    }
}

// The value to write: the input's first line (without its blanks at either
// end, which the reader drops), so the fuzzer chooses it too.
QString ValueFrom(const QByteArray& input) {
    const qsizetype end = input.indexOf('\n');
    return QString::fromUtf8(input.left(end < 0 ? 64 : end).left(64))
        .trimmed()
        .remove(QLatin1Char('\r'));
}

void CheckWrite(const settings::IniFile& ini, const QString& key, const QString& value,
                const std::map<QString, QString>& before) {
    if (!ini.WriteString(key, value))
        fuzzsupport::fail("a string was not written", key.toStdString());
    check(ini.ReadString(key, kMissing) == value.left(settings::IniFile::kMaxStringLength),
          "a written string reads back changed", value.toStdString());
    for (const auto& [name, old] : ReadAll(ini)) {
        if (name != key && name != QLatin1String(keys::Volume))
            check(before.at(name) == old, "a write changed another key", name.toStdString());
    }
}

} // namespace

int fuzzIniFile(const uint8_t* data, size_t size) {
    const QByteArray input = fuzzsupport::bytesOf(data, size);
    const QString path = fuzzsupport::scratchPath(QStringLiteral("quaverly.ini"));
    if (!fuzzsupport::writeScratch(path, input))
        fuzzsupport::fail("cannot write the scratch settings file");
    const settings::IniFile ini(path);
    const std::map<QString, QString> before = ReadAll(ini);
    ReadNumbers(ini);
    const QString value = ValueFrom(input);
    CheckWrite(ini, QString::fromLatin1(keys::LastPath), value, before);
    check(ini.WriteInt(QString::fromLatin1(keys::Volume), -12345), "a number was not written");
    check(ini.ReadInt(QString::fromLatin1(keys::Volume), 0) == -12345,
          "a written number reads back changed");
    return 0;
}

// Small helpers shared by the harnesses: failing loudly on a broken promise
// and a scratch folder for the parsers that read files.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// Prints what broke and aborts, so that libFuzzer keeps the input as a crash
// and the replay test fails.
[[noreturn]] void fail(const char* what, const std::string& detail = std::string());

inline void check(bool holds, const char* what, const std::string& detail = std::string()) {
    if (!holds)
        fail(what, detail);
}

inline QByteArray bytesOf(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A path inside a scratch folder of this process (on /dev/shm when there is
// one, so that the atomic writes' fsync costs nothing); removed at exit.
QString scratchPath(const QString& name);

// Writes the bytes to the file, replacing it; false when that fails.
bool writeScratch(const QString& path, const QByteArray& bytes);

} // namespace fuzzsupport

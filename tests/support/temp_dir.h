// A temporary folder removed with its contents when the object goes away.
#pragma once

#include <QtGlobal>
#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    Q_DISABLE_COPY(TempDir)

    // Absolute path without a trailing '/'.
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // Writes bytes to a file below the folder, creating parent folders.
    std::string write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);

} // namespace testsupport

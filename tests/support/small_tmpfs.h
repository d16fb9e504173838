// A small tmpfs mounted on a fresh folder for the life of the object, for
// tests of a read-only or full disk (root reads and writes through permission
// bits, so these are the faults root cannot step around). Mounting needs
// root; mounted() tells whether it worked.
#pragma once

#include "support/temp_dir.h"

#include <QStringList>
#include <string>

namespace testsupport {

class SmallTmpfs {
public:
    // options as for mount -o, such as "size=64k".
    explicit SmallTmpfs(const char* options);
    ~SmallTmpfs();
    Q_DISABLE_COPY(SmallTmpfs)

    bool mounted() const { return mounted_; }
    bool makeReadOnly() const;
    // Fills the file system with the file "filler" until no byte is left.
    void fillUp() const;

    std::string file(const std::string& name) const { return dir_.file(name); }
    // The folder with a trailing '/'.
    QString folder() const { return QString::fromStdString(dir_.path()) + "/"; }
    // The files in it, hidden ones too, sorted.
    QStringList entries() const;

private:
    TempDir dir_;
    bool mounted_ = false;
};

} // namespace testsupport

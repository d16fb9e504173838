#include "support/small_tmpfs.h"

#include <QDir>
#include <fstream>
#include <sys/mount.h>
#include <unistd.h>

namespace testsupport {

SmallTmpfs::SmallTmpfs(const char* options) {
    mounted_ = geteuid() == 0 && mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options) == 0;
}

SmallTmpfs::~SmallTmpfs() {
    if (mounted_)
        umount2(dir_.path().c_str(), MNT_DETACH);
}

bool SmallTmpfs::makeReadOnly() const {
    return mount(nullptr, dir_.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void SmallTmpfs::fillUp() const {
    std::ofstream filler(file("filler"), std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
        filler.flush();
    filler.clear();
    for (int i = 0; i < 4096 && filler.put('f'); ++i)
        filler.flush();
}

QStringList SmallTmpfs::entries() const {
    QStringList names = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

} // namespace testsupport

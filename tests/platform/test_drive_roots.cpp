#include "platform/drive_roots.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

const QByteArray kSampleMounts = "overlay / overlay rw,relatime,lowerdir=/x 0 0\n"
                                 "proc /proc proc rw,nosuid 0 0\n"
                                 "tmpfs /dev tmpfs rw,nosuid,size=65536k 0 0\n"
                                 "sysfs /sys sysfs ro 0 0\n"
                                 "cgroup2 /sys/fs/cgroup cgroup2 ro 0 0\n"
                                 "/dev/sda2 / ext4 rw,relatime 0 0\n"
                                 "/dev/sda3 /home ext4 rw,relatime 0 0\n"
                                 "/dev/sda4 /boot ext4 rw,relatime 0 0\n"
                                 "/dev/sda1 /boot/efi vfat rw,relatime 0 0\n"
                                 "/dev/sdb1 /media/user/My\\040Disk vfat rw,relatime 0 0\n"
                                 "/dev/sdc1 /media/user/back\\134slash exfat rw 0 0\n"
                                 "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
                                 "server:/export /mnt/nas nfs4 rw 0 0\n"
                                 "//host/share /mnt/smb cifs rw 0 0\n"
                                 "/dev/sdd1 /mnt/win fuseblk rw 0 0\n"
                                 "/dev/sda3 /home ext4 rw,relatime 0 0\n"
                                 "/dev/sda4 /boot ext4 rw,relatime 0 0\n"
                                 "/dev/sda1 /boot/efi vfat rw,relatime 0 0\n"
                                 "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                                 "devpts /dev/pts devpts rw 0 0\n"
                                 "/dev/sde1 /mnt/data/ btrfs rw 0 0\n"
                                 "broken line\n"
                                 "\n";

} // namespace

TEST(DriveRootsParse, KeepsDataFileSystemsInOrder) {
    const QStringList expected = {
        u"/home/"_qs,
        u"/media/user/My Disk/"_qs,
        u"/media/user/back\\slash/"_qs,
        u"/media/cdrom/"_qs,
        u"/mnt/nas/"_qs,
        u"/mnt/smb/"_qs,
        u"/mnt/win/"_qs,
        u"/mnt/data/"_qs,
    };
    EXPECT_EQ(dataMountPoints(kSampleMounts), expected);
}

TEST(DriveRootsParse, EmptyOrPseudoOnlyTextGivesNothing) {
    EXPECT_TRUE(dataMountPoints(QByteArray()).isEmpty());
    EXPECT_TRUE(dataMountPoints("proc /proc proc rw 0 0\ntmpfs /tmp tmpfs rw 0 0\n").isEmpty());
}

TEST(DriveRootsParse, Utf8MountPathsDecode) {
    EXPECT_EQ(dataMountPoints("/dev/sdb1 /media/\xE9\x9F\xB3\xE6\xA5\xBD ext4 rw 0 0\n"),
              QStringList{u"/media/\u97F3\u697D/"_qs});
}

TEST(DriveRoots, RootThenHomeThenExistingMountFolders) {
    testsupport::TempDir dir;
    dir.write("home/keep", "");
    dir.write("usb/keep", "");
    dir.write("file-mount", ""); // a bind-mounted file is no drive
    const QString base = QString::fromStdString(dir.path());
    const QByteArray at = QByteArray::fromStdString(dir.path());
    const QByteArray mounts = "/dev/sdb1 " + at + "/usb vfat rw 0 0\n" + //
                              "/dev/sda1 " + at + "/file-mount ext4 rw 0 0\n" + "/dev/sdc1 " + at +
                              "/gone ext4 rw 0 0\n" + "/dev/sda3 " + at + "/home ext4 rw 0 0\n";
    const QStringList roots = driveRootsFrom(base + u"/home"_qs, mounts);
    EXPECT_EQ(roots, (QStringList{u"/"_qs, base + u"/home/"_qs, base + u"/usb/"_qs}));
}

TEST(DriveRoots, LiveListStartsWithRootAndHome) {
    QStringList roots = driveRoots();
    ASSERT_GE(roots.size(), 1);
    EXPECT_EQ(roots.first(), u"/"_qs);
    for (const QString& root : roots)
        EXPECT_TRUE(root.endsWith(u'/')) << root.toStdString();
    EXPECT_EQ(roots.removeDuplicates(), 0);
}

#include "platform/file_name.h"
#include "platform/folder_enumeration.h"

#include "support/temp_dir.h"

#include "bytes_and_text.h"
#include <climits>
#include <functional>

#include <gtest/gtest.h>
#include <map>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

struct Kind {
    bool isDirectory;
    bool isSystem;
    bool isDots;
    bool operator==(const Kind&) const = default;
};

std::map<std::string, Kind> byName(const FolderListing& listing) {
    std::map<std::string, Kind> kinds;
    for (const FolderEntry& entry : listing.entries)
        kinds[entry.name.toStdString()] = {entry.isDirectory, entry.isSystem, entry.isDots};
    return kinds;
}

QString qpath(const std::string& path) {
    return QString::fromStdString(path);
}

bool bindSocketAt(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd); // the socket file stays
    return bound;
}

// Runs check() in a child process as the user nobody; returns its exit code.
int runAsNobody(const std::function<bool()>& check) {
    const pid_t child = fork();
    if (child == 0) {
        const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
        _exit(dropped ? (check() ? 0 : 1) : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

} // namespace

TEST(FolderEnumeration, ClassifiesEveryKindOfEntry) {
    testsupport::TempDir dir;
    dir.write("a.mp3", "x");
    dir.write(".hidden.mp3", "x");
    dir.write("Album/inner.mp3", "x");
    dir.write(".hiddenfolder/x", "x");
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_TRUE(bindSocketAt(dir.file("sock")));
    ASSERT_EQ(symlink("a.mp3", dir.file("file-link").c_str()), 0);
    ASSERT_EQ(symlink("Album", dir.file("folder-link").c_str()), 0);
    ASSERT_EQ(symlink("missing", dir.file("broken-link").c_str()), 0);
    ASSERT_EQ(symlink("fifo", dir.file("fifo-link").c_str()), 0);

    const FolderListing listing = enumerateFolder(qpath(dir.path() + "/"));
    ASSERT_TRUE(listing.opened);
    const std::map<std::string, Kind> expected = {
        {".", {true, false, true}},
        {"..", {true, false, true}},
        {"a.mp3", {false, false, false}},
        {".hidden.mp3", {false, false, false}},
        {"Album", {true, false, false}},
        {".hiddenfolder", {true, false, false}},
        {"fifo", {false, true, false}},
        {"sock", {false, true, false}},
        {"file-link", {false, false, false}},
        {"folder-link", {true, false, false}},
        {"broken-link", {false, true, false}},
        {"fifo-link", {false, true, false}},
    };
    EXPECT_EQ(byName(listing), expected);
    EXPECT_EQ(listing.entries.size(), expected.size());
}

TEST(FolderEnumeration, DevicesAreSystemEntries) {
    const FolderListing listing = enumerateFolder(u"/dev"_qs);
    ASSERT_TRUE(listing.opened);
    const auto kinds = byName(listing);
    ASSERT_TRUE(kinds.count("null"));
    EXPECT_TRUE(kinds.at("null").isSystem);
    EXPECT_FALSE(kinds.at("null").isDirectory);
}

// As the desktop's file managers show them: letter case ignored, digits by
// value, readable names in the user's language (the raw order of ext4 is a
// hash order).
TEST(FolderEnumeration, ListsInNameOrder) {
    testsupport::TempDir dir;
    const std::vector<std::string> inNameOrder = {
        ".",        "..",       "01 - Intro.flac", "2 - b.mp3",  "10 - a.mp3", "a.mp3",
        "B.mp3",    "cafe.mp3", "caf\xE9.mp3",     "caff.mp3",   "Disc 2",     "disc 10",
        "Song.mp3", "song.mp3", "track9.mp3",      "Track10.mp3"};
    for (const std::string& name : inNameOrder) {
        if (name.starts_with("Disc") || name.starts_with("disc"))
            dir.write(name + "/x.mp3", "x");
        else if (name != "." && name != "..")
            dir.write(name, "x");
    }
    std::vector<std::string> listed;
    for (const FolderEntry& entry : enumerateFolder(qpath(dir.path())).entries)
        listed.push_back(encodeFileName(entry.name).toStdString());
    EXPECT_EQ(listed, inNameOrder);
}

TEST(FolderEnumeration, NamesKeepTheirBytesAndAreShownReadably) {
    const BytesAndText cases[] = {
        {"\xE6\x9B\xB2 1.flac", u"曲 1.flac"_qs},
        {"caf\xE9.mp3", u"café.mp3"_qs},                    // Latin-1
        {"\x83\x65\x83\x58\x83\x67.mp3", u"テスト.mp3"_qs}, // CP932 from a Windows archive
        {"b\xFF\xFE.mp3", u"bÿþ.mp3"_qs},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases)
        dir.write(c.bytes.toStdString(), "x");
    std::map<std::string, QString> shown;
    for (const FolderEntry& entry : enumerateFolder(qpath(dir.path())).entries)
        shown[encodeFileName(entry.name).toStdString()] = entry.readableName;
    for (const auto& c : cases)
        EXPECT_EQ(shown[c.bytes.toStdString()], c.text) << c.bytes.constData();
}

TEST(FolderEnumeration, EmptyFolderOpensWithOnlyDots) {
    testsupport::TempDir dir;
    const FolderListing listing = enumerateFolder(qpath(dir.path()));
    EXPECT_TRUE(listing.opened);
    EXPECT_EQ(listing.entries.size(), 2u);
}

TEST(FolderEnumeration, MissingFolderOrFileDoesNotOpen) {
    testsupport::TempDir dir;
    dir.write("file.mp3", "x");
    EXPECT_FALSE(enumerateFolder(qpath(dir.file("missing"))).opened);
    EXPECT_FALSE(enumerateFolder(qpath(dir.file("file.mp3"))).opened);
    EXPECT_FALSE(enumerateFolder(QString()).opened);
}

TEST(FolderEnumeration, PathOfPathMaxBytesDoesNotOpen) {
    testsupport::TempDir dir;
    dir.write("a.mp3", "x");
    std::string path = dir.path();
    while (path.size() + 2 <= PATH_MAX - 1)
        path += "/.";
    if (path.size() < PATH_MAX - 1)
        path += '/'; // PATH_MAX - 1 bytes, still naming the folder
    ASSERT_EQ(path.size(), static_cast<size_t>(PATH_MAX - 1));
    EXPECT_TRUE(enumerateFolder(qpath(path)).opened);
    EXPECT_FALSE(enumerateFolder(qpath(path + "/")).opened);
}

TEST(FolderEnumeration, UnreadableFolderDoesNotOpen) {
    testsupport::TempDir dir;
    dir.write("readable/a.mp3", "x");
    dir.write("locked/a.mp3", "x");
    chmod(dir.path().c_str(), 0755);
    chmod(dir.file("readable").c_str(), 0755);
    chmod(dir.file("locked").c_str(), 0700);
    const QString readable = qpath(dir.file("readable"));
    const QString locked = qpath(dir.file("locked"));
    if (geteuid() != 0) {
        chmod(dir.file("locked").c_str(), 0);
        EXPECT_TRUE(enumerateFolder(readable).opened);
        EXPECT_FALSE(enumerateFolder(locked).opened);
        chmod(dir.file("locked").c_str(), 0700);
        return;
    }
    // Root reads through any permission bits: check as an unprivileged user.
    const int result = runAsNobody(
        [&] { return enumerateFolder(readable).opened && !enumerateFolder(locked).opened; });
    EXPECT_EQ(result, 0);
}

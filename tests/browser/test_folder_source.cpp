// Drives, folders and the folder trail, on real folders.
#include "browser_fixture.h"

#include "platform/folder_enumeration.h"

#include "platform/file_name.h"
#include "settings/ini_file.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
}

} // namespace

TEST_F(BrowserTest, StartsWithTheDriveListAndTheThreeFixedSources) {
    EXPECT_EQ(sourceTexts(), (QStringList{"ドライブリスト", "ネットラジオ", "ポッドキャスト"}));
    EXPECT_EQ(view.sourceBox()->currentIndex(), 0);
    ASSERT_FALSE(entryTexts().isEmpty());
    EXPECT_EQ(entryTexts().front(), "/");
    for (const QString& root : entryTexts())
        EXPECT_TRUE(root.endsWith('/')) << root.toStdString();
    EXPECT_EQ(frame.filled, 0);
}

TEST_F(BrowserTest, OffersOnlyTheSixteenExtensionsExactly) {
    for (const char* name : {"a.mp3", "B.MP3", "c.Mp3", "x.aif", "x.aiff", "x.mp3.bak", "noext",
                             ".hidden.ogg", "t.opus", "t.cda", "t.wma", "t.m4b", "list.m3u"})
        dir.write(name, "data");
    view.setCurrentFolder(folder());
    view.FillTracksFromFolder();
    settle();
    QStringList names = rowNames();
    names.sort();
    EXPECT_EQ(names, (QStringList{".hidden.ogg", "a.mp3", "t.cda", "t.m4b", "t.opus", "t.wma",
                                  "x.aif", "x.aiff"}));
    EXPECT_EQ(list.GetCurrentRow(), 0);
    EXPECT_EQ(frame.filled, 1);
    const int row = list.FindRowByLocation(folder() + "a.mp3");
    ASSERT_GE(row, 0);
    EXPECT_EQ(list.GetMark(row), "");
}

TEST_F(BrowserTest, ListsSubFoldersFirstThenPlaylists) {
    dir.write("z.m3u", "");
    dir.write("Mix.m3u/inner.mp3", "x");
    dir.write(".hiddenfolder/a.mp3", "x");
    dir.write("b.m3u8", "");
    dir.write("c.M3U", "");
    dir.write("song.mp3", "x");
    ::mkfifo(dir.file("pipe.mp3").c_str(), 0600);
    MakeSocket(dir.file("sock.m3u"));
    ::symlink("/nonexistent/target", dir.file("broken.mp3").c_str());
    view.setCurrentFolder(folder());
    view.ListFolder();
    settle();
    const QStringList entries = entryTexts();
    ASSERT_EQ(entries.size(), 4);
    QStringList folders = entries.mid(0, 2);
    folders.sort();
    EXPECT_EQ(folders, (QStringList{".hiddenfolder/", "Mix.m3u/"}));
    QStringList playlists = entries.mid(2);
    playlists.sort();
    EXPECT_EQ(playlists, (QStringList{"b.m3u8", "z.m3u"}));
    view.FillTracksFromFolder();
    settle();
    EXPECT_EQ(rowNames(), QStringList{"song.mp3"}); // no FIFO, socket or broken link
}

TEST_F(BrowserTest, AFolderOfOnlySubFoldersStillSendsTheFilledMessage) {
    dir.write("sub/a.mp3", "x");
    view.setCurrentFolder(folder());
    view.FillTracksFromFolder();
    settle();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(frame.filled, 1);
}

TEST_F(BrowserTest, AFolderThatCannotBeReadGivesNothingAndSendsNothing) {
    list.AppendRow("/old.mp3", "old");
    view.setCurrentFolder(folder() + "missing/");
    view.FillTracksFromFolder();
    settle();
    view.ListFolder();
    settle();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(entryTexts().isEmpty());
    EXPECT_EQ(frame.filled, 0);
}

TEST_F(BrowserTest, AnUnreadableFolderReadByAnUnprivilegedUserGivesNothing) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to switch to an unprivileged user";
    // The folder is readable by root only; enumerate it as "nobody" in a child.
    dir.write("locked/a.mp3", "x");
    ::chmod(dir.file("locked").c_str(), 0700);
    ::chmod(dir.path().c_str(), 0755);
    const pid_t child = ::fork();
    if (child == 0) {
        ::setgid(65534);
        ::setuid(65534);
        // A forked child has no background threads: it reads the folder as
        // the load does, which gives no rows and no filled message for a
        // folder it cannot open (AFolderThatCannotBeReadGivesNothing...).
        const platform::FolderListing listing =
            platform::enumerateFolder(folder() + "locked/");
        ::_exit(!listing.opened && listing.entries.empty() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(BrowserTest, ChoosingADriveThenFoldersBuildsTheTrailAndLastPath) {
    dir.write("Music/Album/t.mp3", "x");
    view.OnEntryChanged(0); // "/"
    settle();
    EXPECT_EQ(view.currentFolder(), "/");
    EXPECT_EQ(sourceTexts(),
              (QStringList{"/", "ドライブリスト", "ネットラジオ", "ポッドキャスト"}));
    const settings::IniFile ini(QString::fromStdString(dir.file("quaverly.ini")));
    EXPECT_EQ(ini.ReadString("_LastPath", ""), "/");
    // Walk down to the temporary folder component by component.
    for (const QString& part : (folder() + "Music/Album/").split('/', Qt::SkipEmptyParts)) {
        const int index = entryIndex(part + "/");
        ASSERT_GE(index, 0) << part.toStdString();
        view.OnEntryChanged(index);
        settle();
    }
    EXPECT_EQ(view.currentFolder(), folder() + "Music/Album/");
    EXPECT_EQ(ini.ReadString("_LastPath", ""), folder() + "Music/Album/");
    EXPECT_EQ(view.sourceBox()->currentIndex(), 0);
    EXPECT_EQ(view.sourceBox()->itemText(0), "Album/");
    EXPECT_EQ(view.sourceBox()->itemText(1), "Music/");
    EXPECT_EQ(rowNames(), QStringList{"t.mp3"});
    EXPECT_EQ(view.entryList()->currentRow(), -1);

    const int trail = view.sourceBox()->count();
    view.OnSourceChanged(0); // the folder's own entry re-reads it
    settle();
    EXPECT_EQ(view.currentFolder(), folder() + "Music/Album/");
    EXPECT_EQ(view.sourceBox()->count(), trail);

    view.OnSourceChanged(2); // two levels up
    settle();
    EXPECT_EQ(view.sourceBox()->count(), trail - 2);
    EXPECT_EQ(view.currentFolder(), folder());
    EXPECT_EQ(view.sourceBox()->currentIndex(), 0);
    EXPECT_TRUE(entryTexts().contains("Music/"));
}

TEST_F(BrowserTest, ChoosingTheRootEntryOfTheTrailBrowsesTheRoot) {
    view.OnEntryChanged(0); // "/"
    settle();
    view.OnEntryChanged(entryIndex("tmp/"));
    settle();
    EXPECT_EQ(view.currentFolder(), "/tmp/");
    view.OnSourceChanged(1); // "/"
    settle();
    EXPECT_EQ(view.currentFolder(), "/");
    EXPECT_EQ(view.sourceBox()->itemText(0), "/");
    EXPECT_EQ(view.sourceBox()->count(), 4);
}

TEST_F(BrowserTest, TheDriveListEntryResetsTheSourcesAndKeepsTheFolder) {
    view.OnEntryChanged(0);
    settle();
    view.OnEntryChanged(entryIndex("tmp/"));
    settle();
    const int drives = view.sourceBox()->count() - 3;
    view.OnSourceChanged(drives);
    settle();
    EXPECT_EQ(sourceTexts(), (QStringList{"ドライブリスト", "ネットラジオ", "ポッドキャスト"}));
    EXPECT_EQ(view.currentFolder(), "/tmp/");
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(entryTexts().front(), "/");
}

// Sub-folders, then playlists, then the tracks, each as the desktop's file
// managers order names: letter case ignored, digits by value.
TEST_F(BrowserTest, AnAlbumFolderListsInNameOrder) {
    for (const char* name : {"10 - a.mp3", "2 - b.mp3", "01 - Intro.flac", "Disc 2/x.mp3",
                             "disc 10/x.mp3", "Bonus.m3u", "live.pls", "a.m3u8", "B - outro.ogg"})
        dir.write(name, "x");
    view.setCurrentFolder(folder());
    view.ListFolder();
    settle();
    EXPECT_EQ(entryTexts(),
              (QStringList{"Disc 2/", "disc 10/", "a.m3u8", "Bonus.m3u", "live.pls"}));
    view.FillTracksFromFolder();
    settle();
    EXPECT_EQ(rowNames(),
              (QStringList{"01 - Intro.flac", "2 - b.mp3", "10 - a.mp3", "B - outro.ogg"}));
}

// Names that are not UTF-8 are shown readably and opened by their bytes.
TEST_F(BrowserTest, NamesThatAreNotUtf8AreShownReadablyAndKeepTheirBytes) {
    dir.write("caf\xE9/\x83\x65\x83\x58\x83\x67.mp3", "x"); // Latin-1 folder, CP932 file
    dir.write("caf\xE9/b\xFF\xFE.mp3", "x");
    view.setCurrentFolder(folder());
    view.ListFolder();
    settle();
    ASSERT_EQ(entryTexts(), QStringList{"café/"});
    view.OnEntryChanged(0);
    settle();
    EXPECT_EQ(view.sourceBox()->itemText(0), "café/");
    EXPECT_EQ(rowNames(), (QStringList{"bÿþ.mp3", "テスト.mp3"}));
    std::vector<std::string> located;
    for (int row = 0; row < list.RowCount(); ++row)
        located.push_back(platform::encodeFileName(list.GetLocation(row)).toStdString());
    EXPECT_EQ(located,
              (std::vector<std::string>{dir.file("caf\xE9/b\xFF\xFE.mp3"),
                                        dir.file("caf\xE9/\x83\x65\x83\x58\x83\x67.mp3")}));
    const settings::IniFile ini(QString::fromStdString(dir.file("quaverly.ini")));
    EXPECT_EQ(platform::encodeFileName(ini.ReadString("_LastPath", "")).toStdString(),
              dir.file("caf\xE9/"));
}

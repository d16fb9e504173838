#include "platform/file_name.h"
#include "platform/shell_path.h"

#include "support/temp_dir.h"

#include <QDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace platform;

TEST(ShellPathUrl, SchemeOfTwoOrMoreCharactersThenColon) {
    EXPECT_TRUE(isUrl(u"http://127.0.0.1/a.mp3"_qs));
    EXPECT_TRUE(isUrl(u"https://x"_qs));
    EXPECT_TRUE(isUrl(u"ab:"_qs));
    EXPECT_TRUE(isUrl(u"svn+ssh://host"_qs));
    EXPECT_TRUE(isUrl(u"x-y.z:rest"_qs));
    EXPECT_TRUE(isUrl(u"a1:b"_qs));
}

TEST(ShellPathUrl, PathsAndShortSchemesAreNotUrls) {
    EXPECT_FALSE(isUrl(u""_qs));
    EXPECT_FALSE(isUrl(u"C:\\music"_qs));         // one letter: a drive, not a scheme
    EXPECT_FALSE(isUrl(u"/music/a:b.mp3"_qs));    // starts with '/'
    EXPECT_FALSE(isUrl(u"1ab:x"_qs));             // must start with a letter
    EXPECT_FALSE(isUrl(u"my song: live.mp3"_qs)); // blank inside the scheme
    EXPECT_FALSE(isUrl(u"http"_qs));              // no colon
    EXPECT_FALSE(isUrl(u":x"_qs));
    EXPECT_FALSE(isUrl(u"\u00E9t\u00E9:x"_qs)); // letters outside ASCII
}

TEST(ShellPathParts, Relative) {
    EXPECT_FALSE(isRelative(u"/a"_qs));
    EXPECT_TRUE(isRelative(u"a/b"_qs));
    EXPECT_TRUE(isRelative(u"./a"_qs));
    EXPECT_TRUE(isRelative(u""_qs));
}

TEST(ShellPathParts, NameAndFolder) {
    EXPECT_EQ(namePart(u"/music/a.mp3"_qs), u"a.mp3"_qs);
    EXPECT_EQ(namePart(u"a.mp3"_qs), u"a.mp3"_qs);
    EXPECT_EQ(namePart(u"/music/"_qs), u""_qs);
    EXPECT_EQ(folderPart(u"/music/a.mp3"_qs), u"/music/"_qs);
    EXPECT_EQ(folderPart(u"/a.mp3"_qs), u"/"_qs);
    EXPECT_EQ(folderPart(u"/music/album/"_qs), u"/music/album/"_qs);
    EXPECT_EQ(folderPart(u"a.mp3"_qs), u"/"_qs);
}

TEST(ShellPathParts, ExtensionFromTheLastDotOfTheName) {
    EXPECT_EQ(extensionOf(u"/m/a.mp3"_qs), u".mp3"_qs);
    EXPECT_EQ(extensionOf(u"/m/a.MP3"_qs), u".MP3"_qs);
    EXPECT_EQ(extensionOf(u"/m/x.mp3.bak"_qs), u".bak"_qs);
    EXPECT_EQ(extensionOf(u"/m/noext"_qs), u""_qs);
    EXPECT_EQ(extensionOf(u"/m.d/noext"_qs), u""_qs); // a dot in the folder does not count
    EXPECT_EQ(extensionOf(u"trailing."_qs), u"."_qs);
    EXPECT_EQ(extensionOf(u"/m/.hidden.ogg"_qs), u".ogg"_qs);
    EXPECT_EQ(extensionOf(u"/m/.bashrc"_qs), u""_qs); // a leading dot belongs to the name
    EXPECT_EQ(extensionOf(u".."_qs), u""_qs);
}

TEST(ShellPathQualify, ResolvesDotsLexically) {
    EXPECT_EQ(qualifyAgainst(u"/a/./b/../c.mp3"_qs, u"/x"_qs), u"/a/c.mp3"_qs);
    EXPECT_EQ(qualifyAgainst(u"//a///b"_qs, u"/x"_qs), u"/a/b"_qs);
    EXPECT_EQ(qualifyAgainst(u"/../../a"_qs, u"/x"_qs), u"/a"_qs);
    EXPECT_EQ(qualifyAgainst(u"/a/b/"_qs, u"/x"_qs), u"/a/b/"_qs);
    EXPECT_EQ(qualifyAgainst(u"/a/b/.."_qs, u"/x"_qs), u"/a/"_qs);
    EXPECT_EQ(qualifyAgainst(u"/"_qs, u"/x"_qs), u"/"_qs);
}

TEST(ShellPathQualify, RelativePathsUseTheBaseFolder) {
    EXPECT_EQ(qualifyAgainst(u"b.mp3"_qs, u"/music/"_qs), u"/music/b.mp3"_qs);
    EXPECT_EQ(qualifyAgainst(u"../b.mp3"_qs, u"/music/album"_qs), u"/music/b.mp3"_qs);
    EXPECT_EQ(qualifyAgainst(u"../../../b"_qs, u"/m"_qs), u"/b"_qs);
    EXPECT_EQ(qualifyAgainst(u""_qs, u"/music"_qs), u"/music/"_qs);
    EXPECT_EQ(qualifyAgainst(u"C:\\x"_qs, u"/m"_qs),
              u"/m/C:\\x"_qs); // a backslash is a name character
}

TEST(ShellPathQualify, UsesTheCurrentFolderAndNeedsNoExistence) {
    testsupport::TempDir dir;
    dir.write("caf\xE9/x", "x"); // a current folder whose name is not UTF-8
    const QString previous = QDir::currentPath();
    ASSERT_EQ(chdir(dir.file("caf\xE9").c_str()), 0);
    const QString qualified = qualify(u"missing/../none.mp3"_qs);
    QDir::setCurrent(previous);
    EXPECT_EQ(encodeFileName(qualified).toStdString(), dir.file("caf\xE9/none.mp3"));
}

TEST(ShellPathExists, FilesFoldersAndLinks) {
    testsupport::TempDir dir;
    const QString base = QString::fromStdString(dir.path());
    dir.write("a.mp3", "x");
    ASSERT_EQ(symlink("a.mp3", dir.file("good-link").c_str()), 0);
    ASSERT_EQ(symlink("missing", dir.file("broken-link").c_str()), 0);
    EXPECT_TRUE(exists(base + u"/a.mp3"_qs));
    EXPECT_TRUE(exists(base));
    EXPECT_TRUE(exists(base + u"/"_qs));
    EXPECT_TRUE(exists(base + u"/good-link"_qs));
    EXPECT_FALSE(exists(base + u"/broken-link"_qs));
    EXPECT_FALSE(exists(base + u"/b.mp3"_qs));
    EXPECT_FALSE(exists(u""_qs));
    EXPECT_TRUE(isFolder(base) && isFolder(base + u"/"_qs));
    EXPECT_FALSE(isFolder(base + u"/a.mp3"_qs) || isFolder(base + u"/missing"_qs));
    dir.write("b\xFF\xFE/caf\xE9.mp3", "x"); // names that are not UTF-8
    const QString folder = decodeFileName(QByteArray::fromStdString(dir.file("b\xFF\xFE")));
    EXPECT_TRUE(isFolder(folder));
    EXPECT_TRUE(exists(folder + u"/caf"_qs + QChar(0xDCE9) + u".mp3"_qs));
    EXPECT_FALSE(exists(folder + u"/café.mp3"_qs));
}

// Settings written by the background writer: the caller never waits for the
// file, reads of this process see the value at once, and the file ends up
// with the latest value, written by the ordinary locked, atomic rewrite.
#include "settings/ini_file.h"

#include "platform/owned_file.h"

#include "support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <optional>

using settings::IniFile;
using testsupport::readFile;

namespace {

const char kIni[] = "; kept\r\n[Quaverly]\r\n_Volume=40\r\n";

} // namespace

TEST(IniBackgroundWrite, ReadsSeeEachValueAtOnceAndTheFileGetsTheLatest) {
    testsupport::TempDir dir;
    const IniFile ini(QString::fromStdString(dir.write("quaverly.ini", kIni)));
    const QStringList played = {
        u"/music/Album/01 - Intro.flac"_qs,
        u"/music/Album/02 - Café.mp3"_qs,
        u"http://radio.example/stream?x=1&y=2"_qs,
        u"/music/日本語/03 - 曲.ogg"_qs,
    };
    for (int round = 0; round < 25; ++round) {
        for (const QString& location : played) {
            ASSERT_TRUE(ini.WriteStringInBackground(u"_LastPlayed"_qs, location));
            EXPECT_EQ(ini.ReadString(u"_LastPlayed"_qs, {}), location);
        }
    }
    IniFile::FinishBackgroundWrites();
    EXPECT_EQ(readFile(ini.path().toStdString()),
              std::string(kIni) + "_LastPlayed=" + played.last().toStdString() + "\r\n");
    EXPECT_EQ(ini.ReadString(u"_LastPlayed"_qs, {}), played.last());
    const auto files = std::distance(std::filesystem::directory_iterator(dir.path()),
                                     std::filesystem::directory_iterator());
    EXPECT_EQ(files, 1) << "no temporary left";
}

TEST(IniBackgroundWrite, InvalidValuesAreRefusedAndNeverRead) {
    testsupport::TempDir dir;
    const IniFile ini(QString::fromStdString(dir.write("quaverly.ini", kIni)));
    const struct {
        QString key;
        QString value;
    } cases[] = {
        {u"_LastPlayed"_qs, u"/music/a\nb.mp3"_qs},
        {u"_LastPlayed"_qs, u"/music/a\rb.mp3"_qs},
        {u"[Other]"_qs, u"x"_qs},
        {u""_qs, u"x"_qs},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ini.WriteStringInBackground(c.key, c.value)) << c.key.toStdString();
        EXPECT_EQ(ini.ReadString(c.key, u"none"_qs), u"none"_qs) << c.key.toStdString();
    }
    IniFile::FinishBackgroundWrites();
    EXPECT_EQ(readFile(ini.path().toStdString()), kIni);
}

// Another writer holds the file's lock (another instance rewriting it, a
// slow network folder): the write still returns and reads see the value;
// the file gets it once the lock is free.
TEST(IniBackgroundWrite, TheCallerNeverWaitsForTheFile) {
    testsupport::TempDir dir;
    const IniFile ini(QString::fromStdString(dir.write("quaverly.ini", kIni)));
    std::optional<platform::OwnedFileUpdate> otherWriter(std::in_place, ini.path());
    ASSERT_TRUE(otherWriter->ready());
    auto written = std::async(std::launch::async, [&] {
        return ini.WriteStringInBackground(u"_LastPlayed"_qs, u"/music/01 - Intro.flac"_qs);
    });
    const bool returned = written.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    EXPECT_TRUE(returned) << "the write waited for the lock";
    EXPECT_EQ(ini.ReadString(u"_LastPlayed"_qs, {}), u"/music/01 - Intro.flac"_qs);
    EXPECT_EQ(readFile(ini.path().toStdString()), kIni) << "not written under another's lock";
    otherWriter.reset();
    EXPECT_TRUE(written.get());
    IniFile::FinishBackgroundWrites();
    EXPECT_EQ(readFile(ini.path().toStdString()),
              std::string(kIni) + "_LastPlayed=/music/01 - Intro.flac\r\n");
}

// Replays every kept fuzzing input (tests/fuzz/corpus/<harness>/) through its
// harness, so that the inputs that once found a fault, and the coverage the
// fuzzer grew, are checked by every test run. A harness aborts on a broken
// promise, which fails the test.
#include "fuzz_targets.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

using Harness = int (*)(const uint8_t*, size_t);

// Runs every file of the harness's corpus; returns how many there were.
int Replay(const char* name, Harness harness) {
    const QDir folder(QStringLiteral(QUAVERLY_FUZZ_CORPUS "/") + QLatin1String(name));
    int count = 0;
    for (const QString& entry : folder.entryList(QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(entry));
        if (!file.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "cannot read " << entry.toStdString();
            continue;
        }
        const QByteArray input = file.readAll();
        SCOPED_TRACE(entry.toStdString());
        EXPECT_EQ(harness(reinterpret_cast<const uint8_t*>(input.constData()),
                          static_cast<size_t>(input.size())),
                  0);
        ++count;
    }
    return count;
}

struct Corpus {
    const char* name;
    Harness harness;
};

const Corpus kCorpora[] = {
    {"playlist", fuzzPlaylist},    {"list_rewrite", fuzzListRewrite}, {"rss_feed", fuzzRssFeed},
    {"icy_stream", fuzzIcyStream}, {"ini_file", fuzzIniFile},         {"tag_format", fuzzTagFormat},
    {"code_page", fuzzCodePage},   {"audio_decode", fuzzAudioDecode},
};

class FuzzReplay : public ::testing::TestWithParam<Corpus> {};

} // namespace

TEST_P(FuzzReplay, EveryKeptInputPassesItsHarness) {
    EXPECT_GT(Replay(GetParam().name, GetParam().harness), 0);
}

INSTANTIATE_TEST_SUITE_P(Corpora, FuzzReplay, ::testing::ValuesIn(kCorpora),
                         [](const ::testing::TestParamInfo<Corpus>& info) {
                             return std::string(info.param.name);
                         });

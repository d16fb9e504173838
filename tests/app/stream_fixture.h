// Audio bodies for the network tests: a bare MPEG audio stream (no tags, no
// Xing frame) that can be repeated without end like a station's stream.
#pragma once

#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <QString>
#include <gtest/gtest.h>
#include <string>

inline std::string BareMp3(int seconds, int frequency = 1000) {
    testsupport::TempDir dir;
    const QString path = QString::fromStdString(dir.file("tone.mp3"));
    const auto result =
        testsupport::runProgram("ffmpeg",
                                {"-nostdin",
                                 "-loglevel",
                                 "error",
                                 "-f",
                                 "lavfi",
                                 "-i",
                                 QStringLiteral("sine=frequency=%1:duration=%2:sample_rate=44100")
                                     .arg(frequency)
                                     .arg(seconds),
                                 "-ac",
                                 "2",
                                 "-c:a",
                                 "libmp3lame",
                                 "-b:a",
                                 "128k",
                                 "-write_xing",
                                 "0",
                                 "-id3v2_version",
                                 "0",
                                 "-f",
                                 "mp3",
                                 path},
                                60000);
    EXPECT_TRUE(result.finished && result.exitCode == 0) << result.err.toStdString();
    return testsupport::readFile(path.toStdString());
}

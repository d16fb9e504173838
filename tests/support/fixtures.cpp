#include "support/fixtures.h"

#include "support/process_runner.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

std::string fixtureDir() {
    return QUAVERLY_FIXTURE_DIR;
}

static void ensureFixtures() {
    static bool done = false;
    if (done)
        return;
    const std::string command = std::string("bash '") + QUAVERLY_FIXTURE_SCRIPT + "' '" +
                                QUAVERLY_FIXTURE_DIR + "' >/dev/null";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("fixture generation failed: " + command);
    done = true;
}

std::string fixture(const std::string& name) {
    ensureFixtures();
    const std::string path = fixtureDir() + "/" + name;
    if (!std::filesystem::exists(path))
        throw std::runtime_error("no such fixture: " + path);
    return path;
}

std::string makeToneWithCueSheet(const std::string& path, const std::string& sheet) {
    QStringList args{
        "-nostdin", "-loglevel", "error", "-y",
        "-f",       "lavfi",     "-i",    "sine=frequency=440:sample_rate=44100:duration=3",
        "-ac",      "2"};
    if (!sheet.empty())
        args << "-metadata" << QString::fromStdString("CUESHEET=" + sheet);
    const RunResult made = runProgram("ffmpeg", args << QString::fromStdString(path), 60000);
    if (made.finished && made.exitCode == 0)
        return {};
    return "ffmpeg failed: " + made.err.toStdString();
}

std::string binaryDir() {
    return QUAVERLY_BINARY_DIR;
}
std::string playerExecutable() {
    return binaryDir() + "/quaverly";
}

} // namespace testsupport

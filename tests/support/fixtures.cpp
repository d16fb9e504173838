#include "support/fixtures.h"

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

std::string binaryDir() {
    return QUAVERLY_BINARY_DIR;
}
std::string playerExecutable() {
    return binaryDir() + "/quaverly";
}

} // namespace testsupport

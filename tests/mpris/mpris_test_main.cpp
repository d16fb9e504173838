// Entry point of the MPRIS tests: the same as every other test executable's,
// but with a private session bus that exists before the application object.
// (This main takes the place of the shared one in tests/support.)
#include "private_session_bus.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    const testsupport::PrivateSessionBus bus;
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

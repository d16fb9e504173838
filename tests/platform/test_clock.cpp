#include "platform/clock.h"

#include <QThread>
#include <gtest/gtest.h>

TEST(Clock, MillisecondsFollowRealTime) {
    const uint32_t start = platform::millisecondClock();
    QThread::msleep(30);
    const uint32_t elapsed = platform::millisecondClock() - start;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 2000u);
}

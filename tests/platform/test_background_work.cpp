#include "platform/background_work.h"

#include <QCoreApplication>
#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Calls that block until released, counting how many run at once.
class HeldCalls {
public:
    void run() {
        std::unique_lock lock(mutex_);
        ++running_;
        ++started_;
        peak_ = std::max(peak_, running_);
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
        --running_;
    }
    void waitUntilRunning(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return running_ == count; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    int started() {
        std::lock_guard lock(mutex_);
        return started_;
    }
    int peak() {
        std::lock_guard lock(mutex_);
        return peak_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int running_ = 0;
    int started_ = 0;
    int peak_ = 0;
    bool released_ = false;
};

} // namespace

TEST(ParallelCallsTest, RunSideBySideUpToTheBoundAndEachIndexOnce) {
    struct Case {
        size_t count;
        size_t maxAtOnce;
        int expectedAtOnce;
    };
    const Case cases[] = {{100, 32, 32}, {5, 32, 5}, {3, 1, 1}, {1, 8, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " calls, " << c.maxAtOnce << " at once");
        HeldCalls held;
        std::vector<std::atomic<int>> calls(c.count);
        std::thread caller([&] {
            platform::forEachInParallel(c.count, c.maxAtOnce, [&](size_t i) {
                ++calls[i];
                held.run();
            });
        });
        // Every thread is held inside a call: none can take another index,
        // so the count started now is exactly how many run at once.
        held.waitUntilRunning(c.expectedAtOnce);
        EXPECT_EQ(held.started(), c.expectedAtOnce);
        held.release();
        caller.join();
        EXPECT_EQ(held.peak(), c.expectedAtOnce);
        for (const std::atomic<int>& count : calls)
            EXPECT_EQ(count.load(), 1);
    }
}

TEST(ParallelCallsTest, NoCallsReturnAtOnce) {
    bool called = false;
    platform::forEachInParallel(0, 32, [&](size_t) { called = true; });
    EXPECT_FALSE(called);
}

TEST(BackgroundWorkTest, AResultReachesTheUiThreadUnlessItsTokenWasCancelled) {
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "kept");
        const platform::CancelToken token;
        std::mutex mutex;
        std::condition_variable done;
        bool worked = false;
        bool delivered = false;
        std::thread::id deliveredOn;
        platform::runInBackground(
            token,
            [&] {
                std::lock_guard lock(mutex);
                worked = true;
                done.notify_all();
                return 42;
            },
            [&](int result) {
                EXPECT_EQ(result, 42);
                delivered = true;
                deliveredOn = std::this_thread::get_id();
            });
        {
            std::unique_lock lock(mutex);
            done.wait(lock, [&] { return worked; });
        }
        if (cancel)
            token.cancel();
        platform::finishBackgroundWork(60000);
        QCoreApplication::processEvents();
        EXPECT_EQ(delivered, !cancel);
        if (delivered) {
            EXPECT_TRUE(deliveredOn == std::this_thread::get_id()) << "on the UI thread";
        }
        EXPECT_EQ(token.cancelled(), cancel);
        EXPECT_EQ(token.check()(), cancel);
    }
}

#include "platform/background_work.h"

#include "platform/close_request.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QRunnable>
#include <QThreadPool>
#include <algorithm>
#include <thread>
#include <vector>

namespace platform {

namespace {

// Loads are few (each owner cancels its previous one), but a cancelled load
// may still be finishing a wait of up to 100 ms when the next starts.
constexpr int kBackgroundThreads = 16;

QThreadPool& pool() {
    static QThreadPool* const threads = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(kBackgroundThreads);
        return created;
    }();
    return *threads;
}

} // namespace

bool CancelToken::cancelled() const {
    return flag_->load(std::memory_order_relaxed) || closeRequested();
}

std::function<bool()> CancelToken::check() const {
    return [token = *this] { return token.cancelled(); };
}

void runInBackground(std::function<void()> task) {
    pool().start(std::move(task));
}

void deliver(const CancelToken& token, std::function<void()> call) {
    QCoreApplication* const application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(
        application,
        [token, call = std::move(call)] {
            if (!token.cancelled())
                call();
        },
        Qt::QueuedConnection);
}

void forEachInParallel(size_t count, size_t maxAtOnce, const std::function<void(size_t)>& each) {
    std::atomic<size_t> next{0};
    const auto drain = [&] {
        for (size_t i = next++; i < count; i = next++)
            each(i);
    };
    const size_t helpers = std::min(count, std::max<size_t>(maxAtOnce, 1)) - (count > 0 ? 1 : 0);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t)
        threads.emplace_back(drain);
    drain();
    for (std::thread& thread : threads)
        thread.join();
}

void finishBackgroundWork(int timeoutMs) {
    pool().waitForDone(timeoutMs);
}

} // namespace platform

// wake_cost: the CPU time one timed wake-up costs on this machine: a thread
// sleeps on a condition variable until a deadline every 20 ms, as the mixer
// does while it paces the null output, and the CPU used is divided by the
// wake-ups. On a virtual machine a wake-up (timer, context switch) can cost
// far more than on bare hardware, which sets a floor under any player that
// writes its output in short blocks.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sys/resource.h>

int main() {
    constexpr int kWakes = 250;
    std::mutex mutex;
    std::condition_variable never;
    auto due = std::chrono::steady_clock::now();
    for (int i = 0; i < kWakes; ++i) {
        due += std::chrono::milliseconds(20);
        std::unique_lock<std::mutex> lock(mutex);
        never.wait_until(lock, due, [&] { return std::chrono::steady_clock::now() >= due; });
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpuUs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    std::printf("%.1f\n", cpuUs / kWakes);
    return 0;
}

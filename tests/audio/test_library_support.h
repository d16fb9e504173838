// Helpers of the audio library tests: a device opened on a chosen back-end,
// WAV reading and level measurement.
#pragma once

#include "audio/api/bass.h"
#include "audio/api/tags.h"
#include "audio/engine/library.h"
#include "audio/output/manual_clock.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace librarytest {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            hadOld_ = true;
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (hadOld_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool hadOld_ = false;
    std::string old_;
};

// The library's device on one back-end, freed at the end of the scope.
class Device {
public:
    explicit Device(const std::string& choice) : env_("QUAVERLY_AUDIO", choice) {
        ok_ = BASS_Init(-1, 44100, 0, nullptr, nullptr) != FALSE;
    }
    ~Device() { BASS_Free(); }
    bool ok() const { return ok_; }

private:
    ScopedEnv env_;
    bool ok_ = false;
};

// A test with the device open on the fast null output for its whole run.
class OnTheFastOutput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device_.ok()) << BASS_ErrorGetCode(); }

private:
    Device device_{"null:fast"};
};

// Polls until the condition holds; false when the timeout passes first.
inline bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The clock of the device open now when it is "null:manual", else nullptr.
inline std::shared_ptr<audio::output::ManualClock> manualClock() {
    return audio::core::Library::instance().manualClock();
}

// On "null:manual": lets the device play for `time`, one 20 ms block at a
// time, each once the mixer has written and told all it could before it.
inline void playFor(std::chrono::nanoseconds time) {
    const auto clock = manualClock();
    ASSERT_TRUE(clock) << "the device has no manual clock";
    const auto until = clock->now() + time;
    while (clock->now() < until) {
        ASSERT_TRUE(clock->waitUntilWriterWaits(std::chrono::seconds(10)))
            << "the mixer does not wait";
        clock->advance(std::min<std::chrono::nanoseconds>(std::chrono::milliseconds(20),
                                                          until - clock->now()));
    }
    ASSERT_TRUE(clock->waitUntilWriterWaits(std::chrono::seconds(10)));
}

// A stream of one of the generated fixtures, 0 when it does not open.
inline HSTREAM openFixture(const std::string& name) {
    return BASS_StreamCreateFile(FALSE, testsupport::fixture(name).c_str(), 0, 0, 0);
}

struct Wav {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
    std::size_t frames() const { return channels ? samples.size() / channels : 0; }
};

// Reads a 16-bit PCM WAV as the wav: back-end writes it.
inline Wav readWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Wav wav;
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0)
        return wav;
    auto le16 = [&](std::size_t at) {
        return static_cast<int>(static_cast<unsigned char>(bytes[at]) |
                                (static_cast<unsigned char>(bytes[at + 1]) << 8));
    };
    auto le32 = [&](std::size_t at) {
        return static_cast<uint32_t>(le16(at)) | (static_cast<uint32_t>(le16(at + 2)) << 16);
    };
    wav.channels = le16(22);
    wav.rate = static_cast<int>(le32(24));
    const std::size_t dataBytes = std::min<std::size_t>(le32(40), bytes.size() - 44);
    wav.samples.resize(dataBytes / 2);
    for (std::size_t i = 0; i < wav.samples.size(); ++i)
        wav.samples[i] = static_cast<int16_t>(le16(44 + 2 * i)) / 32768.0f;
    return wav;
}

// RMS level in dBFS of the left channel between two times.
inline double rmsDb(const Wav& wav, double fromSeconds, double toSeconds) {
    const std::size_t from = static_cast<std::size_t>(fromSeconds * wav.rate);
    const std::size_t to = std::min(wav.frames(), static_cast<std::size_t>(toSeconds * wav.rate));
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(wav.samples[i * wav.channels]) * wav.samples[i * wav.channels];
    const double mean = to > from ? sum / double(to - from) : 0.0;
    return 10.0 * std::log10(mean + 1e-20);
}

// A flag a sync procedure raises and a test waits for, with a timeout.
struct Event {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;

    void raise() {
        std::lock_guard<std::mutex> lock(mutex);
        ++count;
        changed.notify_all();
    }
    bool waitFor(int atLeast, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return count >= atLeast; });
    }
    int value() {
        std::lock_guard<std::mutex> lock(mutex);
        return count;
    }
};

// Sync user data that lives until the process ends. Freeing a stream or the
// library does not wait for a sync procedure that is already running (by
// design: the user interface thread must never wait for the sync thread), so
// whatever a procedure touches has to outlive the test that set it.
template <class T> T& outlivingTheTest() {
    static std::mutex mutex;
    static auto* kept = new std::vector<T*>; // reachable to the end, never freed
    std::lock_guard<std::mutex> lock(mutex);
    return *kept->emplace_back(new T);
}

inline void raiseEvent(HSYNC, DWORD, DWORD, void* user) {
    static_cast<Event*>(user)->raise();
}

// An END sync seen: how often, the data it carried (the follow-on that took
// over) and its place among all the ends noted in the process.
struct EndSeen : Event {
    std::atomic<DWORD> data{0};
    std::atomic<int> order{0};
};

inline void noteEnd(HSYNC, DWORD, DWORD data, void* user) {
    static std::atomic<int> seen{0};
    auto* end = static_cast<EndSeen*>(user);
    end->data = data;
    end->order = ++seen;
    end->raise();
}

// Plays a stream to its end through the current device; true when END fired.
// The event must outlive the stream.
inline bool playToEnd(HSTREAM stream, Event& ended, std::chrono::milliseconds timeout) {
    BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, raiseEvent, &ended);
    return BASS_ChannelPlay(stream, FALSE) && ended.waitFor(1, timeout);
}

} // namespace librarytest

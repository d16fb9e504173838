// Plays the audio library's "null:manual" device on the test's own clock
// while the Qt event loop runs: the window or the engine hears of ends and
// hand-overs as the clock reaches them, never on the real clock.
#pragma once

#include "audio/engine/library.h"
#include "audio/output/manual_clock.h"

#include <QCoreApplication>
#include <QTest>
#include <chrono>
#include <functional>

namespace testsupport {

// Moves the device's clock on one 20 ms block at a time, each once the mixer
// has written and told all it could, handling the events posted meanwhile,
// until `done` holds. While `awaited` holds, something the mixer told is on
// its way to this thread through the sync thread: the clock waits for it
// (up to 30 s), so that a busy machine cannot let the sound run past it.
// False when the device has no manual clock, the mixer or the awaited event
// does not come, or `limit` of the clock passes first.
inline bool playManualClockUntil(const std::function<bool()>& done,
                                 const std::function<bool()>& awaited = {},
                                 std::chrono::milliseconds limit = std::chrono::minutes(1)) {
    const auto clock = audio::core::Library::instance().manualClock();
    if (!clock)
        return false;
    constexpr std::chrono::milliseconds kBlock(20);
    for (auto played = std::chrono::milliseconds(0); played <= limit; played += kBlock) {
        QCoreApplication::processEvents();
        if (done())
            return true;
        if (awaited && awaited() && !QTest::qWaitFor([&] { return done() || !awaited(); }, 30000))
            return false;
        if (done())
            return true;
        if (!clock->waitUntilWriterWaits(std::chrono::seconds(30)))
            return false;
        clock->advance(kBlock);
    }
    return false;
}

} // namespace testsupport

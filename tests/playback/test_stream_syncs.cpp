// The stream syncs run on the audio library's own thread, which nobody waits
// for: a sync that runs after its engine was destroyed must reach nothing.
#include "engine_fixture.h"

#include <future>
#include <memory>

namespace {

// A sync that holds the library's sync thread until the test lets it go.
struct SyncThreadGate {
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();

    static void Hold(HSYNC, DWORD, DWORD, void* user) {
        auto* gate = static_cast<SyncThreadGate*>(user);
        gate->entered.set_value();
        gate->released.wait();
    }
};

void SetPromise(HSYNC, DWORD, DWORD, void* user) {
    static_cast<std::promise<void>*>(user)->set_value();
}

} // namespace

TEST_F(EngineTest, AStreamThatEndsAfterItsEngineWasDestroyedReachesNothing) {
    start("null:fast");
    addRows(1);
    select(0);
    // A first stream whose end holds the sync thread ...
    SyncThreadGate gate;
    const std::string tone = testsupport::fixture("tone_1k_3s.wav");
    const HSTREAM holder = BASS_StreamCreateFile(FALSE, tone.c_str(), 0, 0, 0);
    ASSERT_NE(holder, 0u);
    BASS_ChannelSetSync(holder, BASS_SYNC_END, 0, SyncThreadGate::Hold, &gate);
    ASSERT_TRUE(BASS_ChannelPlay(holder, FALSE));
    ASSERT_EQ(gate.entered.get_future().wait_for(std::chrono::seconds(10)),
              std::future_status::ready);

    // ... so that the end of the doomed engine's stream runs after the
    // engine is gone (a track ending while the user quits).
    auto doomed = std::make_unique<playback::PlaybackEngine>();
    doomed->Attach(this, &title, &order, &list, QString::fromStdString(dir.file("q.ini")));
    ASSERT_TRUE(doomed->OpenAndPlay(0));
    const HSTREAM orphan = doomed->stream();
    std::promise<void> orphanEndRan;
    BASS_ChannelSetSync(orphan, BASS_SYNC_END, 0, SetPromise, &orphanEndRan);
    doomed.reset();

    gate.release.set_value();
    ASSERT_EQ(orphanEndRan.get_future().wait_for(std::chrono::seconds(10)),
              std::future_status::ready);
    QCoreApplication::processEvents();
    BASS_StreamFree(orphan);
    BASS_StreamFree(holder);
}

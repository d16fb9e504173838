#include "engine_fixture.h"

#include "res/resource_ids.h"

#include <QTimer>

void EngineTest::SendCommand(int id) {
    const bool stepping = list.RowCount() > 0 && engine.stream() != 0;
    switch (id) {
    case res::ID_PLAY_PLAYPAUSE:
        if (list.RowCount() > 0)
            engine.TogglePlayPause();
        break;
    case res::ID_PLAY_STOP:
        engine.Stop();
        break;
    case res::ID_PLAY_NEXT:
        if (stepping)
            navigator.NextTrack();
        break;
    case res::ID_PLAY_PREV:
        if (stepping)
            navigator.PreviousTrack();
        break;
    case res::ID_PLAY_SKIP:
        navigator.ToggleSkip();
        break;
    default:
        break;
    }
}

void EngineTest::PostCommand(int id) {
    QTimer::singleShot(0, [this, id] { SendCommand(id); });
}

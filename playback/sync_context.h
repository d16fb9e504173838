// The record handed to every stream sync: which frame, title label and order
// box the handlers work with, and the stream the syncs were set on.
#pragma once

#include "audio/bass.h"

#include <atomic>

class QComboBox;
class QLabel;

namespace playback {

class FrameLink;
class PlaybackEngine;

struct SyncContext {
    PlaybackEngine* engine = nullptr;
    FrameLink* frame = nullptr;
    QLabel* titleDisplay = nullptr;
    QComboBox* orderSelector = nullptr;
    std::atomic<HSTREAM> stream{0};
};

} // namespace playback

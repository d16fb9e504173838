// A frame for the browser panel alone: its commands and notices go nowhere.
#pragma once

#include "playback/frame_link.h"

class QuietFrame : public playback::FrameLink {
public:
    void SendCommand(int) override {}
    void PostCommand(int) override {}
    void TrackListFilled() override {}
    QWidget* OwnerWindow() override { return nullptr; }
};

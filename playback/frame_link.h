// How the playback and browser layers reach the main frame without knowing
// it: commands are sent (handled at once, on the UI thread) or posted.
#pragma once

class QWidget;

namespace playback {

class FrameLink {
public:
    virtual ~FrameLink() = default;
    // Runs the command's handler now, as a synchronous send.
    virtual void SendCommand(int id) = 0;
    // Queues the command for the event loop.
    virtual void PostCommand(int id) = 0;
    // The track list was refilled by a folder or playlist source.
    virtual void TrackListFilled() = 0;
    // Owner of message boxes.
    virtual QWidget* OwnerWindow() = 0;
};

} // namespace playback

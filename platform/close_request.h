// The process-wide request to close: set by a termination signal's handler
// or by another instance's hand-over, read by blocking operations (downloads,
// station probes) so that they end at once and the frame can close.
//
// One flag for the whole process, because a signal handler can reach nothing
// else; setting it is async-signal-safe.
#pragma once

namespace platform {

void requestClose();
bool closeRequested();

} // namespace platform

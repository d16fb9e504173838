// The program's entry sequence: the audio library's version check, the
// single-instance rule, then Run, which creates the frame, restores the
// settings, opens the command line or the last session and runs the loop.
#pragma once

#include <QString>
#include <QStringList>

namespace platform {
class InstanceListener;
}

namespace app {

// The command line after the program name as one text, leading blanks
// removed (the arguments joined with single blanks).
QString CommandLineText(const QStringList& arguments);

// The whole entry sequence; returns the process exit code: 1 after a normal
// close, 0 after an early exit.
int EntryPoint(const QString& commandLine);

// Creates the frame and runs the loop. A close that the listener received
// before the frame existed is carried out once the frame is shown, instead of
// the start-up action.
int Run(const QString& commandLine, platform::InstanceListener& listener);

} // namespace app

// The rows of a cue sheet: one per track, located at its image file followed
// by "#track=N" and carrying the part of the image it plays.
#pragma once

#include "browser/cue_sheet.h"
#include "browser/form_view.h"

#include <QString>
#include <vector>

namespace browser {

// Runs in the background (it looks at the disk). A FILE names the image
// relative to the sheet's folder (backslashes count as separators); when no
// such file exists but one with the same stem and an audio extension does
// (a sheet written for the .wav beside a .flac image), that one is used. An
// image that is missing still gives its rows, which then fail to open.
std::vector<LoadedRow> CueRows(const CueSheet& sheet, const QString& folder);

// The file a FILE line means, found on the disk as described above; the
// named path itself when nothing is found.
QString FindCueImage(const QString& named, const QString& folder);

} // namespace browser

// Album images that carry their cue sheet in themselves (a FLAC CUESHEET
// comment or block, an APE tag's CUESHEET item). The folder's entry list
// offers each such image as a playlist entry of its own, named by the
// image's name followed by "#cue"; choosing it lists the image's tracks as a
// .cue file beside it would. The image's own row in the track list stays.
#pragma once

#include <QByteArray>
#include <QString>

namespace browser {

// The formats that carry such sheets: .flac, .ape, .wv, .tta, .tak.
bool MayHoldCueSheet(const QString& name);

// The entry of an image's embedded sheet, and back.
QString EmbeddedCueEntry(const QString& imageName);
bool IsEmbeddedCueEntry(const QString& name);
QString ImageOfEmbeddedCueEntry(const QString& entry);

// Reads the disk: run in the background. Empty when the file carries none.
QByteArray ReadEmbeddedCueSheet(const QString& imagePath);

} // namespace browser

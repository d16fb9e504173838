// The program icon and the toolbar image strip, drawn in code so that no
// binary artwork needs to be kept in the repository.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace res {

enum ToolbarImage {
    ImagePlay = 0,
    ImageStop = 1,
    ImagePrevious = 2,
    ImageNext = 3,
    ImagePause = 4
};

inline constexpr int kToolbarImageSize = 16;

// The 80x16 strip of five 16x16 images; the top-left pixel's colour is the
// mask colour, as for a bitmap strip.
QImage toolbarStrip();
// One image of the strip with the mask colour made transparent.
QPixmap toolbarImage(ToolbarImage image);

// The program icon (a quaver) at the given size.
QPixmap programPixmap(int size);
QIcon programIcon();

} // namespace res

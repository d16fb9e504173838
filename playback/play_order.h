// The five play orders: the index of the order box's selection.
#pragma once

namespace playback {

enum PlayOrderValue {
    OrderNone = -1,
    OrderOnce = 0,
    OrderRepeatAll = 1,
    OrderSingle = 2,
    OrderRepeatSingle = 3,
    OrderRandom = 4,
};

} // namespace playback

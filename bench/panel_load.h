// Waiting for the browser panel's loads. A panel that loads in the
// background tells whether a load is in flight, and its rows arrive through
// the event loop; one that cannot has ended its load when the call returns.
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

template <typename View> bool LoadInFlight(View& view) {
    if constexpr (requires { view.isLoading(); })
        return view.isLoading();
    else
        return false;
}

// Runs the event loop, a slice of a few milliseconds at a time, until the
// panel's load has ended; false when it still runs after timeoutMs.
template <typename View> bool WaitForLoad(View& view, qint64 timeoutMs = 120000) {
    QElapsedTimer waited;
    waited.start();
    while (LoadInFlight(view)) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QEventLoop slice;
        QTimer::singleShot(2, &slice, &QEventLoop::quit);
        slice.exec();
    }
    return true;
}

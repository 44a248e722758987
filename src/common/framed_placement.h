// Placing a window again once the window manager has framed it: only then is the frame's size
// known, and placements that put the frame somewhere need it.
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace zarn {

// Runs `place` as soon as `window` has a frame, looking every 50 ms up to `tries` times. Without a
// frame at all (the offscreen platform) it gives up quietly.
inline void PlaceWhenFramed(QWidget* window, std::function<void()> place, int tries = 40) {
    if (window->frameGeometry() != window->geometry()) {
        place();
        return;
    }
    if (tries > 0)
        QTimer::singleShot(50, window, [window, place = std::move(place), tries]() mutable {
            PlaceWhenFramed(window, std::move(place), tries - 1);
        });
}

} // namespace zarn

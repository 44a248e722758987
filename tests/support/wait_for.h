// Waiting in window tests for something that the event loop brings about.
#pragma once

#include <QElapsedTimer>
#include <QTest>

#include <functional>

namespace zarn::test {

// Waits, letting events run, until `done` holds or `ms` have passed; false on the time-out.
inline bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace zarn::test

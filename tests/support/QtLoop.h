#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

#include "app/qt/QtUiLoop.h"

namespace testsupport {

// Runs the loop until done() holds, looking every few milliseconds; a bound of ten seconds
// keeps a failing test from hanging and is never waited out by a passing one.
inline bool RunLoopUntil(app::QtUiLoop& loop, const std::function<bool()>& done,
                         int boundMs = 10000) {
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || elapsed.elapsed() > boundMs) loop.Quit();
    });
    poll.start();
    loop.Run();
    return done();
}

// Runs the loop for a while, so that timers get their turns.
inline void RunLoopFor(app::QtUiLoop& loop, int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    RunLoopUntil(loop, [&] { return elapsed.elapsed() >= ms; });
}

}  // namespace testsupport

// Runs the Qt event loop of the calling thread until a condition holds, for results that arrive
// through it (queued calls, timers, other processes).
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::testing {

// True as soon as `done` holds; false when it still does not after `milliseconds`.
inline bool waitUntil(const std::function<bool()>& done, int milliseconds = 10000) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    while (!done() && clock.elapsed() < milliseconds) {
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::testing

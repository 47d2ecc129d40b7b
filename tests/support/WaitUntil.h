#pragma once
// Waiting for something the event loop brings about (engine runs, timers). QtCore only.

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

/// Runs the event loop until @p done or @p timeoutMs passes; true when done.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

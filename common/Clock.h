#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace seiran {

// One named timer of a clock. Its handler runs every `interval` milliseconds while the interval
// is above 0; an interval of 0 stops it. Setting the interval (again) restarts the count.
// Handlers run on the thread that drives the clock, never while a blocking wait is in progress.
class ClockTimer {
public:
    virtual ~ClockTimer() = default;
    virtual const QString& name() const = 0;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    bool isRunning() const { return interval() > 0; }
    virtual void setHandler(std::function<void()> handler) = 0;
};

// The program's time: named timers and blocking waits. RealClock runs on wall time (QTimer);
// ManualClock moves only when told, and the simulated instrument reads the same clock, so a test
// can run a 500 ms wait or a whole capture in no real time.
class Clock {
public:
    virtual ~Clock() = default;

    // The timer of that name, created stopped on first use; the reference stays valid for the
    // clock's life.
    virtual ClockTimer& timer(const QString& name) = 0;

    // Blocks the caller for `milliseconds`. Timers do not fire during the wait; one that fell due
    // fires afterwards, as a blocked message loop would run it.
    virtual void wait(int milliseconds) = 0;

    // Milliseconds since the clock was made.
    virtual std::int64_t nowMs() const = 0;
};

} // namespace seiran

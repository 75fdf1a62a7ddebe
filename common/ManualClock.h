#pragma once

#include "Clock.h"

#include <QHash>

#include <memory>
#include <vector>

namespace seiran {

// A clock that moves only when a test (or the simulator) tells it to. Timers fire in due-time
// order, ties in the order the timers were created. Handlers may start, stop or re-interval any
// timer, themselves included, and may call wait(); they must not advance the clock themselves.
class ManualClock final : public Clock {
public:
    ManualClock();
    ~ManualClock() override;

    ClockTimer& timer(const QString& name) override;
    // Moves time on without firing anything; a timer that fell due fires once on the next
    // advance, at the time current then.
    void wait(int milliseconds) override;
    std::int64_t nowMs() const override { return m_nowMs; }

    // Moves time on by `milliseconds`, firing every timer that falls due in that span (a periodic
    // timer as often as it falls due).
    void advance(int milliseconds);
    void advanceTo(std::int64_t ms);
    // Steps from one timer due time to the next until done() holds or `limitMs` have passed.
    bool runUntil(const std::function<bool()>& done, int limitMs);

private:
    class Timer;
    Timer* nextDue();
    void fire(Timer& timer);

    std::vector<std::unique_ptr<Timer>> m_timers; // creation order; timers never move
    QHash<QString, Timer*> m_byName;
    std::int64_t m_nowMs = 0;
    bool m_advancing = false;
};

} // namespace seiran

#include "ManualClock.h"

#include <algorithm>
#include <utility>

namespace seiran {

class ManualClock::Timer final : public ClockTimer {
public:
    Timer(ManualClock& clock, const QString& name) : m_clock(clock), m_name(name) {}

    const QString& name() const override { return m_name; }
    int interval() const override { return m_interval; }

    void setInterval(int milliseconds) override
    {
        m_interval = std::max(milliseconds, 0);
        m_dueMs = m_clock.m_nowMs + m_interval;
    }

    void setHandler(std::function<void()> handler) override
    {
        // Replacing the handler that is running would destroy it mid-call; swap it in afterwards.
        if (m_firing) {
            m_pendingHandler = std::move(handler);
            m_hasPendingHandler = true;
            return;
        }
        m_handler = std::move(handler);
    }

private:
    friend class ManualClock;

    ManualClock& m_clock;
    QString m_name;
    std::function<void()> m_handler;
    std::function<void()> m_pendingHandler;
    bool m_hasPendingHandler = false;
    bool m_firing = false;
    int m_interval = 0;
    std::int64_t m_dueMs = 0;
};

ManualClock::ManualClock() = default;
ManualClock::~ManualClock() = default;

ClockTimer& ManualClock::timer(const QString& name)
{
    if (Timer* existing = m_byName.value(name))
        return *existing;
    Timer* created = m_timers.emplace_back(std::make_unique<Timer>(*this, name)).get();
    m_byName.insert(name, created);
    return *created;
}

void ManualClock::wait(int milliseconds)
{
    m_nowMs += std::max(milliseconds, 0);
}

void ManualClock::advance(int milliseconds)
{
    advanceTo(m_nowMs + std::max(milliseconds, 0));
}

void ManualClock::advanceTo(std::int64_t ms)
{
    Q_ASSERT_X(!m_advancing, "ManualClock", "a timer handler must not advance the clock");
    m_advancing = true;
    const std::int64_t target = std::max(ms, m_nowMs);
    while (Timer* due = nextDue()) {
        if (due->m_dueMs > target)
            break;
        // A handler's wait() may have moved time past the due time; the timer then fires late.
        m_nowMs = std::max(m_nowMs, due->m_dueMs);
        fire(*due);
    }
    m_nowMs = std::max(m_nowMs, target);
    m_advancing = false;
}

bool ManualClock::runUntil(const std::function<bool()>& done, int limitMs)
{
    const std::int64_t limit = m_nowMs + std::max(limitMs, 0);
    while (!done()) {
        if (m_nowMs >= limit)
            return false;
        const Timer* due = nextDue();
        advanceTo(due ? std::clamp(due->m_dueMs, m_nowMs, limit) : limit);
    }
    return true;
}

ManualClock::Timer* ManualClock::nextDue()
{
    // A linear scan: there are only a handful of timers, and it allocates nothing.
    Timer* best = nullptr;
    for (const std::unique_ptr<Timer>& candidate : m_timers) {
        if (candidate->m_interval > 0 && (!best || candidate->m_dueMs < best->m_dueMs))
            best = candidate.get();
    }
    return best;
}

void ManualClock::fire(Timer& timer)
{
    // Rescheduled before the call, so a handler that re-intervals or stops the timer wins.
    timer.m_dueMs = m_nowMs + timer.m_interval;
    if (!timer.m_handler)
        return;
    timer.m_firing = true;
    timer.m_handler();
    timer.m_firing = false;
    if (timer.m_hasPendingHandler) {
        timer.m_handler = std::move(timer.m_pendingHandler);
        timer.m_pendingHandler = nullptr;
        timer.m_hasPendingHandler = false;
    }
}

} // namespace seiran

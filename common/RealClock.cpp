#include "RealClock.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace seiran {

class RealClock::Timer final : public ClockTimer {
public:
    explicit Timer(const QString& name) : m_name(name)
    {
        // Device polling runs on short intervals where the coarse timer's 5 % slack shows.
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            // A copy, so a handler that replaces itself does not destroy the running function.
            const std::function<void()> handler = m_handler;
            if (handler)
                handler();
        });
    }

    const QString& name() const override { return m_name; }
    int interval() const override { return m_interval; }

    void setInterval(int milliseconds) override
    {
        m_interval = std::max(milliseconds, 0);
        if (m_interval > 0)
            m_timer.start(m_interval); // start() restarts a running timer, restarting the count
        else
            m_timer.stop();
    }

    void setHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

private:
    QString m_name;
    QTimer m_timer;
    std::function<void()> m_handler;
    int m_interval = 0;
};

RealClock::RealClock()
{
    m_elapsed.start();
}

RealClock::~RealClock() = default;

ClockTimer& RealClock::timer(const QString& name)
{
    if (Timer* existing = m_byName.value(name))
        return *existing;
    Timer* created = m_timers.emplace_back(std::make_unique<Timer>(name)).get();
    m_byName.insert(name, created);
    return *created;
}

void RealClock::wait(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

std::int64_t RealClock::nowMs() const
{
    return m_elapsed.elapsed();
}

} // namespace seiran

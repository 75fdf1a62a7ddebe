#pragma once

#include "Clock.h"

#include <QElapsedTimer>
#include <QHash>

#include <memory>
#include <vector>

namespace seiran {

// The clock on wall time. Each named timer is a QTimer, so timers fire only while a Qt event loop
// runs on the thread that made the clock (QCoreApplication::exec() or a QEventLoop); wait()
// blocks that thread and with it the timers, as the program expects.
class RealClock final : public Clock {
public:
    RealClock();
    ~RealClock() override;

    ClockTimer& timer(const QString& name) override;
    void wait(int milliseconds) override;
    std::int64_t nowMs() const override;

private:
    class Timer;
    std::vector<std::unique_ptr<Timer>> m_timers;
    QHash<QString, Timer*> m_byName;
    QElapsedTimer m_elapsed;
};

} // namespace seiran

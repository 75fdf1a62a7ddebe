#include "ManualClock.h"
#include "RealClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace seiran {
namespace {

using Times = std::vector<std::int64_t>;

// Starts `name` on `interval` and records the clock time of every fire.
ClockTimer& recordFires(ManualClock& clock, const QString& name, int interval, Times& fires)
{
    ClockTimer& timer = clock.timer(name);
    timer.setHandler([&clock, &fires] { fires.push_back(clock.nowMs()); });
    timer.setInterval(interval);
    return timer;
}

TEST(ManualClock, PeriodicTimerFiresAtEveryDueTimeWithinOneAdvance)
{
    ManualClock clock;
    Times fires;
    recordFires(clock, u"poll"_qs, 200, fires);
    clock.advance(1000);
    EXPECT_EQ(fires, (Times{200, 400, 600, 800, 1000}));
    EXPECT_EQ(clock.nowMs(), 1000);

    clock.advance(199);
    EXPECT_EQ(fires.size(), 5u);
    clock.advanceTo(1200);
    EXPECT_EQ(fires.back(), 1200);
}

TEST(ManualClock, TimersAreNamedAndStable)
{
    ManualClock clock;
    ClockTimer& first = clock.timer(u"a"_qs);
    for (int i = 0; i < 100; ++i)
        clock.timer(QString::number(i));
    EXPECT_EQ(&clock.timer(u"a"_qs), &first);
    EXPECT_NE(&clock.timer(u"b"_qs), &first);
    EXPECT_EQ(first.name(), u"a"_qs);
    EXPECT_FALSE(first.isRunning());
}

TEST(ManualClock, IntervalZeroStopsFromOutsideAndFromTheHandler)
{
    ManualClock clock;
    Times outside;
    ClockTimer& a = recordFires(clock, u"a"_qs, 100, outside);
    clock.advance(250);
    a.setInterval(0);
    EXPECT_FALSE(a.isRunning());
    clock.advance(1000);
    EXPECT_EQ(outside, (Times{100, 200}));

    Times inside;
    ClockTimer& b = clock.timer(u"b"_qs);
    b.setHandler([&] {
        inside.push_back(clock.nowMs());
        if (inside.size() == 2)
            b.setInterval(0);
    });
    b.setInterval(100);
    clock.advance(1000);
    EXPECT_EQ(inside, (Times{1350, 1450}));
}

TEST(ManualClock, SettingTheIntervalRestartsTheCount)
{
    ManualClock clock;
    Times fires;
    ClockTimer& timer = clock.timer(u"t"_qs);
    timer.setHandler([&] {
        fires.push_back(clock.nowMs());
        if (fires.size() == 1)
            timer.setInterval(300); // from inside: counts from this fire
    });
    timer.setInterval(100);
    clock.advance(800);
    EXPECT_EQ(fires, (Times{100, 400, 700}));

    clock.advance(260);
    ASSERT_EQ(fires.back(), 1000);
    timer.setInterval(300); // from outside, at 1060: the next fire moves from 1300 to 1360
    clock.advance(299);
    EXPECT_EQ(fires.back(), 1000);
    clock.advance(1);
    EXPECT_EQ(fires.back(), 1360);
}

TEST(ManualClock, FiresInDueOrderThenCreationOrder)
{
    ManualClock clock;
    std::vector<QString> order;
    auto start = [&](const QString& name, int interval) {
        ClockTimer& timer = clock.timer(name);
        timer.setHandler([&order, name, &clock] { order.push_back(name + u'@' + QString::number(clock.nowMs())); });
        timer.setInterval(interval);
    };
    // Created "z" before "a": ties go by creation, not by name; "fast" goes by its due time.
    start(u"z"_qs, 100);
    start(u"a"_qs, 100);
    start(u"fast"_qs, 60);
    clock.advance(200);
    EXPECT_EQ(order, (std::vector<QString>{u"fast@60"_qs, u"z@100"_qs, u"a@100"_qs, u"fast@120"_qs,
                                           u"fast@180"_qs, u"z@200"_qs, u"a@200"_qs}));
}

TEST(ManualClock, HandlerCanStartAnotherTimerAndReplaceItself)
{
    ManualClock clock;
    Times second;
    ClockTimer& first = clock.timer(u"first"_qs);
    int replaced = 0;
    first.setHandler([&] {
        recordFires(clock, u"second"_qs, 30, second);
        first.setInterval(0);
        first.setHandler([&replaced] { ++replaced; });
    });
    first.setInterval(100);
    clock.advance(200);
    EXPECT_EQ(second, (Times{130, 160, 190}));

    first.setInterval(50);
    clock.advance(100);
    EXPECT_EQ(replaced, 2);
}

TEST(ManualClock, WaitMovesTimeWithoutFiringAndTheDueTimerFiresOnceAfterwards)
{
    ManualClock clock;
    Times fires;
    recordFires(clock, u"t"_qs, 100, fires);
    clock.wait(350);
    EXPECT_EQ(clock.nowMs(), 350);
    EXPECT_TRUE(fires.empty());

    clock.advance(0);
    EXPECT_EQ(fires, (Times{350}));
    clock.advance(150);
    EXPECT_EQ(fires, (Times{350, 450}));
}

TEST(ManualClock, WaitInsideAHandlerDelaysTheNextFire)
{
    ManualClock clock;
    Times fires;
    ClockTimer& timer = clock.timer(u"t"_qs);
    timer.setHandler([&] {
        fires.push_back(clock.nowMs());
        if (fires.size() == 1)
            clock.wait(150); // blocks past the next due time (200): that fire comes late, once
    });
    timer.setInterval(100);
    clock.advance(400);
    EXPECT_EQ(fires, (Times{100, 250, 350}));
    EXPECT_EQ(clock.nowMs(), 400);
}

TEST(ManualClock, RunUntilStopsOnThePredicateOrTheLimit)
{
    ManualClock clock;
    int count = 0;
    ClockTimer& timer = clock.timer(u"t"_qs);
    timer.setHandler([&count] { ++count; });
    timer.setInterval(50);

    EXPECT_TRUE(clock.runUntil([&count] { return count >= 3; }, 1000));
    EXPECT_EQ(clock.nowMs(), 150);

    EXPECT_TRUE(clock.runUntil([] { return true; }, 1000));
    EXPECT_EQ(clock.nowMs(), 150);

    EXPECT_FALSE(clock.runUntil([] { return false; }, 120));
    EXPECT_EQ(clock.nowMs(), 270);
    EXPECT_EQ(count, 5);

    timer.setInterval(0);
    EXPECT_FALSE(clock.runUntil([] { return false; }, 300));
    EXPECT_EQ(clock.nowMs(), 570);
}

TEST(RealClock, TimerFiresWhileTheEventLoopRuns)
{
    // Qt's timers need an application object. It lives for this test only: one left to static
    // destruction outlives Qt's own globals and crashes at exit.
    static int argc = 1;
    static char name[] = "common_tests";
    static char* argv[] = {name, nullptr};
    std::optional<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app.emplace(argc, argv);

    RealClock clock;
    QEventLoop loop;
    int fires = 0;
    ClockTimer& timer = clock.timer(u"tick"_qs);
    timer.setHandler([&] {
        ++fires;
        loop.quit();
    });
    timer.setInterval(10);
    EXPECT_TRUE(timer.isRunning());
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(fires, 1);
    timer.setInterval(0);
    EXPECT_FALSE(timer.isRunning());

    // Sleeping never returns early, so this lower bound holds on any machine.
    const std::int64_t before = clock.nowMs();
    clock.wait(20);
    EXPECT_GE(clock.nowMs() - before, 20);
}

} // namespace
} // namespace seiran

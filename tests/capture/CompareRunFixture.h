#pragma once

// An analyzer page on a module whose status word the test sets, for runs of the repeat modes.

#include "SetupFixture.h"
#include "capture/Compare.h"
#include "capture/RunControl.h"
#include "capture/RunModes.h"
#include "core/Timers.h"
#include "setup/ModuleCheck.h"
#include "setup/StartUp.h"

#include <gtest/gtest.h>

namespace seiran::comparetest {

using namespace seiran::setuptest;

// An analyzer slot whose status word the test sets.
class StatusAnalyzer final : public sim::SimModule {
public:
    explicit StatusAnalyzer(std::uint32_t newWord) : m_new(newWord) {}
    void command(int, std::span<const std::uint32_t>) override {}
    void read(int code, std::span<std::uint8_t> answer) override
    {
        if (code == 0x30)
            put(answer, 0, status);
        else if (code == 0x32)
            put(answer, 0, m_new);
    }
    std::uint32_t status = 1;

private:
    static void put(std::span<std::uint8_t> out, std::size_t at, std::uint32_t w)
    {
        for (std::size_t b = 0; b < 4 && at + b < out.size(); ++b)
            out[at + b] = std::uint8_t(w >> (8 * b));
    }
    std::uint32_t m_new;
};

struct RepeatRun : SetupFixture {
    RepeatRun() : SetupFixture(11)
    {
        auto a = std::make_unique<StatusAnalyzer>(newAnalyzer(4, 10, 0, 5, 1));
        module = a.get();
        instrument->installModule(8, std::move(a));
        CheckModules(state);
        SetPageDefaults(state);
        connectCaptureTimers(state);
        state.wallClock = [] { return QDateTime(QDate(2026, 12, 10), QTime(9, 5, 3)); };
        state.log.clear();
    }
    ~RepeatRun() { ReleaseCompareLists(state); }

    void runCycle(int cycle)
    {
        module->status = 0;
        ASSERT_TRUE(clock.runUntil([&] { return state.pages[0].repeatCount == cycle; }, 2000));
        module->status = 1;
        clock.advance(400);
        EXPECT_TRUE(state.pages[0].running);
    }
    StatusAnalyzer* module = nullptr;
};

inline const QString kStamp = QStringLiteral("2026/12/10 9:05:03");

} // namespace seiran::comparetest

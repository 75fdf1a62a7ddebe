#include "SetupFixture.h"
#include "capture/CaptureSettings.h"
#include "capture/RunControl.h"
#include "capture/RunModes.h"
#include "core/Timers.h"
#include "setup/ModuleCheck.h"
#include "setup/StartUp.h"

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::setuptest;

namespace {

// An analyzer slot whose status word the test sets; it answers its property words and keeps
// every command code it was sent.
class ScriptedAnalyzer final : public sim::SimModule {
public:
    ScriptedAnalyzer(std::uint32_t oldWord, std::uint32_t newWord) : m_old(oldWord), m_new(newWord) {}
    void command(int code, std::span<const std::uint32_t>) override { codes.push_back(code); }
    void read(int code, std::span<std::uint8_t> answer) override
    {
        reads.push_back(code);
        if (code == 0x30) {
            put(answer, 0, status);
            put(answer, 4, m_old);
        } else if (code == 0x32) {
            put(answer, 0, m_new);
        }
    }
    std::uint32_t status = 0;
    std::vector<int> codes;
    std::vector<int> reads;

private:
    static void put(std::span<std::uint8_t> out, std::size_t at, std::uint32_t w)
    {
        for (std::size_t b = 0; b < 4 && at + b < out.size(); ++b)
            out[at + b] = std::uint8_t(w >> (8 * b));
    }
    std::uint32_t m_old;
    std::uint32_t m_new;
};

struct RunFixture : SetupFixture {
    explicit RunFixture(std::uint32_t property = newAnalyzer(4, 10, 0, 5, 1))
        : SetupFixture(11)
    {
        auto a = std::make_unique<ScriptedAnalyzer>(0, property);
        slot8 = a.get();
        instrument->installModule(8, std::move(a));
        CheckModules(state);
        SetPageDefaults(state);
        connectCaptureTimers(state);
        state.wallClock = [] { return QDateTime(QDate(2026, 12, 10), QTime(9, 5, 3)); };
        state.log.clear();
    }
    PageState& page() { return state.pages[0]; }
    ClockTimer& poll() { return clock.timer(kTimCheckEnd); }
    ScriptedAnalyzer* slot8 = nullptr;
};

const QString kStamp = QStringLiteral("2026/12/10 9:05:03");

} // namespace

TEST(RunControl, RunStartsTheModuleAndThePoll)
{
    RunFixture f;
    StartCapture(f.state, 0);
    EXPECT_EQ(f.state.log.lines(), QStringList{QStringLiteral("ロジアナ１ 測定中です。")});
    EXPECT_TRUE(f.page().running);
    EXPECT_FALSE(f.state.controls.analyzer.runEnabled);
    EXPECT_TRUE(f.state.controls.analyzer.stopEnabled);
    EXPECT_FALSE(f.state.controls.hardwareMenuEnabled);
    EXPECT_FALSE(f.state.controls.interfaceMenuEnabled);
    EXPECT_EQ(f.poll().interval(), 200);
    // A plain module: no capture-logic reset, the start, then the trigger is armed by its timer.
    EXPECT_EQ(f.slot8->codes, std::vector<int>{0x10});
    EXPECT_EQ(f.clock.timer(kTimTrgStart[0]).interval(), 1);
    f.clock.advance(1);
    EXPECT_EQ(f.slot8->codes, (std::vector<int>{0x10, 0x28}));
}

TEST(RunControl, CaptureLogicResetOnSelectiveAndCompressedModules)
{
    RunFixture f(newAnalyzer(4, 10, kCompressed, 5, 1));
    const std::int64_t before = f.clock.nowMs();
    StartCapture(f.state, 0);
    ASSERT_GE(f.slot8->codes.size(), 3u);
    EXPECT_EQ(std::vector<int>(f.slot8->codes.begin(), f.slot8->codes.begin() + 3), (std::vector<int>{0x2A, 0x00, 0x10}));
    EXPECT_GE(f.clock.nowMs() - before, 5);
}

TEST(RunControl, CompareWithoutReferenceDoesNotStart)
{
    RunFixture f;
    f.page().runModeText = kRunCompare;
    StartCapture(f.state, 0);
    EXPECT_EQ(f.state.log.lines(), QStringList{QStringLiteral("リファレンス波形がありません。")});
    EXPECT_FALSE(f.page().running);
    EXPECT_TRUE(f.slot8->codes.empty());
}

TEST(RunControl, EndIsFoundWithinTwoTicksAndTheCaptureIsRead)
{
    RunFixture f;
    f.slot8->status = 1;
    StartCapture(f.state, 0);
    // Ticks alternate: read at 200, 600, 1000, ...; evaluate at 400, 800, 1200, ...
    f.clock.advance(1200);
    EXPECT_TRUE(f.page().running);
    // Ending after an evaluation: the next tick reads it, the one after finds it.
    f.clock.advance(50);
    f.slot8->status = 0;
    const std::int64_t ended = f.clock.nowMs();
    ASSERT_TRUE(f.clock.runUntil([&] { return !f.page().running; }, 1000));
    EXPECT_LE(f.clock.nowMs() - ended, 400);

    const QStringList lines = f.state.log.lines();
    EXPECT_TRUE(lines.contains(QStringLiteral("ロジアナ１ トリガを検出しました。 ") + kStamp));
    EXPECT_TRUE(lines.contains(QStringLiteral("ロジアナ１ データ転送中です。")));
    EXPECT_EQ(lines.last(), QStringLiteral("ロジアナ１ 測定が終わりました。"));
    EXPECT_TRUE(f.page().hasData);
    EXPECT_EQ(f.page().repeatCount, 1);
    EXPECT_EQ(f.poll().interval(), 0);
    EXPECT_TRUE(f.state.controls.analyzer.runEnabled);
    EXPECT_FALSE(f.state.controls.analyzer.stopEnabled);
    EXPECT_TRUE(f.state.controls.hardwareMenuEnabled);
}

TEST(RunControl, EndRightAfterAReadIsFoundThreeTicksLater)
{
    // The words evaluated at a tick were read one tick before, so an end just after a read waits
    // for the next read: at most three ticks.
    RunFixture f;
    f.slot8->status = 1;
    StartCapture(f.state, 0);
    f.clock.advance(1000 + 50);
    f.slot8->status = 0;
    const std::int64_t ended = f.clock.nowMs();
    ASSERT_TRUE(f.clock.runUntil([&] { return !f.page().running; }, 1000));
    EXPECT_EQ(f.clock.nowMs() - ended, 550);
}

TEST(RunControl, OneTickPollsEveryModuleForEveryPage)
{
    RunFixture f;
    // A second analyzer on user slot 0 takes page 0; the built-in one moves to page 1.
    auto owned = std::make_unique<ScriptedAnalyzer>(oldAnalyzer(3, 10, 4, 1), 0);
    ScriptedAnalyzer* user = owned.get();
    f.instrument->installModule(0, std::move(owned));
    CheckModules(f.state);
    SetPageDefaults(f.state);
    ASSERT_EQ(f.state.instrument.AnalyzerPageCount, 2);
    ASSERT_EQ(f.state.pages[0].PageModule, 0);
    ASSERT_EQ(f.state.pages[1].PageModule, 8);

    user->status = 1;
    f.slot8->status = 1;
    StartCapture(f.state, 0);
    StartCapture(f.state, 1);
    f.instrument->clearRecords();
    f.clock.advance(200); // one tick reads all sixteen modules
    int statusReads = 0;
    for (const sim::SimRecord& r : f.instrument->frames())
        statusReads += r.code == 0x30;
    EXPECT_EQ(statusReads, 16);

    f.slot8->status = 0; // page 1 ends, page 0 still runs
    f.clock.advance(200); // evaluates the words of the previous tick: both still running
    EXPECT_TRUE(f.state.pages[1].running);
    f.clock.advance(400);
    EXPECT_FALSE(f.state.pages[1].running);
    EXPECT_TRUE(f.state.pages[0].running);
    EXPECT_EQ(f.poll().interval(), 200); // page 0 keeps the poll going
}

TEST(RunControl, StopTransfersOnlyInSingleAndOverwrite)
{
    struct Case { const QString& mode; bool transfer; };
    for (const Case c : {Case{kRunSingle, true}, Case{kRunRepeat, false}}) {
        SCOPED_TRACE(c.mode.toStdString());
        RunFixture f;
        f.page().runModeText = c.mode;
        f.slot8->status = 1;
        StartCapture(f.state, 0);
        f.clock.advance(400);
        f.slot8->status = 2; // stopping
        StopCapture(f.state, 0);
        EXPECT_FALSE(f.page().running);
        EXPECT_TRUE(f.page().stopRequested);
        EXPECT_FALSE(f.state.controls.analyzer.stopEnabled);
        EXPECT_EQ(f.slot8->codes.back(), 0x11);
        f.clock.advance(1000);
        EXPECT_TRUE(f.page().stopRequested); // the module still reports bit 1
        f.slot8->status = 0;
        ASSERT_TRUE(f.clock.runUntil([&] { return !f.page().stopRequested; }, 1000));
        const QStringList lines = f.state.log.lines();
        EXPECT_EQ(lines.last(), QStringLiteral("ロジアナ１ 測定を中断しました。"));
        EXPECT_EQ(lines.contains(QStringLiteral("ロジアナ１ データ転送中です。")), c.transfer);
        EXPECT_EQ(f.poll().interval(), 0);
    }
}

TEST(RunControl, RepeatRestartsAndKeepsTheLogShort)
{
    RunFixture f;
    f.page().runModeText = kRunRepeat;
    StartCapture(f.state, 0);
    const auto runCycle = [&](int cycle) {
        f.slot8->status = 0;
        ASSERT_TRUE(f.clock.runUntil([&] { return f.page().repeatCount == cycle; }, 2000));
        f.slot8->status = 1;
        f.clock.advance(400);
        EXPECT_TRUE(f.page().running);
    };
    for (int cycle = 1; cycle <= 3; ++cycle)
        runCycle(cycle);
    // Each cycle replaced the end and transfer lines of the one before.
    const QStringList lines = f.state.log.lines();
    ASSERT_EQ(lines.size(), 1 + 2) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("ロジアナ１ トリガを検出しました。3回目　") + kStamp);
    EXPECT_EQ(lines[2], QStringLiteral("ロジアナ１ データ転送中です。"));
    int starts = 0;
    for (int code : f.slot8->codes)
        starts += code == 0x10;
    EXPECT_EQ(starts, 4);

    // A missing auto-save folder line is removed with the two others.
    f.state.log.AddMessage(QStringLiteral("フォルダ") + f.state.repeatSave.folder + QStringLiteral("がありません。"));
    runCycle(4);
    EXPECT_EQ(f.state.log.lineCount(), 3);
    EXPECT_EQ(f.state.log.lines()[1], QStringLiteral("ロジアナ１ トリガを検出しました。4回目　") + kStamp);
}

TEST(RunControl, SelectiveModulesReportAFullBuffer)
{
    RunFixture f(newAnalyzer(4, 10, kSamplingEnable, 5, 1));
    StartCapture(f.state, 0);
    f.slot8->status = 0;
    f.clock.advance(400);
    EXPECT_TRUE(f.state.log.lines().contains(QStringLiteral("ロジアナ１ バッファが一杯になりました。 ") + kStamp));
}

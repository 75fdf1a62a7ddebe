#include "CompareRunFixture.h"

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::comparetest;

TEST(CompareRun, ACaptureLikeItsReferenceRestartsAndKeepsTheReference)
{
    RepeatRun f;
    PageState& p = f.state.pages[0];
    p.runModeText = kRunCompare;
    p.hasData = true; // the reference is all L, as every capture of this module
    StartCapture(f.state, 0);
    for (int cycle = 1; cycle <= 2; ++cycle)
        f.runCycle(cycle);
    EXPECT_FALSE(f.state.log.lines().join(u'\n').contains(QStringLiteral("波形比較エラー")));
}

TEST(CompareRun, ADifferenceStopsThePageWithItsTimeAndChannel)
{
    RepeatRun f;
    PageState& p = f.state.pages[0];
    p.runModeText = kRunCompare;
    p.hasData = true;
    p.referenceBits.set(1, 10, true);
    StartCapture(f.state, 0);
    f.module->status = 0;
    ASSERT_TRUE(f.clock.runUntil([&] { return !p.running; }, 2000));
    const QStringList lines = f.state.log.lines();
    ASSERT_GE(lines.size(), 2);
    const QString interval = f.state.intervalText(0);
    EXPECT_TRUE(lines[lines.size() - 2].startsWith(QStringLiteral("波形比較エラー 時刻="))) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[lines.size() - 2].endsWith(QStringLiteral(" CH=2")));
    EXPECT_EQ(lines.last(), QStringLiteral("ロジアナ１ 波形比較エラーです。"));
    EXPECT_TRUE(p.compareErrorBits.level(1, 10));
    // The reference is kept for the next run.
    EXPECT_TRUE(p.referenceBits.level(1, 10));
}

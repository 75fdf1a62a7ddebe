#include "FilesFixture.h"
#include "files/AnalyzerFile.h"
#include "files/DataFile.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace seiran;
using namespace seiran::filestest;

namespace {

const QString kOpened = QStringLiteral("データファイルを開きました。");

// A bit-plane capture with a bus, single rows, selections, trigger texts, cursors and a view.
void fillPage(PageState& p, int channels)
{
    for (int s = 0; s < p.dataCount; ++s)
        for (int c = 0; c < channels; ++c)
            p.sampleBits.set(c, s, ((s * 5 + c * 3) % 7) < 3);
    p.signalName[0] = QStringLiteral("ADDR");
    p.rowChannelCount[0] = 4;
    p.rowRadix[0] = QStringLiteral("HEX");
    int row = 1;
    for (int c = 4; c < channels; ++c, ++row) {
        p.signalName[std::size_t(row)] = QStringLiteral("S%1").arg(c);
        p.rowChannelCount[std::size_t(row)] = 1;
        p.rowRadix[std::size_t(row)] = QStringLiteral("BIN");
    }
    p.rowCount = row;
    for (int r = row; r < kMaxRows; ++r) {
        p.signalName[std::size_t(r)].clear();
        p.rowChannelCount[std::size_t(r)] = 0;
        p.rowRadix[std::size_t(r)].clear();
    }
    p.runModeText = QStringLiteral("リピート");
    p.intervalIndex = 3;
    p.measureTimeText = QStringLiteral("20.48μS");
    p.zoomFactor = 4.0;
    p.atobMode = QStringLiteral("CtoD");
    p.stateCursorName = QStringLiteral("D");
    p.stateMode = QStringLiteral("HEX");
    p.stateMsb = 9;
    p.stateLsb = 2;
    p.channelSelected = {};
    p.channelSelected[1] = true;
    p.channelSelected[std::size_t(channels - 1)] = true;
    p.triggerText.fill(QStringLiteral("-"));
    p.triggerText[0] = QStringLiteral("中央");
    p.triggerText[1] = QStringLiteral("Rise");
    p.triggerText[std::size_t(channels)] = QStringLiteral("H");
    p.cursorA = 10;
    p.cursorB = 200;
    p.cursorC = 0;
    p.cursorD = 1023;
    p.scrollPosition = 17;
    p.scrollMax = 256;
    p.firstRow = 3;
    p.rowScrollMax = p.rowCount - 1;
    p.hasData = true;
}

} // namespace

class PositionalRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(PositionalRoundTrip, BitPlanePageComesBackOnTheSameModule)
{
    const int channels = GetParam();
    FilesFixture f;
    PageState& p = f.setPage(0, 8, channels, 1024, false);
    fillPage(p, channels);
    const QString name = f.path(QStringLiteral("planes50.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));
    ASSERT_EQ(f.read(QStringLiteral("planes50.ana")).value(1), kVersion50);

    PageState& q = f.setPage(1, 9, channels, 1024, false);
    q.sampleBits.set(0, 1023, !p.sampleBits.level(0, 1023)); // proves the samples are overwritten
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_EQ(f.log().last(), kOpened);
    EXPECT_EQ(f.log().filter(QStringLiteral("ﾊｰﾄﾞｳｪｱ")), QStringList{});

    int differing = 0;
    for (int s = 0; s < 1024; ++s)
        for (int c = 0; c < channels; ++c)
            differing += q.sampleBits.level(c, s) != p.sampleBits.level(c, s);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(q.dataCount, 1024);
    EXPECT_EQ(q.triggerPosition, 512); // "中央"
    EXPECT_EQ(q.rowCount, p.rowCount);
    for (int r = 0; r < kMaxRows; ++r) {
        EXPECT_EQ(q.signalName[std::size_t(r)], p.signalName[std::size_t(r)]) << r;
        EXPECT_EQ(q.rowChannelCount[std::size_t(r)], p.rowChannelCount[std::size_t(r)]) << r;
        EXPECT_EQ(q.rowRadix[std::size_t(r)], p.rowRadix[std::size_t(r)]) << r;
    }
    EXPECT_EQ(q.channelSelected, p.channelSelected);
    EXPECT_EQ(q.triggerText, p.triggerText);
    EXPECT_EQ(std::tie(q.cursorA, q.cursorB, q.cursorC, q.cursorD), std::tie(p.cursorA, p.cursorB, p.cursorC, p.cursorD));
    EXPECT_EQ(q.zoomFactor, 4.0);
    EXPECT_EQ(q.previousZoomFactor, 4.0);
    EXPECT_EQ(q.zoomCode, 1024);
    EXPECT_EQ(q.scrollMax, 256); // 64 × zoom for a memory up to 32000 samples
    EXPECT_EQ(q.scrollPosition, 17);
    EXPECT_EQ(q.firstRow, 3);
    EXPECT_EQ(q.rowScrollMax, p.rowCount - 1);
    EXPECT_EQ(q.runModeText, QStringLiteral("リピート"));
    EXPECT_EQ(q.intervalIndex, 3);
    EXPECT_EQ(q.measureTimeText, p.measureTimeText);
    EXPECT_EQ(q.atobMode, QStringLiteral("CtoD"));
    EXPECT_EQ(q.stateCursorName, QStringLiteral("D"));
    EXPECT_EQ(q.stateMode, QStringLiteral("HEX"));
    EXPECT_EQ(std::tie(q.stateMsb, q.stateLsb), std::tie(p.stateMsb, p.stateLsb));
    EXPECT_TRUE(q.hasData);
    EXPECT_FALSE(q.hasCompareResult);
}

INSTANTIATE_TEST_SUITE_P(Channels, PositionalRoundTrip, ::testing::Values(16, 32));

TEST(AnalyzerFilePositional, EightChannelFileOnSixteenChannelPage)
{
    FilesFixture f;
    PageState& narrow = f.setPage(0, 8, 8, 512, false);
    fillPage(narrow, 8);
    narrow.triggerText[1] = QStringLiteral("Up"); // an old file's name for the rising edge
    narrow.cursorD = 5000;                        // past the data of the page that opens it
    const QString name = f.path(QStringLiteral("eight50.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));

    PageState& p = f.setPage(1, 9, 16, 1024, false);
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    // The file's rows (a 4-channel bus and four single rows), then one "HEX" row a new channel.
    ASSERT_EQ(p.rowCount, 5 + 8);
    EXPECT_EQ(p.signalName[0], QStringLiteral("ADDR"));
    for (int r = 5; r < 13; ++r) {
        EXPECT_EQ(p.rowChannelCount[std::size_t(r)], 1) << r;
        EXPECT_EQ(p.rowRadix[std::size_t(r)], QStringLiteral("HEX")) << r;
    }
    for (int r = 13; r < kMaxRows; ++r)
        EXPECT_EQ(p.rowChannelCount[std::size_t(r)], 0) << r;
    EXPECT_EQ(p.triggerText[1], QStringLiteral("Rise"));
    EXPECT_EQ(p.cursorD, 1024);
    // 512 samples in the file: the rest of the page repeats the last one.
    for (int c = 0; c < 8; ++c) {
        for (int s = 0; s < 512; ++s)
            ASSERT_EQ(p.sampleBits.level(c, s), narrow.sampleBits.level(c, s)) << c << ' ' << s;
        for (int s = 512; s < 1024; ++s)
            ASSERT_EQ(p.sampleBits.level(c, s), narrow.sampleBits.level(c, 511)) << c << ' ' << s;
    }
    EXPECT_TRUE(f.log().contains(
        QStringLiteral("このﾌｧｲﾙのﾁｬﾝﾈﾙ数は8ですが、ﾊｰﾄﾞｳｪｱのﾁｬﾝﾈﾙ数16で表示しています。")));
    EXPECT_TRUE(f.log().contains(
        QStringLiteral("このﾌｧｲﾙのﾃﾞｰﾀ数は512ですが、ﾊｰﾄﾞｳｪｱのﾃﾞｰﾀ数1024で表示しています。")));
}

TEST(AnalyzerFilePositional, CentreSampleLineIsSkipped)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 16, 1024, false);
    fillPage(p, 16);
    const QString plain = f.path(QStringLiteral("plain.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, plain));
    QStringList lines = f.read(QStringLiteral("plain.ana"));
    const qsizetype hasData = lines.indexOf(QStringLiteral("(データ(波形)があるかどうか)"));
    ASSERT_EQ(hasData, 211);
    lines.insert(hasData, QStringLiteral("(画面の中央のデータ番号)"));
    lines.insert(hasData + 1, QStringLiteral("-77"));
    const QString centred = f.path(QStringLiteral("centred.ana"));
    ASSERT_TRUE(writeCp932Lines(centred, lines).ok());

    PageState& q = f.setPage(1, 9, 16, 1024, false);
    ASSERT_TRUE(OpenDataFile(f.state, 1, centred));
    EXPECT_TRUE(q.hasData);
    int differing = 0;
    for (int s = 0; s < 1024; ++s)
        for (int c = 0; c < 16; ++c)
            differing += q.sampleBits.level(c, s) != p.sampleBits.level(c, s);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(q.centreSample, 0);
}

TEST(AnalyzerFilePositional, NonNumericStrictLinesLeaveThePageAsItWas)
{
    struct Case {
        int line;
        const char* text;
    };
    for (const Case c : {Case{7, "sixteen"}, Case{64, ""}, Case{17, "x4"}}) {
        FilesFixture f;
        PageState& p = f.setPage(0, 8, 16, 1024, false);
        fillPage(p, 16);
        ASSERT_TRUE(SaveDataFile(f.state, 0, f.path(QStringLiteral("a.ana"))));
        QStringList lines = f.read(QStringLiteral("a.ana"));
        lines[c.line] = QString::fromUtf8(c.text);
        ASSERT_TRUE(writeCp932Lines(f.path(QStringLiteral("b.ana")), lines).ok());

        PageState& q = f.setPage(1, 9, 16, 1024, false);
        const QString before = q.signalName[0];
        EXPECT_FALSE(OpenDataFile(f.state, 1, f.path(QStringLiteral("b.ana")))) << c.line;
        EXPECT_FALSE(f.log().contains(kOpened)) << c.line;
        EXPECT_EQ(q.signalName[0], before) << c.line;
        EXPECT_FALSE(q.hasData) << c.line;
    }
}

TEST(AnalyzerFilePositional, CompareRunKeepsItsErrorFlags)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 16, 1024, false);
    fillPage(p, 16);
    p.runModeText = QStringLiteral("波形比較");
    p.compareErrorBits.clear(16, 1024);
    for (int s = 0; s < 1024; s += 37)
        p.compareErrorBits.set(s % 16, s, true);
    const QString name = f.path(QStringLiteral("compare50.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));

    PageState& q = f.setPage(1, 9, 16, 1024, false);
    q.compareErrorBits.set(3, 1, true); // not in the file: must be cleared
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_EQ(q.runModeText, QStringLiteral("波形比較"));
    int differing = 0;
    for (int s = 0; s < 1024; ++s)
        for (int c = 0; c < 16; ++c) {
            differing += q.compareErrorBits.level(c, s) != p.compareErrorBits.level(c, s);
            differing += q.sampleBits.level(c, s) != p.sampleBits.level(c, s);
        }
    EXPECT_EQ(differing, 0);

    // A single run in the same place clears the flags a compare run left.
    p.runModeText = QStringLiteral("シングル");
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_FALSE(q.compareErrorBits.level(0, 0));
    EXPECT_FALSE(q.compareErrorBits.level(37 % 16, 37));
}

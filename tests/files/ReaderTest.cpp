#include "FilesFixture.h"
#include "files/AnalyzerFile.h"
#include "files/DataFile.h"

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::filestest;

namespace {

using Ev = RecordingFrontEnd::EventKind;
const QString kOpened = QStringLiteral("データファイルを開きました。");

// A compressed capture as the transfer leaves it: the display and measured lists alike.
void fillRecords(PageState& p, const std::vector<std::pair<std::uint64_t, int>>& runs, int trigger)
{
    int start = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        p.displayList.set(int(i), runs[i].first, runs[i].second, start);
        start += runs[i].second;
    }
    p.displayList.setEnd(int(runs.size()), start);
    p.recCount = int(runs.size());
    p.sampleCount = start;
    p.recTriggerSample = trigger;
    p.measuredList.copyFrom(p.displayList, p.recCount);
    p.measRecCount = p.recCount;
    p.measSampleCount = p.sampleCount;
    p.measTriggerSample = trigger;
}

// Bus rows first, then one row a channel up to `channels`.
void setRows(PageState& p, const std::vector<std::pair<QString, int>>& buses, int channels)
{
    int row = 0, used = 0;
    for (const auto& [name, width] : buses) {
        p.signalName[std::size_t(row)] = name;
        p.rowChannelCount[std::size_t(row)] = width;
        p.rowRadix[std::size_t(row)] = QStringLiteral("HEX");
        ++row;
        used += width;
    }
    for (; used < channels; ++used, ++row) {
        p.signalName[std::size_t(row)] = QStringLiteral("S%1").arg(used);
        p.rowChannelCount[std::size_t(row)] = 1;
        p.rowRadix[std::size_t(row)] = QStringLiteral("BIN");
    }
    p.rowCount = row;
}

void expectSameRecords(const RecordListView& a, const RecordListView& b)
{
    ASSERT_EQ(a.count(), b.count());
    EXPECT_EQ(a.sampleTotal(), b.sampleTotal());
    EXPECT_EQ(a.triggerSample(), b.triggerSample());
    for (int i = 0; i <= a.count(); ++i) { // end entry included
        EXPECT_EQ(a.value(i), b.value(i)) << i;
        EXPECT_EQ(a.runLength(i), b.runLength(i)) << i;
        EXPECT_EQ(a.start(i), b.start(i)) << i;
    }
}

} // namespace

TEST(AnalyzerFileReader, CompressedPageRoundTripsOnTheSameModule)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 16, 1024, true);
    fillRecords(p, {{0x0000, 100}, {0xA5A5, 1}, {0xFFFF, 5000}, {0x0001, 23}}, 101);
    setRows(p, {{QStringLiteral("DATA"), 4}}, 16);
    p.runModeText = QStringLiteral("リピート");
    p.intervalIndex = 4;
    p.measureTimeText = QStringLiteral("51.24μS");
    p.zoomCode = 64;
    p.atobMode = QStringLiteral("CtoD");
    p.stateCursorName = QStringLiteral("C");
    p.stateMode = QStringLiteral("BIN(上位)");
    p.stateMsb = 11;
    p.stateLsb = 2;
    p.channelSelected[3] = true;
    p.channelSelected[15] = true;
    p.triggerText[0] = QStringLiteral("10");
    p.triggerText[16] = QStringLiteral("R");
    p.cursorA = -5;
    p.cursorB = 7;
    p.cursorC = 300;
    p.cursorD = 5123;
    p.firstRow = 2;
    p.centreSample = -40;
    p.hasData = true;
    const QString name = f.path(QStringLiteral("round.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));

    // A second page on an identical module reads the file back.
    PageState& q = f.setPage(1, 9, 16, 1024, true);
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_EQ(f.log().filter(QStringLiteral("ﾊｰﾄﾞｳｪｱ")), QStringList{}); // same hardware: no mismatch
    EXPECT_EQ(f.log().last(), kOpened);
    expectSameRecords(q.displayRecords(), p.displayRecords());
    expectSameRecords(q.measuredRecords(), p.measuredRecords());
    EXPECT_EQ(q.rowCount, p.rowCount);
    // The file holds one name a channel; rows past the row count carry no channels.
    for (int r = 0; r < kMaxRows; ++r) {
        EXPECT_EQ(q.signalName[std::size_t(r)], r < 16 ? p.signalName[std::size_t(r)] : QString()) << r;
        const bool used = r < p.rowCount;
        EXPECT_EQ(q.rowChannelCount[std::size_t(r)], used ? p.rowChannelCount[std::size_t(r)] : 0) << r;
        EXPECT_EQ(q.rowRadix[std::size_t(r)], used ? p.rowRadix[std::size_t(r)] : QString()) << r;
    }
    EXPECT_EQ(q.channelSelected, p.channelSelected);
    EXPECT_EQ(q.triggerText, p.triggerText);
    EXPECT_EQ(std::tie(q.cursorA, q.cursorB, q.cursorC, q.cursorD), std::tie(p.cursorA, p.cursorB, p.cursorC, p.cursorD));
    EXPECT_EQ(q.firstRow, 2);
    EXPECT_EQ(q.rowScrollMax, p.rowCount - 1);
    EXPECT_EQ(q.centreSample, -40);
    EXPECT_EQ(q.zoomCode, 64);
    EXPECT_EQ(q.previousZoomCode, 64);
    EXPECT_EQ(q.runModeText, QStringLiteral("リピート"));
    EXPECT_EQ(q.intervalIndex, 4);
    EXPECT_EQ(q.measureTimeText, p.measureTimeText);
    EXPECT_EQ(q.atobMode, QStringLiteral("CtoD"));
    EXPECT_EQ(q.stateCursorName, QStringLiteral("C"));
    EXPECT_EQ(q.stateMode, QStringLiteral("BIN(上位)")); // kept on a compressed page
    EXPECT_EQ(q.stateMsb, 11);
    EXPECT_EQ(q.stateLsb, 2);
    EXPECT_TRUE(q.hasData);
    EXPECT_FALSE(q.hasCompareResult);
}

TEST(AnalyzerFileReader, BitPlanePageRoundTripsThroughRecordLines)
{
    // The repeat-save path writes any layout it is given; a bit-plane capture written as records
    // comes back sample for sample on channels 0-31.
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 32, 2048, false);
    for (int s = 0; s < 2048; ++s)
        for (int c = 0; c < 32; ++c)
            p.sampleBits.set(c, s, ((s * 7 + c * 13) % 11) < 4);
    SamplesToRecords(p, 2048, 300);
    p.measuredList.copyFrom(p.displayList, p.recCount);
    p.measRecCount = p.recCount;
    p.measSampleCount = p.sampleCount;
    p.measTriggerSample = p.recTriggerSample;
    const QString name = f.path(QStringLiteral("planes.ana"));
    ASSERT_TRUE(WriteAnalyzerFile(f.state, 0, {kSeiranHeader, kVersion54}, name));

    PageState& q = f.setPage(1, 9, 32, 2048, false);
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    int differing = 0;
    for (int s = 0; s < 2048; ++s)
        for (int c = 0; c < 32; ++c)
            differing += q.sampleBits.level(c, s) != p.sampleBits.level(c, s);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(q.triggerPosition, 300);
    EXPECT_EQ(q.rowCount, p.rowCount);
    EXPECT_EQ(q.cursorB, p.cursorB);
}

TEST(AnalyzerFileReader, EightChannelFileOnSixteenChannelPageGainsOneChannelHexRows)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 16, 1024, true);
    ASSERT_TRUE(OpenDataFile(f.state, 0, FilesFixture::data("eight_channels.ana")));
    EXPECT_EQ(p.rowCount, 7 + 8);
    EXPECT_EQ(p.signalName[0], QStringLiteral("BUS01"));
    EXPECT_EQ(p.rowChannelCount[0], 2);
    for (int r = 7; r < 15; ++r) {
        EXPECT_EQ(p.rowChannelCount[std::size_t(r)], 1) << r;
        EXPECT_EQ(p.rowRadix[std::size_t(r)], QStringLiteral("HEX")) << r;
        EXPECT_TRUE(p.signalName[std::size_t(r)].isEmpty()) << r;
    }
    for (int r = 15; r < kMaxRows; ++r) {
        EXPECT_EQ(p.rowChannelCount[std::size_t(r)], 0) << r;
        EXPECT_TRUE(p.rowRadix[std::size_t(r)].isEmpty()) << r;
    }
    EXPECT_TRUE(p.channelSelected[6]);
    EXPECT_FALSE(p.channelSelected[8]); // past the file's channels
    EXPECT_EQ(p.triggerText[8], QStringLiteral("X"));
    EXPECT_EQ(p.triggerText[9], QStringLiteral("-"));
    EXPECT_EQ(p.triggerText[64], QStringLiteral("-"));
    EXPECT_EQ(p.recCount, 2);
    EXPECT_EQ(p.displayList.value(1), 0x80u);
    EXPECT_EQ(p.displayList.start(2), 10); // end entry at the sample total
    EXPECT_EQ(p.firstRow, 2);
    EXPECT_TRUE(f.log().contains(
        QStringLiteral("このﾌｧｲﾙのﾁｬﾝﾈﾙ数は8ですが、ﾊｰﾄﾞｳｪｱのﾁｬﾝﾈﾙ数16で表示しています。")));
}

TEST(AnalyzerFileReader, ThirtyTwoChannelFileOnSixteenChannelPageTrimsTheStraddlingBus)
{
    FilesFixture f;
    PageState& wide = f.setPage(0, 8, 32, 1024, true);
    setRows(wide, {{QStringLiteral("ADDR"), 8}, {QStringLiteral("DATA"), 10}}, 32);
    fillRecords(wide, {{0x89ABCDEF, 3}, {0x00010000, 2}}, 0);
    const QString name = f.path(QStringLiteral("wide.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));

    PageState& p = f.setPage(1, 9, 16, 1024, true);
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_EQ(p.rowCount, 2);
    EXPECT_EQ(p.rowChannelCount[0], 8);
    EXPECT_EQ(p.rowChannelCount[1], 8); // 10, less the two channels past 16
    EXPECT_EQ(p.rowChannelCount[2], 0);
    EXPECT_TRUE(p.signalName[16].isEmpty());
    EXPECT_TRUE(f.log().contains(QStringLiteral("信号名DATAの一部分のみ表示しています。")));
    EXPECT_TRUE(f.log().contains(
        QStringLiteral("このﾌｧｲﾙのﾁｬﾝﾈﾙ数は32ですが、ﾊｰﾄﾞｳｪｱのﾁｬﾝﾈﾙ数16で表示しています。")));
    EXPECT_EQ(p.displayList.value(0), 0x89ABCDEFu); // the record values are kept whole
    EXPECT_EQ(p.rowScrollMax, 1);
}

TEST(AnalyzerFileReader, ThirtyTwoChannelFileEndsAtTheRowThatReachesTheLastChannelExactly)
{
    FilesFixture f;
    PageState& wide = f.setPage(0, 8, 32, 1024, true);
    setRows(wide, {{QStringLiteral("LOW"), 15}}, 32); // LOW, then S15 reaches channel 16 exactly
    const QString name = f.path(QStringLiteral("exact.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));

    PageState& p = f.setPage(1, 9, 16, 1024, true);
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_EQ(p.rowCount, 2);
    EXPECT_EQ(p.rowChannelCount[0], 15);
    EXPECT_EQ(p.rowChannelCount[1], 1);
    EXPECT_EQ(p.signalName[1], QStringLiteral("S15"));
    EXPECT_EQ(p.rowChannelCount[2], 0);
    EXPECT_EQ(f.log().filter(QStringLiteral("の一部分のみ表示しています。")), QStringList{});
}

TEST(AnalyzerFileReader, RecordFileOnBitPlanePageIsCutOrPaddedToTheDataCount)
{
    struct Case {
        QStringList records;
        QString expected; // one character a sample: the hex value of channels 0-3
    };
    const Case cases[] = {
        {{QStringLiteral("0001 5 0 0"), QStringLiteral("0002 20 5 5")}, QStringLiteral("1111122222222222")},
        {{QStringLiteral("0004 3 0 0"), QStringLiteral("0008 5 3 3")}, QStringLiteral("4448888888888888")},
        {{QStringLiteral("0003 0 0 0"), QStringLiteral("0001 2 1 1")}, QStringLiteral("3111111111111111")},
    };
    for (const Case& c : cases) {
        FilesFixture f;
        PageState& p = f.setPage(0, 8, 16, 16, false);
        p.stateMode = QStringLiteral("HEX");
        QStringList lines = readCp932Lines(FilesFixture::data("eight_channels.ana")).lines;
        const int data = lines.indexOf(QStringLiteral("(データ)"));
        lines = lines.mid(0, data + 1) + c.records;
        lines[7] = QStringLiteral("波形比較");
        lines[lines.indexOf(QStringLiteral("(ステート表示 モード)")) + 1] = QStringLiteral("BIN(下位)");
        lines[lines.indexOf(QStringLiteral("(解凍後のデータ数)")) + 1] = QStringLiteral("25");
        ASSERT_TRUE(writeCp932Lines(f.path(QStringLiteral("x.ana")), lines).ok());
        ASSERT_TRUE(OpenDataFile(f.state, 0, f.path(QStringLiteral("x.ana"))));
        QString got;
        for (int s = 0; s < 16; ++s) {
            int v = 0;
            for (int ch = 0; ch < 4; ++ch)
                v |= int(p.sampleBits.level(ch, s)) << ch;
            got += QString::number(v, 16);
        }
        EXPECT_EQ(got, c.expected);
        EXPECT_FALSE(p.sampleBits.level(0, 16)); // nothing past dataCount
        EXPECT_EQ(p.runModeText, QStringLiteral("シングル"));
        EXPECT_EQ(p.stateMode, QStringLiteral("BIN"));
        const QStringList tail = f.log().mid(f.log().indexOf(kOpened));
        EXPECT_TRUE(tail.contains(QStringLiteral("このﾌｧｲﾙのﾃﾞｰﾀ数は25ですが、ﾊｰﾄﾞｳｪｱのﾃﾞｰﾀ数16で表示しています。")));
        EXPECT_EQ(tail.mid(tail.size() - 2),
                  (QStringList{QStringLiteral("測定データのみ読み込みました。"),
                               QStringLiteral("ハードウェアモードを圧縮にすれば(TK-Cシリーズ)、比較データも読み込めます。")}));
    }
}

TEST(AnalyzerFileReader, RefusedFilesLeaveThePageAsItWas)
{
    struct Case {
        const char* file;
        QStringList log;    // lines logged by the open
        bool errorBox;
    };
    const Case cases[] = {
        {"not_seiran.ana", {QStringLiteral("セイランのファイルではありません。")}, false},
        {"version_trailing_space.ana",
         {QStringLiteral("セイランのバージョンが異なります。"),
          QStringLiteral("読み込もうとしたバージョンは (Ver 5.4)  です。")},
         false},
        {"generator_file.ana",
         {QStringLiteral("ロジアナのページでは、ﾛｼﾞｯｸｱﾅﾗｲｻﾞのファイル(.ana)を開いてください。")},
         false},
        {"older_version.ana", {QStringLiteral("このバージョン(Ver 4.4)のファイルの読み込みはまだできません。")}, false},
        {"row_count_not_a_number.ana", {}, true},
        {"analog_text_not_a_number.ana", {}, true},
        {"invalid_bytes.ana", {}, true},
        {"missing.ana", {}, true},
    };
    for (const Case& c : cases) {
        FilesFixture f;
        PageState& p = f.setPage(0, 8, 16, 1024, true);
        p.analogMvPerDigitText[0] = QStringLiteral("2.5");
        p.voltCursor1 = 17;
        p.cursorB = 1234;
        p.signalName[0] = QStringLiteral("KEEP");
        const int rows = p.rowCount;
        const int records = p.recCount;
        f.state.log.clear();
        EXPECT_FALSE(OpenDataFile(f.state, 0, FilesFixture::data(c.file))) << c.file;
        EXPECT_EQ(f.log(), c.log) << c.file;
        EXPECT_EQ(f.frontEnd.count(Ev::ShowError), c.errorBox ? 1 : 0) << c.file;
        EXPECT_EQ(p.analogMvPerDigitText[0], QStringLiteral("2.5")) << c.file;
        EXPECT_EQ(p.voltCursor1, 17) << c.file;
        EXPECT_EQ(p.cursorB, 1234) << c.file;
        EXPECT_EQ(p.signalName[0], QStringLiteral("KEEP")) << c.file;
        EXPECT_EQ(p.rowCount, rows) << c.file;
        EXPECT_EQ(p.recCount, records) << c.file;
    }
}

TEST(AnalyzerFileReader, OpenWhileRunningIsRefused)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 16, 1024, true);
    p.running = true;
    EXPECT_FALSE(OpenDataFile(f.state, 0, FilesFixture::data("eight_channels.ana")));
    EXPECT_EQ(f.log().last(), QStringLiteral("測定中の読み込みはできません。"));
    EXPECT_EQ(p.rowCount, 16);
}

TEST(AnalyzerFileReader, WithoutAUsableInstrumentTheFileDescribesTheHardware)
{
    for (const bool oldClockLabel : {false, true}) {
        FilesFixture f;
        PageState& p = f.setPage(0, 8, 16, 1024, false);
        f.state.instrument.NoModule = true;
        QStringList lines = readCp932Lines(FilesFixture::data("eight_channels.ana")).lines;
        lines[8] = oldClockLabel ? QStringLiteral("(クロック周期 nS)") : QStringLiteral("(クロック周期)");
        lines[9] = QStringLiteral("7");
        lines[13] = QStringLiteral("4096");
        ASSERT_TRUE(writeCp932Lines(f.path(QStringLiteral("h.ana")), lines).ok());
        ASSERT_TRUE(OpenDataFile(f.state, 0, f.path(QStringLiteral("h.ana"))));
        EXPECT_TRUE(p.compressed);
        EXPECT_TRUE(f.state.instrument.module(8).ModuleCompressed);
        EXPECT_EQ(p.channelCount, 8);
        EXPECT_EQ(p.dataCount, 4096);
        EXPECT_EQ(f.state.instrument.AnalyzerClockPeriod(), 7);
        EXPECT_EQ(p.rowCount, 7); // the file's own rows: nothing to reconcile
        EXPECT_EQ(f.log().filter(QStringLiteral("ﾊｰﾄﾞｳｪｱ")), QStringList{}) << oldClockLabel;
    }
}

TEST(AnalyzerFileReader, ClockPeriodDifferenceIsReportedAndTheDataStay)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 8, 1024, true);
    f.state.instrument.clockPeriods.analyzer = 5;
    ASSERT_TRUE(OpenDataFile(f.state, 0, FilesFixture::data("eight_channels.ana")));
    EXPECT_TRUE(f.log().contains(
        QStringLiteral("このﾌｧｲﾙのｸﾛｯｸ周期は10nSですが、ﾊｰﾄﾞｳｪｱのｸﾛｯｸ周期5nSで表示しています。")));
    EXPECT_EQ(p.recCount, 2);
    EXPECT_EQ(f.state.instrument.AnalyzerClockPeriod(), 5);
}

TEST(AnalyzerFileReader, RecordCountBeyondTheFileStopsAtItsLastLine)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 8, 1024, true);
    ASSERT_TRUE(OpenDataFile(f.state, 0, FilesFixture::data("record_count_too_large.ana")));
    EXPECT_EQ(p.recCount, 2);
    EXPECT_EQ(p.measRecCount, 2);
    EXPECT_EQ(p.displayList.value(0), 3u);
    EXPECT_EQ(p.displayList.start(2), 10);
}

#include "CursorFixture.h"

#include "cursor/StateDisplay.h"

namespace seiran {
namespace {

using namespace test;

class Difference : public CursorFixture {};

TEST_F(Difference, FieldShowsTheSignedTimeOfThePair)
{
    makePlanePage(8, 1000);
    struct Case {
        QString mode;
        std::int32_t a, b, c, d;
        QString text;
    };
    for (const Case& c : std::vector<Case>{
             {QStringLiteral("AtoB"), 100, 612, 0, 0, QStringLiteral("5.12μS")},
             {QStringLiteral("AtoB"), 612, 100, 0, 0, QStringLiteral("-5.12μS")},
             {QStringLiteral("AtoB"), 100, 150, 0, 0, QStringLiteral("500nS")},
             {QStringLiteral("CtoD"), 100, 612, 300, 200, QStringLiteral("-1μS")},
             {QStringLiteral("CtoD"), 0, 0, 0, 200000, QStringLiteral("2mS")},
         }) {
        page().atobMode = c.mode;
        page().cursorA = c.a;
        page().cursorB = c.b;
        page().cursorC = c.c;
        page().cursorD = c.d;
        cursors->updateCursorDifference(0);
        EXPECT_EQ(page().atobText, c.text);
        EXPECT_EQ(cursors->differenceText(0), c.text);
    }
}

TEST_F(Difference, PairSwitchTogglesCaptionsAndRecomputes)
{
    makePlanePage(8, 1000);
    page().cursorA = 100;
    page().cursorB = 612;
    page().cursorC = 0;
    page().cursorD = 100;
    cursors->setUpPage(0);
    EXPECT_EQ(cursors->differenceText(0), QStringLiteral("5.12μS"));
    cursors->pairSwitchClick();
    EXPECT_EQ(page().atobMode, QStringLiteral("CtoD"));
    EXPECT_EQ(cursors->differenceText(0), QStringLiteral("1μS"));
    cursors->pairSwitchClick();
    EXPECT_EQ(page().atobMode, QStringLiteral("AtoB"));
    EXPECT_EQ(cursors->acCaption(0), QStringLiteral("A"));
    EXPECT_EQ(cursors->differenceText(0), QStringLiteral("5.12μS"));
}

class StateGrid : public CursorFixture {
protected:
    StateGridCells cells() { return cursors->stateCells(0); }
    void editRange(const QString& text) { cursors->stateGridSetEditText(0, 1, text); }
    void pressRadix() { cursors->stateGridMouseDown(1, 0); }
};

TEST_F(StateGrid, ChannelsZeroAndSevenHighShowInEveryRadixAndBothOrders)
{
    makePlanePage(8, 1000);
    setHigh(0, 0, 1000);
    setHigh(7, 0, 1000);
    struct Case {
        QString range, radix, value;
    };
    for (const Case& c : std::vector<Case>{
             {QStringLiteral("7-0"), QStringLiteral("HEX"), QStringLiteral("81")},
             {QStringLiteral("7-0"), QStringLiteral("DEC"), QStringLiteral("129")},
             {QStringLiteral("7-0"), QStringLiteral("BIN"), QStringLiteral("1000 0001")},
             {QStringLiteral("0-7"), QStringLiteral("HEX"), QStringLiteral("81")},
             {QStringLiteral("0-7"), QStringLiteral("BIN"), QStringLiteral("1000 0001")},
             {QStringLiteral("3-0"), QStringLiteral("BIN"), QStringLiteral("0001")},
             {QStringLiteral("6-0"), QStringLiteral("HEX"), QStringLiteral("01")},
             {QStringLiteral("7-3"), QStringLiteral("BIN"), QStringLiteral("1 0000")},
         }) {
        SCOPED_TRACE((c.range + QLatin1Char(' ') + c.radix).toStdString());
        page().stateMode = c.radix;
        editRange(c.range);
        EXPECT_EQ(cells().value, c.value);
        EXPECT_EQ(cells().range, c.range);
    }
    // The order of the range decides the bit order: 0-7 puts channel 0 at the top.
    page().sampleBits.set(7, 0, false);
    page().stateMode = QStringLiteral("HEX");
    editRange(QStringLiteral("7-0"));
    EXPECT_EQ(cells().value, QStringLiteral("01"));
    editRange(QStringLiteral("0-7"));
    EXPECT_EQ(cells().value, QStringLiteral("80"));
}

TEST_F(StateGrid, ValueIsTakenAtTheNamedCursor)
{
    makePlanePage(8, 1000);
    setHigh(1, 100, 200);
    page().cursorA = 50;
    page().cursorC = 150;
    cursors->setUpPage(0);
    EXPECT_EQ(cells().value, QStringLiteral("00"));
    cursors->stateGridMouseDown(0, 0); // A → B (B = 100)
    EXPECT_EQ(page().stateCursorName, QStringLiteral("B"));
    EXPECT_EQ(cells().value, QStringLiteral("02"));
    cursors->stateGridMouseDown(0, 0);
    cursors->stateGridMouseDown(0, 0);
    cursors->stateGridMouseDown(0, 0);
    EXPECT_EQ(page().stateCursorName, QStringLiteral("A"));
    // A cursor one past the last sample shows the last sample, not what lies beyond the capture.
    setHigh(2, 1000, 1001);
    page().cursorA = 1000;
    cursors->refreshStateDisplay(0);
    EXPECT_EQ(cells().value, QStringLiteral("00"));
}

TEST_F(StateGrid, FortyChannelRadixCycleOnACompressedPage)
{
    makeRecordPage(40, {{0x81'0000'0001ULL, 10}});
    page().stateMsb = 39;
    page().stateLsb = 0;
    cursors->setUpPage(0);
    EXPECT_EQ(cells().value, QStringLiteral("8100000001"));
    const QString low = QStringLiteral(" 0000 0000 0000 0000 0000 0000 0000 0001");
    const QString high = QStringLiteral(" 1000 0001");
    struct Step {
        QString radix, value;
    };
    for (const Step& s : std::vector<Step>{{QStringLiteral("BIN(下位)"), low},
                                           {QStringLiteral("BIN(上位)"), high},
                                           {QStringLiteral("DEC"), QStringLiteral("554050781185")},
                                           {QStringLiteral("HEX"), QStringLiteral("8100000001")}}) {
        pressRadix();
        EXPECT_EQ(page().stateMode, s.radix);
        EXPECT_EQ(cells().radix, s.radix);
        EXPECT_EQ(cells().value, s.value);
    }
    EXPECT_EQ(QString(high).remove(QLatin1Char(' ')).size(), 8);
    // 32 channels or fewer go through BIN instead of the halves.
    editRange(QStringLiteral("31-0"));
    pressRadix();
    EXPECT_EQ(page().stateMode, QStringLiteral("BIN"));
    pressRadix();
    EXPECT_EQ(page().stateMode, QStringLiteral("DEC"));
}

TEST_F(StateGrid, RangeEditEmptiesInvalidRangesAndKeepsTheBinaryHalf)
{
    makePlanePage(64, 1000);
    setHigh(3, 0, 1000);
    page().stateMsb = 7;
    page().stateLsb = 0;
    page().stateMode = QStringLiteral("BIN");
    cursors->setUpPage(0);
    EXPECT_EQ(cells().value, QStringLiteral("0000 1000"));
    for (const QString& bad : {QStringLiteral("abc"), QStringLiteral("7-"), QStringLiteral("-0"),
                               QStringLiteral("64-0"), QStringLiteral("7-x")}) {
        editRange(bad);
        EXPECT_EQ(cells().value, QString()) << bad.toStdString();
        EXPECT_EQ(cells().range, bad);
    }
    editRange(QStringLiteral("abc"));
    EXPECT_EQ(page().stateMsb, -1);
    EXPECT_EQ(page().stateLsb, -1);

    // BIN over more than 32 channels becomes the half shown last (the low one at first) …
    editRange(QStringLiteral("39-0"));
    EXPECT_EQ(page().stateMode, QStringLiteral("BIN(下位)"));
    pressRadix();
    EXPECT_EQ(page().stateMode, QStringLiteral("BIN(上位)"));
    // … a narrow range turns a half back into BIN, and widening again returns to that half.
    editRange(QStringLiteral("7-0"));
    EXPECT_EQ(page().stateMode, QStringLiteral("BIN"));
    editRange(QStringLiteral("39-0"));
    EXPECT_EQ(page().stateMode, QStringLiteral("BIN(上位)"));
    EXPECT_EQ(cells().value, QStringLiteral(" 0000 0000"));
}

TEST_F(StateGrid, ValueNeedsAWaveformAndAChannelRangeOfThePage)
{
    state.settings.channelOrigin = 1;
    makePlanePage(8, 1000);
    setHigh(0, 0, 1000);
    page().stateMsb = 8;
    page().stateLsb = 1;
    cursors->setUpPage(0);
    EXPECT_EQ(cells().range, QStringLiteral("8-1"));
    EXPECT_EQ(cells().value, QStringLiteral("01"));
    editRange(QStringLiteral("8-0")); // channel 0 does not exist with origin 1
    EXPECT_EQ(cells().value, QString());
    editRange(QStringLiteral("8-1"));
    page().hasData = false;
    cursors->refreshStateDisplay(0);
    EXPECT_EQ(cells().value, QString());

    // A compressed page in "波形比較" shows a value only with a compare result.
    state.settings.channelOrigin = 0;
    makeRecordPage(8, {{0x81, 10}});
    page().runModeText = QStringLiteral("波形比較");
    page().hasCompareResult = false;
    cursors->refreshStateDisplay(0);
    EXPECT_EQ(cells().value, QString());
    page().hasCompareResult = true;
    cursors->refreshStateDisplay(0);
    EXPECT_EQ(cells().value, QStringLiteral("81"));
}

TEST_F(StateGrid, BitPlanePagesUseAllSixtyFourChannels)
{
    makePlanePage(64, 1000);
    setHigh(63, 0, 1000);
    setHigh(32, 0, 1000);
    page().stateMsb = 63;
    page().stateLsb = 0;
    cursors->setUpPage(0);
    EXPECT_EQ(cells().value, QStringLiteral("8000000100000000"));
    page().stateMode = QStringLiteral("BIN(上位)");
    cursors->refreshStateDisplay(0);
    // A half of a range wider than 32 channels starts with a blank when its digits fill groups.
    EXPECT_EQ(cells().value, QStringLiteral(" 1000 0000 0000 0000 0000 0000 0000 0001"));
    page().stateMode = QStringLiteral("DEC");
    cursors->refreshStateDisplay(0);
    EXPECT_EQ(cells().value, QStringLiteral("-9223372032559808512"));
}

TEST_F(StateGrid, ValueCellGoesToTheClipboard)
{
    makePlanePage(8, 1000);
    setHigh(0, 0, 1000);
    cursors->setUpPage(0);
    cursors->stateGridMouseDown(1, 1);
    EXPECT_EQ(frontEnd.clipboard(), QStringLiteral("01"));
    cursors->stateGridMouseDown(0, 1); // the range cell is only edited
    EXPECT_EQ(frontEnd.count(RecordingFrontEnd::EventKind::SetClipboardText), 1);
}

TEST_F(StateGrid, WidthsFollowRadixAndChannelCount)
{
    struct Case {
        int channels;
        QString radix;
        int width;
    };
    for (const Case& c : std::vector<Case>{{8, QStringLiteral("BIN"), 110},
                                           {16, QStringLiteral("BIN(下位)"), 175},
                                           {32, QStringLiteral("BIN"), 310},
                                           {64, QStringLiteral("BIN(上位)"), 310},
                                           {8, QStringLiteral("HEX"), 95},
                                           {16, QStringLiteral("DEC"), 95},
                                           {32, QStringLiteral("HEX"), 135},
                                           {64, QStringLiteral("HEX"), 195}}) {
        makePlanePage(c.channels, 100);
        page().stateMode = c.radix;
        EXPECT_EQ(cursors->stateWidths(0), (StateGridWidths{c.width, 40, c.width - 45}))
            << c.channels << " " << c.radix.toStdString();
    }
}

} // namespace
} // namespace seiran

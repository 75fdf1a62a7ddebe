#include "FilesFixture.h"
#include "files/AnalyzerFile.h"

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::filestest;

TEST(AnalyzerFileHelpers, SplitBySpaceKeepsEmptyTokensAndRepeatsTheLast)
{
    struct Case {
        const char* text;
        int count;
        QStringList fields;
    };
    const Case cases[] = {
        {"00FF 3 -2 7", 4, {"00FF", "3", "-2", "7"}},
        {"00FF 3", 4, {"00FF", "3", "3", "3"}},          // short line: last token repeats
        {"A  B", 3, {"A", "", "B"}},                      // two spaces: an empty token
        {"A B C D E", 4, {"A", "B", "C", "D"}},           // extra tokens are ignored
        {"", 2, {"", ""}},
        {"X ", 3, {"X", "", ""}},                         // trailing space: empty last token
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitBySpace(QString::fromLatin1(c.text), c.count), c.fields) << c.text;
    EXPECT_TRUE(SplitBySpace(QStringLiteral("A B"), 0).isEmpty());
}

TEST(AnalyzerFileHelpers, ParseHexAcceptsOnlyUpperCaseDigitsOfTheTypeWidth)
{
    struct Case {
        const char* text;
        std::uint64_t value64;
        bool error64;
        bool error32;
    };
    const Case cases[] = {
        {"0", 0, false, false},
        {"00FF", 0xFF, false, false},
        {"DEADBEEF", 0xDEADBEEF, false, false},
        {"FFFFFFFFFFFFFFFF", ~0ULL, false, true},
        {"123456789", 0x123456789ULL, false, true},   // nine digits: too wide for 32 bits
        {"1FFFFFFFFFFFFFFFF", 0, true, true},          // seventeen digits
        {"00ff", 0, true, true},                       // lower case is not written by the program
        {"", 0, true, true},
        {"0x10", 0, true, true},
        {" 10", 0, true, true},
        {"-1", 0, true, true},
    };
    for (const Case& c : cases) {
        const QString t = QString::fromLatin1(c.text);
        const Hex64 h64 = ParseHex64(t);
        EXPECT_EQ(h64.error, c.error64) << c.text;
        EXPECT_EQ(h64.value, c.error64 ? 0 : c.value64) << c.text;
        const Hex32 h32 = ParseHex32(t);
        EXPECT_EQ(h32.error, c.error32) << c.text;
        if (!c.error32)
            EXPECT_EQ(h32.value, std::uint32_t(c.value64)) << c.text;
        else
            EXPECT_EQ(h32.value, 0u) << c.text;
    }
}

TEST(AnalyzerFileHelpers, SamplesToRecordsGivesOneRecordPerSampleOfChannels0To31)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 64, 1024, false);
    p.sampleBits.set(0, 0, true);
    p.sampleBits.set(31, 1, true);
    p.sampleBits.set(32, 1, true); // channel 32 is not part of a record
    p.sampleBits.set(5, 99, true);
    p.sampleBits.set(7, 100, true); // past count
    SamplesToRecords(p, 100, 40);
    EXPECT_EQ(p.recCount, 100);
    EXPECT_EQ(p.sampleCount, 100);
    EXPECT_EQ(p.recTriggerSample, 40);
    EXPECT_EQ(p.displayList.value(0), 1u);
    EXPECT_EQ(p.displayList.value(1), 0x80000000u);
    EXPECT_EQ(p.displayList.value(2), 0u);
    EXPECT_EQ(p.displayList.value(99), 1u << 5);
    for (int k : {0, 1, 63, 64, 99}) {
        EXPECT_EQ(p.displayList.runLength(k), 1);
        EXPECT_EQ(p.displayList.start(k), k);
        EXPECT_EQ(p.displayRecords().relTime(k), k - 40);
    }
    // The end entry follows the last record.
    EXPECT_EQ(p.displayList.value(100), 0u);
    EXPECT_EQ(p.displayList.runLength(100), 0);
    EXPECT_EQ(p.displayList.start(100), 100);
}

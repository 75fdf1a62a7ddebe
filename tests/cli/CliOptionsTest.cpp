#include "CliOptions.h"

#include <gtest/gtest.h>

using namespace seiran::cli;

namespace {

const QStringList kIntervals{"5nS", "10nS", "25nS", "50nS", "100nS", "250nS", "500nS", "1μS", "2.5μS", "5μS", "1mS", "1S"};

TEST(CliOptions, IntervalSpellings)
{
    struct Case {
        const char* text;
        int index;
    };
    const Case cases[] = {
        {"10nS", 1},     {"10ns", 1},    {"10NS", 1},   {"1μS", 7},     {"1us", 7},   {"1uS", 7},
        {"1µS", 7},      {"1µs", 7},     {"1000ns", 7}, {"2.5us", 8},   {"0.5us", 6}, {"1ms", 10},
        {"1s", 11},      {"1 us", 7},    {"3us", -1},   {"", -1},       {"us", -1},   {"1x", -1},
        {"-10ns", -1},   {"10", -1},     {"10nsx", -1}, {"1e3ns", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(findInterval(kIntervals, QString::fromUtf8(c.text)), c.index) << c.text;
}

TEST(CliOptions, TriggerPositions)
{
    struct Case {
        const char* text;
        const char* position;
    };
    const Case cases[] = {
        {"左", "左"},     {"中央", "中央"},  {"右", "右"},   {"left", "左"},   {"Center", "中央"},
        {"centre", "中央"}, {"RIGHT", "右"}, {"nowhere", ""}, {"", ""},         {"中", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(triggerPositionText(QString::fromUtf8(c.text)), QString::fromUtf8(c.position)) << c.text;
}

TEST(CliOptions, BoundedNumbers)
{
    EXPECT_EQ(parseBoundedInt("0", 0, 3), 0);
    EXPECT_EQ(parseBoundedInt("3", 0, 3), 3);
    for (const char* bad : {"abc", "", "4", "-1", "1.5", " 1", "1 ", "0x1", "99999999999"})
        EXPECT_FALSE(parseBoundedInt(bad, 0, 3).has_value()) << bad;
    EXPECT_EQ(parseBoundedInt("2147483647", 0, 2147483647), 2147483647);
}

} // namespace

#include "view/TimeText.h"

#include <gtest/gtest.h>

namespace seiran {
namespace {

struct FormatCase {
    const char* unit;
    double value;
    const char* text;
};

TEST(FormatTimeText, ScalesRoundsAndTrims)
{
    const FormatCase cases[] = {
        {"nS", 10, "10nS"},
        {"nS", 10240, "10.24μS"},
        {"nS", 5000, "5μS"},
        {"nS", 2000000, "2mS"},
        {"nS", 1.5e9, "1.5S"},
        {"nS", 999.6, "1000nS"}, // rounded after the range test
        {"nS", 1000, "1μS"},
        {"nS", -1500, "-1.5μS"},
        {"nS", 2.5, "3nS"},      // halves away from zero
        {"nS", -2.5, "-3nS"},
        {"nS", -0.4, "0nS"},
        {"nS", 0, "0nS"},
        {"nS", 1234567.8, "1.234568mS"}, // six decimals
        {"nS", 999999999, "999.999999mS"},
        {"10nS", 10240, "10.24μS"},     // an interval text as the unit
        {"μS", 1500, "1.5mS"},
        {"μS", 12, "12μS"},
        {"μS", 2500000, "2.5S"},
        {"uS", 12, "12uS"},
        {"uS", 1500, "1.5mS"},
        {"mS", 999.4, "999mS"},
        {"mS", 1500, "1.5S"},
        {"mS", 2000000, "2000S"},       // mS divides by 1000 only
        {"500mS", 3000, "3S"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(FormatTimeText(QString::fromUtf8(c.unit), c.value), QString::fromUtf8(c.text))
            << c.unit << " " << c.value;
}

// Units below nS reach seconds in fewer steps; a value beyond stays in seconds instead of being
// divided once more into a number 1000 or a million times too small.
TEST(FormatTimeText, LargeValuesStayInSeconds)
{
    EXPECT_EQ(FormatTimeText(QStringLiteral("μS"), 2e9), QStringLiteral("2000S"));
    EXPECT_EQ(FormatTimeText(QStringLiteral("uS"), 1.5e9), QStringLiteral("1500S"));
    EXPECT_EQ(FormatTimeText(QStringLiteral("mS"), 3e9), QStringLiteral("3000000S"));
}

// Interval texts of slow clocks end in a plain "S"; their values are seconds and keep decimals.
TEST(FormatTimeText, SecondsUnit)
{
    EXPECT_EQ(FormatTimeText(QStringLiteral("2.5S"), 2.5), QStringLiteral("2.5S"));
    EXPECT_EQ(FormatTimeText(QStringLiteral("2.5S"), 1500), QStringLiteral("1500S"));
    EXPECT_EQ(FormatTimeText(QStringLiteral("1S"), -0.0000001), QStringLiteral("0S"));
}

struct ParseCase {
    const char* text;
    double value;
};

TEST(ParseTimeText, NumberBeforeTheUnit)
{
    const ParseCase cases[] = {
        {"10.24μS", 10.24}, {"1.5mS", 1.5},     {"10nS ～", 10},  {"5uS", 5},
        {"2S", 2},          {"-1.5μS", -1.5},   {"100", 100},     {" 25.6 μS", 25.6},
        {"327.68μS", 327.68},
    };
    for (const ParseCase& c : cases) {
        bool ok = false;
        EXPECT_DOUBLE_EQ(ParseTimeText(QString::fromUtf8(c.text), &ok), c.value) << c.text;
        EXPECT_TRUE(ok) << c.text;
    }
}

TEST(ParseTimeText, NotANumber)
{
    for (const char* text : {"", "nS", "abcμS", "1.2.3mS"}) {
        bool ok = true;
        EXPECT_EQ(ParseTimeText(QString::fromUtf8(text), &ok), 0.0) << text;
        EXPECT_FALSE(ok) << text;
    }
}

// The units are tried in a fixed order, not by position: "nS" is found even after "mS".
TEST(ParseTimeText, UnitsTriedInOrder)
{
    EXPECT_EQ(TimeNumberText(QStringLiteral("1.5mS 3nS")), QStringLiteral("1.5mS 3"));
    EXPECT_EQ(TimeNumberText(QStringLiteral("102.4μS")), QStringLiteral("102.4"));
    EXPECT_EQ(TimeNumberText(QStringLiteral("42")), QStringLiteral("42"));
}

TEST(TimeText, FormattedTextsParseBack)
{
    for (double ns : {10.0, 20480.0, 327680.0, 2620160.0, 1.5e9}) {
        const QString text = FormatTimeText(QStringLiteral("nS"), ns);
        const double scale = text.endsWith(QStringLiteral("μS")) ? 1e3
                             : text.endsWith(QStringLiteral("mS")) ? 1e6
                             : text.endsWith(QStringLiteral("nS")) ? 1
                                                                    : 1e9;
        EXPECT_DOUBLE_EQ(ParseTimeText(text) * scale, ns) << text.toStdString();
    }
}

} // namespace
} // namespace seiran

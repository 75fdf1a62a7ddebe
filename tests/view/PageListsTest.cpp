#include "view/PageLists.h"
#include "view/PageState.h"

#include <gtest/gtest.h>

namespace seiran {
namespace {

QStringList texts(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

const QStringList kTenNanosecondList = texts({
    "10nS", "20nS", "50nS", "100nS", "200nS", "500nS", "1μS", "2μS", "5μS", "10μS", "20μS",
    "50μS", "100μS", "200μS", "500μS", "1mS", "2mS", "5mS", "10mS", "20mS", "50mS",
});

TEST(BuildIntervalList, TenNanosecondClock)
{
    EXPECT_EQ(BuildIntervalList(0, 10, QStringLiteral("200MHz 16ch 32Kbit")), kTenNanosecondList);
}

TEST(BuildIntervalList, DeepMemoryModeDropsTheLastDecadeOnAnalyzerPages)
{
    const QString mode = QStringLiteral("圧縮 100MHz 16ch 256Kbit");
    EXPECT_EQ(BuildIntervalList(2, 10, mode), kTenNanosecondList.mid(0, 18));
    // Generator pages ignore the mode text.
    EXPECT_EQ(BuildIntervalList(5, 10, mode), kTenNanosecondList);
}

TEST(BuildIntervalList, SlowClockDropsTheLastDecadeOnEveryPage)
{
    const QStringList p200 = texts({
        "200nS", "400nS", "1μS", "2μS", "4μS", "10μS", "20μS", "40μS", "100μS",
        "200μS", "400μS", "1mS", "2mS", "4mS", "10mS", "20mS", "40mS", "100mS",
    });
    EXPECT_EQ(BuildIntervalList(0, 200, QStringLiteral("200MHz 16ch 32Kbit")), p200);
    EXPECT_EQ(BuildIntervalList(4, 200, QString()), p200);
    EXPECT_EQ(BuildIntervalList(4, 100, QString()).size(), 21);
    EXPECT_EQ(BuildIntervalList(4, 101, QString()).size(), 18);
}

TEST(BuildIntervalList, EntriesMatchTheIntervalOfTheirIndex)
{
    const QStringList list = BuildIntervalList(0, 15, QString());
    for (int i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i], IntervalText(15, i)) << i;
    EXPECT_DOUBLE_EQ(IntervalNanoseconds(15, 0), 15);
    EXPECT_DOUBLE_EQ(IntervalNanoseconds(15, 4), 300);
    EXPECT_DOUBLE_EQ(IntervalNanoseconds(15, 20), 75e6);
}

const QStringList kLongZoomList = texts({
    "×128", "×64", "×32", "×16", "×8", "×4", "×2", "×1", "×1/2", "×1/4", "×1/8",
    "×1/16", "×1/32", "×1/64", "×1/128", "×1/256", "全データ",
});

class ZoomTest : public ::testing::TestWithParam<bool> {
protected:
    PageState page;
    void SetUp() override { page.compressed = GetParam(); }
};

TEST_P(ZoomTest, ListLengthFollowsTheSampleCount)
{
    page.dataCount = 31999;
    QStringList shortList = kLongZoomList.mid(0, 11);
    shortList.append(QStringLiteral("全データ"));
    EXPECT_EQ(BuildZoomList(page), shortList);
    page.dataCount = 32000;
    EXPECT_EQ(BuildZoomList(page), kLongZoomList);
}

TEST_P(ZoomTest, IndexSetsTheValueOfTheModuleKind)
{
    page.dataCount = 262144;
    for (int i = 0; i < 16; ++i) {
        ASSERT_TRUE(ZoomFromListIndex(page, i));
        if (page.compressed) {
            EXPECT_EQ(page.zoomCode, 1 << (15 - i)) << i;
            EXPECT_EQ(page.zoomFactor, 1.0); // the other form is left alone
        } else {
            EXPECT_EQ(page.zoomFactor, 128.0 / double(1 << i)) << i;
            EXPECT_EQ(page.zoomCode, 256);
        }
        EXPECT_EQ(ZoomComboText(page), kLongZoomList[i]) << i;
    }
    ASSERT_TRUE(ZoomFromListIndex(page, 16));
    if (page.compressed)
        EXPECT_EQ(page.zoomCode, 990);
    else
        EXPECT_EQ(page.zoomFactor, 990.0);
    EXPECT_EQ(ZoomComboText(page), QStringLiteral("×全データ"));
}

TEST_P(ZoomTest, WholeDataIsTheLastItemOfAShortList)
{
    page.dataCount = 1024;
    ASSERT_TRUE(ZoomFromListIndex(page, 11));
    EXPECT_EQ(ZoomComboText(page), QStringLiteral("×全データ"));
    EXPECT_FALSE(ZoomFromListIndex(page, 12));
    EXPECT_FALSE(ZoomFromListIndex(page, -1));
    EXPECT_EQ(ZoomComboText(page), QStringLiteral("×全データ")); // unchanged
    ASSERT_TRUE(ZoomFromListIndex(page, 10));
    EXPECT_EQ(ZoomComboText(page), QStringLiteral("×1/8"));
}

TEST_P(ZoomTest, ValueOutsideThePageListHasNoText)
{
    page.dataCount = 1024;
    page.zoomFactor = 1.0 / 16;
    page.zoomCode = 16;
    EXPECT_EQ(ZoomComboText(page), QString());
}

INSTANTIATE_TEST_SUITE_P(BothSampleForms, ZoomTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Compressed" : "BitPlanes"; });

} // namespace
} // namespace seiran

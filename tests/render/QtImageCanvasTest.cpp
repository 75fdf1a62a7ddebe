#include "QtImageCanvas.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

namespace seiran {
namespace {

// Rows of column x that are not white.
std::vector<int> inkRows(const QImage& image, int x)
{
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(x, y) != Qt::white)
            rows.push_back(y);
    }
    return rows;
}

int inkPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) != Qt::white ? 1 : 0;
    return n;
}

class QtImageCanvasTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "render_qtcanvas_tests";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance())
            s_app = new QGuiApplication(argc, argv);
    }
    QImage image{200, 100, QImage::Format_RGB32};
    static QGuiApplication* s_app;
};
QGuiApplication* QtImageCanvasTest::s_app = nullptr;

TEST_F(QtImageCanvasTest, OnePixelAndTwoPixelLines)
{
    {
        QtImageCanvas canvas(image);
        canvas.fillRect(0, 0, 200, 100, kWhite);
        canvas.setPen({kBlack, 1, false});
        const LineSegment thin[] = {{10, 20, 50, 20}, {60, 10, 60, 30}};
        canvas.drawLines(thin);
        canvas.setPen({kErrorRed, 2, false});
        canvas.drawLine(100, 50, 150, 50);
    }
    EXPECT_EQ(inkRows(image, 30), std::vector<int>{20});
    EXPECT_EQ(image.pixelColor(30, 20), QColor(Qt::black));
    EXPECT_EQ(inkRows(image, 60).front(), 10);
    EXPECT_EQ(inkRows(image, 60).back(), 30);
    const std::vector<int> heavy = inkRows(image, 120);
    ASSERT_EQ(heavy.size(), 2U); // two pixels wide
    EXPECT_EQ(image.pixelColor(120, heavy[0]), QColor(255, 0, 0));
    EXPECT_TRUE(inkRows(image, 99).empty()); // flat ends
}

TEST_F(QtImageCanvasTest, JapaneseTextIsDrawnInTheGothicFace)
{
    const QFontInfo info(QtImageCanvas::fontFor(kWaveFont));
    EXPECT_EQ(info.family(), QStringLiteral("VL PGothic"));
    int width = 0;
    {
        QtImageCanvas canvas(image);
        canvas.fillRect(0, 0, 200, 100, kWhite);
        canvas.setFont(kWaveFont);
        width = canvas.textWidth(QStringLiteral("リファレンス"));
        canvas.drawText(5, 5, QStringLiteral("リファレンス"), kBlack);
        EXPECT_GT(canvas.textWidth(QStringLiteral("10μS")), canvas.textWidth(QStringLiteral("10")));
        EXPECT_EQ(canvas.textWidth(QStringLiteral("AB")), canvas.textWidth(QStringLiteral("A")) + canvas.textWidth(QStringLiteral("B")));
    }
    EXPECT_GE(width, 6 * 10); // full-width glyphs, not boxes of a missing font
    EXPECT_GT(inkPixels(image), 100);
    // The text's top is at y = 5: nothing above it.
    for (int x = 0; x < 200; ++x)
        ASSERT_EQ(image.pixelColor(x, 2), QColor(Qt::white)) << x;
}

} // namespace
} // namespace seiran

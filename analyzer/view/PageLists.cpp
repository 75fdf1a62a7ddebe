#include "view/PageLists.h"

#include "view/PageState.h"
#include "view/Pages.h"
#include "view/TimeText.h"

#include <array>
#include <cmath>

namespace seiran {

namespace {

constexpr std::array<int, 3> kIntervalSteps{1, 2, 5};
constexpr int kDecades = 6;
constexpr int kExtraDecadeMaxPeriod = 100; // nS; slower clocks stop after six decades

// Zoom items from ×128 down; item i is 2^(7 - i) pixels a sample (code 2^(15 - i)).
constexpr std::array<const char*, 16> kZoomTexts{
    "×128", "×64", "×32", "×16", "×8", "×4", "×2", "×1",
    "×1/2", "×1/4", "×1/8", "×1/16", "×1/32", "×1/64", "×1/128", "×1/256",
};
constexpr int kShortZoomSteps = 11;
constexpr int kLongZoomFrom = 32000; // samples; from here on the list goes down to ×1/256

int zoomSteps(const PageState& page)
{
    return page.dataCount >= kLongZoomFrom ? int(kZoomTexts.size()) : kShortZoomSteps;
}

double zoomFactorOf(int index) { return std::ldexp(1.0, 7 - index); }
std::int32_t zoomCodeOf(int index) { return std::int32_t(1) << (15 - index); }

} // namespace

double IntervalNanoseconds(int clockPeriod, int index)
{
    if (index < 0)
        return 0;
    return double(clockPeriod) * kIntervalSteps[std::size_t(index % 3)] * std::pow(10.0, index / 3);
}

QString IntervalText(int clockPeriod, int index)
{
    return FormatTimeText(QStringLiteral("nS"), IntervalNanoseconds(clockPeriod, index));
}

QStringList BuildIntervalList(int page, int clockPeriod, const QString& hardwareMode)
{
    const bool extraDecade = clockPeriod <= kExtraDecadeMaxPeriod
                             && !(IsAnalyzerPage(page) && hardwareMode.contains(u"256Kbit"));
    const int entries = 3 * (kDecades + (extraDecade ? 1 : 0));
    QStringList list;
    list.reserve(entries);
    for (int i = 0; i < entries; ++i)
        list.append(IntervalText(clockPeriod, i));
    return list;
}

QStringList BuildZoomList(const PageState& page)
{
    const int steps = zoomSteps(page);
    QStringList list;
    list.reserve(steps + 1);
    for (int i = 0; i < steps; ++i)
        list.append(QString::fromUtf8(kZoomTexts[std::size_t(i)]));
    list.append(QStringLiteral("全データ"));
    return list;
}

bool ZoomFromListIndex(PageState& page, int index)
{
    const int steps = zoomSteps(page);
    if (index < 0 || index > steps)
        return false;
    const bool whole = index == steps;
    if (page.compressed)
        page.zoomCode = whole ? kWholeDataZoomCode : zoomCodeOf(index);
    else
        page.zoomFactor = whole ? kWholeDataZoomFactor : zoomFactorOf(index);
    return true;
}

QString ZoomComboText(const PageState& page)
{
    if (page.compressed ? page.zoomCode == kWholeDataZoomCode : page.zoomFactor == kWholeDataZoomFactor)
        return QStringLiteral("×全データ");
    const int steps = zoomSteps(page);
    for (int i = 0; i < steps; ++i) {
        if (page.compressed ? page.zoomCode == zoomCodeOf(i) : page.zoomFactor == zoomFactorOf(i))
            return QString::fromUtf8(kZoomTexts[std::size_t(i)]);
    }
    return {};
}

} // namespace seiran

#include "render/WavePopup.h"

#include "FrontEnd.h"
#include "render/RowLayout.h"
#include "render/WaveMapping.h"

#include <algorithm>

namespace seiran {

namespace {

constexpr double kMaxZoomFactor = 128.0;
constexpr double kMinZoomFactorLarge = 1.0 / 256.0; // pages of 32000 samples or more
constexpr double kMinZoomFactorSmall = 1.0 / 8.0;
constexpr int kMaxZoomCode = 32768;
constexpr int kMinZoomOutCodeLarge = 2;
constexpr int kMinZoomOutCodeSmall = 33;
constexpr int kLargePage = 32000;
constexpr int kMaxVZoomFromMenu = 16;
constexpr int kMaxVZoom = 256;

struct Captions {
    const char* zoomIn;
    const char* zoomOut;
    const char* center;
};
constexpr Captions kPlaneCaptions{"Zoom In", "Zoom Out", "Center"};
constexpr Captions kRecordCaptions{"ZoomIn", "ZoomOut", "Center"};
constexpr Captions kAnalogCaptions{"V ZoomIn", "V ZoomOut", "V Center"};

void setCaptions(WavePopupMenu& menu, const Captions& c)
{
    menu.zoomIn.caption = QString::fromUtf8(c.zoomIn);
    menu.zoomOut.caption = QString::fromUtf8(c.zoomOut);
    menu.center.caption = QString::fromUtf8(c.center);
    menu.vAll.caption = QStringLiteral("V All");
}

// The visible analog row that y lies strictly inside, or −1.
int analogRowAt(const PageView& view, int y)
{
    for (int k = 0; k < kMaxAnalogRows; ++k) {
        const AnalogRowView& a = view.analog[std::size_t(k)];
        if (a.visible && y > a.analogTopY && y < a.analogBottomY)
            return k;
    }
    return -1;
}

// The offset change of every vertical item: the value under the mouse moves to the row's centre.
void moveMouseValueToCentre(PageState& page, const PageView& view)
{
    const std::size_t k = std::size_t(std::clamp(view.selectedAnalog, 0, kMaxAnalogRows - 1));
    const AnalogRowView& a = view.analog[k];
    const std::int64_t zoom = std::max(page.analogVZoom[k], 1);
    if (a.analogScale == 0)
        return;
    const std::int64_t shift = (std::int64_t(a.analogCentreY) - view.lastMouseY) * 16384 / a.analogScale / zoom;
    page.analogVOffset[k] = std::int32_t(page.analogVOffset[k] - shift);
}

std::int32_t& selectedVZoom(PageState& page, const PageView& view)
{
    return page.analogVZoom[std::size_t(std::clamp(view.selectedAnalog, 0, kMaxAnalogRows - 1))];
}

void zoomRecords(PageState& page, PageView& view, int newCode)
{
    const std::int32_t centre = SampleAtX(page, view, view.lastMouseX);
    page.zoomCode = newCode;
    page.previousZoomCode = page.zoomCode;
    ScrollToSample(page, view, centre);
}

} // namespace

void imgWave2MouseDown(PageView& view, int x, int y)
{
    view.lastMouseX = x;
    view.lastMouseY = y;
}

void PopupImgWave2Popup(const PageState& page, PageView& view)
{
    WavePopupMenu& menu = view.popup;
    menu = WavePopupMenu{};
    if (!page.compressed) {
        const double z = page.zoomFactor;
        const bool whole = z == kWholeDataZoomFactor;
        const double minimum = page.dataCount >= kLargePage ? kMinZoomFactorLarge : kMinZoomFactorSmall;
        setCaptions(menu, kPlaneCaptions);
        menu.zoomIn.enabled = !whole && z < kMaxZoomFactor;
        menu.zoomOut.enabled = !whole && z > minimum;
        menu.center.visible = false;
        menu.vAll.visible = false;
        return;
    }

    const int code = page.zoomCode;
    const bool whole = code == kWholeDataZoomCode;
    const int minimum = page.dataCount >= kLargePage ? kMinZoomOutCodeLarge : kMinZoomOutCodeSmall;
    setCaptions(menu, kRecordCaptions);
    menu.zoomIn.enabled = !whole && code < kMaxZoomCode;
    menu.zoomOut.enabled = !whole && code >= minimum;
    menu.center.enabled = !whole;
    menu.vAll.visible = false;

    const int analog = analogRowAt(view, view.lastMouseY);
    if (analog < 0)
        return;
    view.selectedAnalog = analog;
    const int vZoom = page.analogVZoom[std::size_t(analog)];
    setCaptions(menu, kAnalogCaptions);
    menu.vertical = true;
    menu.vAll.visible = true;
    menu.zoomIn.enabled = !whole && vZoom < kMaxVZoomFromMenu;
    menu.zoomOut.enabled = !whole && vZoom > 1;
    menu.center.enabled = !whole;
    menu.vAll.enabled = !whole;
}

void pmnuZoomInClick(PageState& page, PageView& view, FrontEnd& frontEnd, int pageIndex)
{
    PopupImgWave2Popup(page, view);
    if (!view.popup.zoomIn.enabled)
        return;
    if (view.popup.vertical) {
        moveMouseValueToCentre(page, view);
        std::int32_t& zoom = selectedVZoom(page, view);
        zoom = std::min(zoom * 2, kMaxVZoom);
    } else if (!page.compressed) {
        page.zoomFactor *= 2.0;
        RescaleScroll(page, view);
    } else {
        zoomRecords(page, view, std::min(page.zoomCode * 2, kMaxZoomCode));
    }
    frontEnd.requestRedraw(pageIndex);
}

void pmnuZoomOutClick(PageState& page, PageView& view, FrontEnd& frontEnd, int pageIndex)
{
    PopupImgWave2Popup(page, view);
    if (!view.popup.zoomOut.enabled)
        return;
    if (view.popup.vertical) {
        moveMouseValueToCentre(page, view);
        std::int32_t& zoom = selectedVZoom(page, view);
        zoom = std::max(zoom / 2, 1);
    } else if (!page.compressed) {
        page.zoomFactor /= 2.0;
        RescaleScroll(page, view);
    } else {
        zoomRecords(page, view, std::max(page.zoomCode / 2, 1));
    }
    frontEnd.requestRedraw(pageIndex);
}

void pmnuCenterClick(PageState& page, PageView& view, FrontEnd& frontEnd, int pageIndex)
{
    PopupImgWave2Popup(page, view);
    if (!view.popup.center.enabled || !view.popup.center.visible)
        return;
    if (view.popup.vertical)
        moveMouseValueToCentre(page, view);
    else
        ScrollToSample(page, view, SampleAtX(page, view, view.lastMouseX));
    frontEnd.requestRedraw(pageIndex);
}

void pmnuVAllClick(PageState& page, PageView& view, FrontEnd& frontEnd, int pageIndex)
{
    PopupImgWave2Popup(page, view);
    if (!view.popup.vAll.enabled || !view.popup.vAll.visible)
        return;
    const std::size_t k = std::size_t(std::clamp(view.selectedAnalog, 0, kMaxAnalogRows - 1));
    page.analogVOffset[k] = 0;
    page.analogVZoom[k] = 1;
    frontEnd.requestRedraw(pageIndex);
}

} // namespace seiran

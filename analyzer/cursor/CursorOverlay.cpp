#include "cursor/CursorOverlay.h"

#include "cursor/CursorPosition.h"
#include "cursor/VoltCursors.h"
#include "render/WaveMapping.h"

#include <cstdlib>

namespace seiran {

namespace {

constexpr std::array<int, kTimeCursorCount> kInitialTimeX{15, 115, 315, 415};
constexpr std::array<int, kVoltCursorCount> kInitialVoltY{100, 200, 300, 400};

void placeTimeItem(TimeCursorItem& item, int x, bool visible)
{
    item.x = x;
    item.lineVisible = visible;
    item.tag = {x - kTimeTagOffset, kTimeTagTop, kTimeTagWidth, kTagHeight};
    item.tagVisible = visible;
}

void placeVoltItem(VoltCursorItem& item, int left, int y, bool visible)
{
    item.y = y;
    item.left = left;
    item.lineVisible = visible;
    item.tag = {kVoltTagLeft, y - kVoltTagOffset, kVoltTagWidth, kTagHeight};
    item.tagVisible = visible;
}

void hideVoltPair(CursorOverlay& overlay, int slot)
{
    for (int i = 2 * slot; i < 2 * slot + 2; ++i) {
        overlay.volt[std::size_t(i)].lineVisible = false;
        overlay.volt[std::size_t(i)].tagVisible = false;
    }
}

bool nearLine(int position, int line) { return std::abs(position - line) <= kLineHitSlack; }

} // namespace

CursorOverlay InitialCursorOverlay()
{
    CursorOverlay overlay;
    for (std::size_t i = 0; i < overlay.time.size(); ++i) {
        TimeCursorItem& item = overlay.time[i];
        item.caption = QString(QChar(kTimeCursors[i].letter));
        item.colour = kTimeCursors[i].colour;
        placeTimeItem(item, kInitialTimeX[i], true);
    }
    for (std::size_t i = 0; i < overlay.volt.size(); ++i) {
        VoltCursorItem& item = overlay.volt[i];
        item.caption = QString::fromUtf16(kVoltCursors[i].caption);
        item.colour = kVoltCursors[i].colour;
        placeVoltItem(item, 32 + kVoltLineIndent, kInitialVoltY[i], false); // zoomStep 32 at ×1
    }
    return overlay;
}

void PlaceTimeCursors(const PageState& page, PageView& view, CursorOverlay& overlay)
{
    const CursorLineMapping map(page, view);
    for (std::size_t i = 0; i < overlay.time.size(); ++i) {
        const CursorLinePlace place = map.place(CursorValue(page, TimeCursor(i)));
        placeTimeItem(overlay.time[i], place.x, place.visible);
    }
}

void PlaceVoltCursors(PageState& page, const PageView& view, int slot, CursorOverlay& overlay)
{
    if (FindAnalogRowExact(page, slot) < 0) {
        hideVoltPair(overlay, slot);
        return;
    }
    // The layout is that of the last draw; a row the draw did not reach has none to place by.
    const AnalogRowView& analog = view.analog[std::size_t(slot)];
    const int left = zoomStep(page) + kVoltLineIndent;
    for (int i = 2 * slot; i < 2 * slot + 2; ++i) {
        const std::int32_t level = VoltLevel(page, i);
        const std::int64_t y = VoltCursorY(page, analog, slot, level);
        const bool inside = analog.visible && y >= analog.analogTopY && y <= analog.analogBottomY;
        placeVoltItem(overlay.volt[std::size_t(i)], left, inside ? int(y) : overlay.volt[std::size_t(i)].y, inside);
    }
    ShowVoltReadout(page, VoltLevel(page, 2 * slot), VoltLevel(page, 2 * slot + 1), slot);
}

void PlaceCursorLines(PageState& page, PageView& view, CursorOverlay& overlay)
{
    PlaceTimeCursors(page, view, overlay);
    if (page.compressed && page.analogCount > 0) {
        PlaceVoltCursors(page, view, 0, overlay);
        PlaceVoltCursors(page, view, 1, overlay);
    } else {
        hideVoltPair(overlay, 0);
        hideVoltPair(overlay, 1);
    }
}

void drawCursorOverlay(Canvas& canvas, const CursorOverlay& overlay)
{
    canvas.setFont(kCursorTagFont);
    for (const VoltCursorItem& item : overlay.volt) {
        if (item.lineVisible) {
            canvas.setPen({item.colour, 1, false});
            canvas.drawLine(item.left, item.y, item.left + item.width - 1, item.y);
        }
    }
    for (const TimeCursorItem& item : overlay.time) {
        if (item.lineVisible) {
            canvas.setPen({item.colour, 1, false});
            canvas.drawLine(item.x, item.top, item.x, item.top + item.height - 1);
        }
    }
    for (const VoltCursorItem& item : overlay.volt) {
        if (item.tagVisible)
            canvas.drawText(item.tag.x, item.tag.y, item.caption, item.colour);
    }
    for (const TimeCursorItem& item : overlay.time) {
        if (!item.tagVisible)
            continue;
        canvas.drawText(item.tag.x, item.tag.y, item.caption, item.colour);
        if (item.tagBold)
            canvas.drawText(item.tag.x + 1, item.tag.y, item.caption, item.colour);
    }
}

OverlayHit HitTestCursorOverlay(const CursorOverlay& overlay, int x, int y)
{
    for (std::size_t i = 0; i < overlay.time.size(); ++i) {
        if (overlay.time[i].tagVisible && overlay.time[i].tag.contains(x, y))
            return {OverlayItemKind::TimeTag, int(i)};
    }
    for (std::size_t i = 0; i < overlay.volt.size(); ++i) {
        if (overlay.volt[i].tagVisible && overlay.volt[i].tag.contains(x, y))
            return {OverlayItemKind::VoltTag, int(i)};
    }
    for (std::size_t i = 0; i < overlay.time.size(); ++i) {
        const TimeCursorItem& item = overlay.time[i];
        if (item.lineVisible && nearLine(x, item.x) && y >= item.top && y < item.top + item.height)
            return {OverlayItemKind::TimeLine, int(i)};
    }
    for (std::size_t i = 0; i < overlay.volt.size(); ++i) {
        const VoltCursorItem& item = overlay.volt[i];
        if (item.lineVisible && nearLine(y, item.y) && x >= item.left && x < item.left + item.width)
            return {OverlayItemKind::VoltLine, int(i)};
    }
    return {};
}

} // namespace seiran

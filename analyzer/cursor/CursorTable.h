#pragma once

#include "render/Canvas.h"
#include "view/PageState.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace seiran {

// The four time cursors and four voltage cursors of an analyzer page, described once and looked
// up everywhere (letters, colours, the page field each one moves).
enum class TimeCursor : std::uint8_t { A, B, C, D };
inline constexpr int kTimeCursorCount = 4;
inline constexpr int kVoltCursorCount = 4;

inline constexpr Rgb kCursorBlue{0, 0, 255};
inline constexpr Rgb kCursorMaroon{128, 0, 0};
inline constexpr Rgb kCursorRed{255, 0, 0};
inline constexpr Rgb kCursorLime{0, 255, 0};

struct TimeCursorInfo {
    char16_t letter;
    Rgb colour;
    std::int32_t PageState::*field;
};

inline constexpr std::array<TimeCursorInfo, kTimeCursorCount> kTimeCursors{{
    {u'A', kCursorBlue, &PageState::cursorA},
    {u'B', kCursorMaroon, &PageState::cursorB},
    {u'C', kCursorRed, &PageState::cursorC},
    {u'D', kCursorLime, &PageState::cursorD},
}};

// V1 and V2 belong to "Analog1", V3 and V4 to "Analog2".
struct VoltCursorInfo {
    const char16_t* caption;
    Rgb colour;
    std::int32_t PageState::*field;
    int analogSlot;
};

inline constexpr std::array<VoltCursorInfo, kVoltCursorCount> kVoltCursors{{
    {u"V1", kCursorBlue, &PageState::voltCursor1, 0},
    {u"V2", kCursorMaroon, &PageState::voltCursor2, 0},
    {u"V3", kCursorRed, &PageState::voltCursor3, 1},
    {u"V4", kCursorLime, &PageState::voltCursor4, 1},
}};

inline const TimeCursorInfo& InfoOf(TimeCursor cursor) { return kTimeCursors[std::size_t(cursor)]; }
inline QString LetterOf(TimeCursor cursor) { return QString(QChar(InfoOf(cursor).letter)); }
inline std::int32_t& CursorValue(PageState& page, TimeCursor cursor) { return page.*InfoOf(cursor).field; }
inline std::int32_t CursorValue(const PageState& page, TimeCursor cursor) { return page.*InfoOf(cursor).field; }
inline std::int32_t& VoltLevel(PageState& page, int index) { return page.*kVoltCursors[std::size_t(index)].field; }
inline std::int32_t VoltLevel(const PageState& page, int index) { return page.*kVoltCursors[std::size_t(index)].field; }

// "A" … "D" to the cursor; anything else has none.
std::optional<TimeCursor> TimeCursorFromLetter(const QString& letter);

// The last position a cursor may take: one past the last sample (dataCount on bit-plane pages,
// sampleCount on compressed pages).
std::int32_t CursorRangeEnd(const PageState& page);

// The cursor pair the difference field and the step grid work on: "AtoB" gives A and B,
// anything else C and D.
bool ShowsPairAB(const PageState& page);
TimeCursor FirstOfPair(const PageState& page);  // the cursor of lblAC and of step row 0
TimeCursor SecondOfPair(const PageState& page); // the cursor of lblBD and of step row 1

} // namespace seiran

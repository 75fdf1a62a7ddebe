#include "cursor/CursorTable.h"

#include <algorithm>

namespace seiran {

std::optional<TimeCursor> TimeCursorFromLetter(const QString& letter)
{
    if (letter.size() != 1)
        return std::nullopt;
    for (std::size_t i = 0; i < kTimeCursors.size(); ++i) {
        if (letter.at(0) == QChar(kTimeCursors[i].letter))
            return TimeCursor(i);
    }
    return std::nullopt;
}

std::int32_t CursorRangeEnd(const PageState& page)
{
    return page.compressed ? page.sampleCount : std::clamp(page.dataCount, 0, kMaxSamples);
}

bool ShowsPairAB(const PageState& page) { return page.atobMode == QStringLiteral("AtoB"); }

TimeCursor FirstOfPair(const PageState& page) { return ShowsPairAB(page) ? TimeCursor::A : TimeCursor::C; }

TimeCursor SecondOfPair(const PageState& page) { return ShowsPairAB(page) ? TimeCursor::B : TimeCursor::D; }

} // namespace seiran

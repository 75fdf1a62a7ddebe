#pragma once

#include "cursor/CursorTable.h"
#include "view/PageState.h"

#include <cstdint>
#include <optional>

namespace seiran {

// Channels 0 … channelCount − 1 whose channelSelected is set, bit c = channel c.
std::uint64_t SelectedChannelMask(const PageState& page);

// An edge is the first sample after a level change of any selected channel: the place a cursor
// line stands on the transition the waveform shows.
//
// The searches start at the cursor and walk away from it, so their cost follows the distance to
// the edge found, never the cursor's place in the capture. Bit-plane pages test 64 samples of all
// selected channels per word (each word XOR its copy shifted by one sample, the neighbour word's
// end bit carried in); compressed pages find the cursor's record with FindRecordAt and walk the
// record values from there.

// The nearest edge strictly left of the cursor; none without a selected channel or an edge.
std::optional<std::int32_t> FindPreviousEdge(const PageState& page, std::int32_t cursor,
                                             std::uint64_t channels);
// The nearest edge strictly right of the cursor; none without a selected channel or an edge.
std::optional<std::int32_t> FindNextEdge(const PageState& page, std::int32_t cursor, std::uint64_t channels);

// "|<" and ">|": move the cursor to the previous or next edge of the selected channels; it stays
// where it is when there is none. True when it moved.
bool PreviousEdge(PageState& page, TimeCursor cursor);
bool NextEdge(PageState& page, TimeCursor cursor);

} // namespace seiran

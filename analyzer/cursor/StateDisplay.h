#pragma once

#include "cursor/CursorTable.h"
#include "view/PageState.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace seiran {

class AnalyzerState;

// ---- the difference field edtAnaAtoB

// (B − A) × interval for "AtoB", (D − C) × interval for "CtoD", in the interval's unit family
// ("5.12μS"; negative when the second cursor lies left of the first). Single precision, as the
// field always showed it.
QString CursorDifferenceText(const PageState& page, const QString& intervalText);
// UpdateCursorDifference: the text above into atobText; returns it.
QString UpdateCursorDifference(AnalyzerState& state, int page);
// The field while `moved` is dragged to `prospective`: the difference it would make with its
// partner, when it belongs to the pair shown; none otherwise (the field keeps its text).
std::optional<QString> DragDifferenceText(const PageState& page, const QString& intervalText, TimeCursor moved,
                                          std::int32_t prospective);

// ---- the state grid sgrState

inline const QString kRadixHex = QStringLiteral("HEX");
inline const QString kRadixDec = QStringLiteral("DEC");
inline const QString kRadixBin = QStringLiteral("BIN");
inline const QString kRadixBinHigh = QStringLiteral("BIN(上位)");
inline const QString kRadixBinLow = QStringLiteral("BIN(下位)");

// w: channels of a state range, |msb − lsb| + 1.
int StateWidth(int msb, int lsb);

// The value cell: the channels stateLsb … stateMsb (numbers from the channel origin) at the
// sample of the cursor stateCursorName, stateLsb as bit 0. Empty without a waveform (on a
// compressed "波形比較" page: without a compare result) and when either end lies outside the
// page's channels. Bit-plane and compressed pages both form the value in 64 bits; a cursor one
// past the last sample shows the last sample.
QString StateValueText(const PageState& page, int channelOrigin);

// `value` (w bits) in a radix: "HEX" (w + 3) div 4 digits, "DEC" signed 64-bit, "BIN" w digits,
// "BIN(下位)" the low 32 bits, "BIN(上位)" bits 32 … w − 1. Binary digits go in groups of four
// from the right ("1000 0001"); a half whose digit count is a multiple of 4 starts with a blank.
// A half of a range of 32 channels or fewer is shown as "BIN"; an unknown radix shows nothing.
QString FormatStateValue(std::uint64_t value, int width, const QString& radix);

// The radix after a press on cell (1, 0): HEX → BIN (w ≤ 32) or BIN(下位) (w > 32) → BIN(上位) →
// DEC → HEX, and BIN → DEC. Anything else starts over at HEX.
QString NextStateRadix(const QString& radix, int width);
// A → B → C → D → A (cell (0, 0)).
QString NextStateCursorName(const QString& name);

// The range cell's text, "7-0": split at the first "-"; each side −1 when empty or not a number.
struct StateRange {
    int msb = -1;
    int lsb = -1;
    friend bool operator==(const StateRange&, const StateRange&) = default;
};
StateRange ParseStateRange(const QString& text);
QString StateRangeText(const PageState& page);

// SetStateWidths: the grid's width by radix and channel count; column 0 is 40 pixels, column 1
// the width less 45.
struct StateGridWidths {
    int grid = 0;
    int column0 = 40;
    int column1 = 0;
    friend bool operator==(const StateGridWidths&, const StateGridWidths&) = default;
};
StateGridWidths SetStateWidths(const PageState& page);

} // namespace seiran

#pragma once

#include <cstdint>

namespace seiran {

class AnalyzerState;
class TransferWorkspace;

// The sample memory transfer of an analyzer page, called by the end check when a capture has
// ended or been stopped. It reads the memory of the page's module the way the instrument
// generation, the kind of module and the firmware want it, reporting progress in the message
// log, and decodes it into the page's bit planes (with triggerPosition) or, on compressed
// modules, into the display and measured record lists (with the measurement time and the
// cursors). hasData is 1 afterwards, or 0 when a compressed capture held no data.
//
// statusWord: the module's status word the end check read (0x30); bits 2, 3, 4 and 6 give the
// sample order of interleaved memories.
//
// A read that does not reach the instrument (a failed or short transfer, a refused command, the
// instrument gone) ends the reading at once: the page is left without data (hasData 0, nothing
// decoded over what it held), the failure is logged, and the result is false. True otherwise,
// also when a compressed capture turned out to hold no data.
//
// Nothing is allocated: the transfer works in the state's TransferWorkspace.
bool TransferCapture(AnalyzerState& state, int page, std::uint32_t statusWord);

// The same with a workspace of the caller's.
bool TransferCapture(AnalyzerState& state, TransferWorkspace& workspace, int page, std::uint32_t statusWord);

// The line logged after the page's caption when the memory could not be read.
inline constexpr const char16_t* kTransferFailedText = u" データ転送に失敗しました。";

} // namespace seiran

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
// Nothing is allocated: the transfer works in the state's TransferWorkspace.
void TransferCapture(AnalyzerState& state, int page, std::uint32_t statusWord);

// The same with a workspace of the caller's.
void TransferCapture(AnalyzerState& state, TransferWorkspace& workspace, int page, std::uint32_t statusWord);

} // namespace seiran

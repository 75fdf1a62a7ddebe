#pragma once

#include "core/ModuleTable.h"

#include <cstdint>

namespace seiran {

class AnalyzerState;

// Decodes one property word. userSlot: slots 0 to 7, the only ones whose new-layout word
// carries an input-group count.
ModuleInfo decodePropertyWord(std::uint32_t word, bool newLayout, bool userSlot);

// Whether a user slot's old-layout word (word 1 of 0x30) announces a new-layout word behind 0x32:
// bits 11 to 4, read as a number, 0x52 or more (module version 5.2 and later).
bool announcesNewLayout(std::uint32_t oldLayoutWord);

// Reads and decodes the property words of all module slots into the instrument state.
void ReadModuleProperties(AnalyzerState& state);

// The module check after a configuration: reads the slots, builds the page tables, sets the
// channel and data counts of every page, sets or clears NoModule and logs the verdict.
void CheckModules(AnalyzerState& state);

} // namespace seiran

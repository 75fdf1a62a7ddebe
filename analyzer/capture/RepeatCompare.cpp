#include "RepeatCompare.h"

namespace seiran {

void AutoSaveCapture(AnalyzerState&, int) {}

bool CompareCapture(AnalyzerState&, int)
{
    return false;
}

} // namespace seiran

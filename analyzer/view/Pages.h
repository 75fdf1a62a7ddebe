#pragma once

#include <QString>

namespace seiran {

// The ten pages of the main window, addressed everywhere by their index.
inline constexpr int kPageCount = 10;
inline constexpr int kAnalyzerPageCount = 4;  // pages 0 to 3
inline constexpr int kGeneratorPageCount = 4; // pages 4 to 7
inline constexpr int kFirstGeneratorPage = 4;
inline constexpr int kProtocolPage = 8;
inline constexpr int kTestPage = 9;

enum class PageKind { Analyzer, Generator, Protocol, Test };

// An index outside 0 to 9 is taken as the hidden test page, which holds no samples.
PageKind PageKindOf(int page);
// The tab caption ("ロジアナ１" ... "テスト"); empty for an index outside 0 to 9.
QString PageCaption(int page);

inline bool IsAnalyzerPage(int page) { return page >= 0 && page < kAnalyzerPageCount; }
inline bool IsGeneratorPage(int page)
{
    return page >= kFirstGeneratorPage && page < kFirstGeneratorPage + kGeneratorPageCount;
}
// Pages that hold samples (analyzer and generator pages).
inline bool HasSampleStorage(int page) { return IsAnalyzerPage(page) || IsGeneratorPage(page); }

} // namespace seiran

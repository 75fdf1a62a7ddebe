#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace seiran {

class AnalyzerState;

inline const QString kAnalyzerSettingsCaption = QStringLiteral("ロジアナ設定");
inline const QString kNotAnalyzerPageLine = QStringLiteral("ロジアナページ以外では開けません");
inline constexpr std::uint32_t kDefaultRepeatSaveCount = 10;

// What the analyzer settings dialog shows and edits, apart from the repeat-save folder and the
// numbered flag: those two are edited in place (SetRepeatSaveFolder, SetRepeatSaveNumbered) and
// so keep what was typed even when the dialog is cancelled.
struct AnalyzerSettingsDialog {
    static constexpr int kGridRows = 3;
    static constexpr int kGridColumns = 3;

    int page = 0;
    QString countText; // edtAutoSaveCnt
    QString parameterCaption; // lblVoltPerD
    // sgrVoltPerD, [row][column]: row 0 the headers, rows 1 and 2 "Analog1" and "Analog2" with
    // the mV per count (column 1) and the voltage of count 0 (column 2).
    std::array<std::array<QString, kGridColumns>, kGridRows> grid;
    bool gridEnabled = true; // a page without analog rows shows the parameters read-only
};

// The grid as the dialog is created: headers and the initial texts "1" and "0".
AnalyzerSettingsDialog NewAnalyzerSettingsDialog();

// Fills the dialog for the shown page. False (with the log line) when the shown page is not an
// analyzer page; the dialog is then not shown.
bool OpenAnalyzerSettings(AnalyzerState& state, AnalyzerSettingsDialog& dialog);

// The live fields of the dialog.
void SetRepeatSaveFolder(AnalyzerState& state, const QString& folder);
void SetRepeatSaveNumbered(AnalyzerState& state, bool numbered);

// The count text read as a decimal number from 0 to 4294967295; nullopt for any other text.
std::optional<std::uint32_t> ReadRepeatSaveCount(const QString& text);
// The same with 10 for a text that is no such number.
std::uint32_t ParseRepeatSaveCount(const QString& text);

struct AnalyzerSettingsResult {
    bool redraw = false;   // the page's drawing uses the analog parameters (compressed module)
    QString conversionError; // not empty: a grid text is not a number (the numbers are unchanged)
};

// OK: stores the count (a text that is no count gives 10, logged), creates a missing folder (last
// level only, logged either way), stores the four grid texts and then their numbers × 1000 into
// the dialog's page; a text that is no finite number stops there with the conversion error. Cancel needs nothing: the
// next opening fills the dialog again from the state.
AnalyzerSettingsResult ApplyAnalyzerSettings(AnalyzerState& state, const AnalyzerSettingsDialog& dialog);

} // namespace seiran

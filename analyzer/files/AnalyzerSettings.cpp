#include "AnalyzerSettings.h"

#include "FrontEnd.h"
#include "core/AnalyzerState.h"
#include "view/Pages.h"

#include <QDir>

#include <cmath>
#include <limits>

namespace seiran {

namespace {

// Grid cell of each analog parameter: row 1 + analog row, column 1 (mV per count) or 2 (minimum).
constexpr int kMvColumn = 1;
constexpr int kMinimumColumn = 2;

} // namespace

AnalyzerSettingsDialog NewAnalyzerSettingsDialog()
{
    AnalyzerSettingsDialog d;
    d.grid[0] = {QStringLiteral("波形番号"), QStringLiteral("mV/digit"), QStringLiteral("最小電圧 mV")};
    d.grid[1] = {QStringLiteral("Analog1"), QStringLiteral("1"), QStringLiteral("0")};
    d.grid[2] = {QStringLiteral("Analog2"), QStringLiteral("1"), QStringLiteral("0")};
    return d;
}

bool OpenAnalyzerSettings(AnalyzerState& state, AnalyzerSettingsDialog& dialog)
{
    const int page = state.controls.currentPage;
    if (!IsAnalyzerPage(page)) {
        state.log.AddMessage(kNotAnalyzerPageLine);
        return false;
    }
    const PageState& p = state.pages[std::size_t(page)];
    dialog.page = page;
    dialog.countText = QString::number(state.repeatSave.count);
    dialog.parameterCaption = QStringLiteral("ロジアナ") + QString::number(page + 1) + QStringLiteral("のアナログ表示パラメータ設定");
    for (int r = 0; r < kMaxAnalogRows; ++r) {
        dialog.grid[std::size_t(1 + r)][kMvColumn] = p.analogMvPerDigitText[std::size_t(r)];
        dialog.grid[std::size_t(1 + r)][kMinimumColumn] = p.analogMinimumText[std::size_t(r)];
    }
    dialog.gridEnabled = p.analogCount >= 1;
    return true;
}

void SetRepeatSaveFolder(AnalyzerState& state, const QString& folder)
{
    state.repeatSave.folder = folder;
}

void SetRepeatSaveNumbered(AnalyzerState& state, bool numbered)
{
    state.repeatSave.numbered = numbered;
}

std::optional<std::uint32_t> ReadRepeatSaveCount(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char('-')))
        return std::nullopt;
    bool ok = false;
    const qulonglong n = t.toULongLong(&ok, 10);
    if (!ok || n > 0xFFFFFFFFULL)
        return std::nullopt;
    return std::uint32_t(n);
}

std::uint32_t ParseRepeatSaveCount(const QString& text)
{
    return ReadRepeatSaveCount(text).value_or(kDefaultRepeatSaveCount);
}

AnalyzerSettingsResult ApplyAnalyzerSettings(AnalyzerState& state, const AnalyzerSettingsDialog& dialog)
{
    AnalyzerSettingsResult result;
    const std::optional<std::uint32_t> count = ReadRepeatSaveCount(dialog.countText);
    state.repeatSave.count = count.value_or(kDefaultRepeatSaveCount);
    if (!count)
        state.log.AddMessage(QStringLiteral("ファイル保存する回数「") + dialog.countText
                             + QStringLiteral("」は0～4294967295の数ではないので、")
                             + QString::number(kDefaultRepeatSaveCount) + QStringLiteral("回にしました。"));

    const QString& folder = state.repeatSave.folder;
    if (!QDir(folder).exists()) {
        const bool made = !folder.isEmpty() && QDir().mkdir(folder);
        state.log.AddMessage(QStringLiteral("フォルダ") + folder
                             + (made ? QStringLiteral("を作成しました。") : QStringLiteral("を作成できません。")));
    }

    if (!IsAnalyzerPage(dialog.page))
        return result;
    PageState& p = state.pages[std::size_t(dialog.page)];
    for (int r = 0; r < kMaxAnalogRows; ++r) {
        p.analogMvPerDigitText[std::size_t(r)] = dialog.grid[std::size_t(1 + r)][kMvColumn];
        p.analogMinimumText[std::size_t(r)] = dialog.grid[std::size_t(1 + r)][kMinimumColumn];
    }
    // All four are read before any is stored, so a bad text leaves every number as it was.
    std::array<double, 2 * kMaxAnalogRows> numbers{};
    const std::array<const QString*, 2 * kMaxAnalogRows> texts{&p.analogMvPerDigitText[0], &p.analogMvPerDigitText[1],
                                                               &p.analogMinimumText[0], &p.analogMinimumText[1]};
    for (std::size_t k = 0; k < texts.size(); ++k) {
        bool ok = false;
        numbers[k] = texts[k]->trimmed().toDouble(&ok);
        // "inf", "nan" and numbers whose × 1000 leaves the float range convert, but draw nothing.
        ok = ok && std::isfinite(numbers[k]) && std::abs(numbers[k]) * 1000.0 <= double(std::numeric_limits<float>::max());
        if (!ok) {
            result.conversionError = QStringLiteral("'%1' は有効な浮動小数点数値ではありません。").arg(*texts[k]);
            state.frontEnd().showError(result.conversionError);
            return result;
        }
    }
    for (int r = 0; r < kMaxAnalogRows; ++r) {
        p.analogMicroVoltsPerDigit[std::size_t(r)] = float(numbers[std::size_t(r)] * 1000.0);
        p.analogMinimumMicroVolts[std::size_t(r)] = float(numbers[std::size_t(kMaxAnalogRows + r)] * 1000.0);
    }
    result.redraw = state.instrument.module(p.PageModule).ModuleCompressed;
    if (result.redraw)
        state.frontEnd().requestRedraw(dialog.page);
    return result;
}

} // namespace seiran

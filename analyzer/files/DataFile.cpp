#include "files/DataFile.h"

#include "Cp932Text.h"
#include "FrontEnd.h"
#include "core/AnalyzerState.h"
#include "files/AnalyzerFile.h"

#include <algorithm>
#include <array>

namespace seiran {

namespace {

// Every version line the program has ever written.
const std::array<QString, 12> kAcceptedVersions = {
    QStringLiteral("(Ver 3.0)"), QStringLiteral("(Ver 3.1)"), QStringLiteral("(Ver 3.3)"), QStringLiteral("(Ver 3.4)"),
    QStringLiteral("(Ver 4.0)"), QStringLiteral("(Ver 4.2)"), QStringLiteral("(Ver 4.3)"), QStringLiteral("(Ver 4.4)"),
    QStringLiteral("(Ver 5.0)"), QStringLiteral("(Ver 5.2)"), QStringLiteral("(Ver 5.3)"), QStringLiteral("(Ver 5.4)"),
};
// Versions with 32 channels and the row sections.
const std::array<QString, 6> kNewerVersions = {QStringLiteral("(Ver 4.3)"), QStringLiteral("(Ver 4.4)"),
                                               QStringLiteral("(Ver 5.0)"), QStringLiteral("(Ver 5.2)"),
                                               QStringLiteral("(Ver 5.3)"), QStringLiteral("(Ver 5.4)")};
// Versions that keep the hardware summary four lines further down.
const std::array<QString, 3> kShiftedVersions = {QStringLiteral("(Ver 5.2)"), QStringLiteral("(Ver 5.3)"),
                                                 QStringLiteral("(Ver 5.4)")};

template <std::size_t N>
bool contains(const std::array<QString, N>& list, const QString& s)
{
    return std::find(list.begin(), list.end(), s) != list.end();
}

const QString& lineAt(const QStringList& lines, qsizetype i)
{
    static const QString empty;
    return i >= 0 && i < lines.size() ? lines[i] : empty;
}

int toIntOr(const QString& text, int fallback)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok ? v : fallback;
}

void resetAnalogRows(PageState& p)
{
    for (int a = 0; a < kMaxAnalogRows; ++a) {
        p.analogMvPerDigitText[std::size_t(a)] = QStringLiteral("1");
        p.analogMicroVoltsPerDigit[std::size_t(a)] = 1000.0F;
        p.analogMinimumText[std::size_t(a)] = QStringLiteral("0");
        p.analogMinimumMicroVolts[std::size_t(a)] = 0.0F;
        p.analogVZoom[std::size_t(a)] = 1;
        p.analogVOffset[std::size_t(a)] = 0;
    }
    p.voltCursor1 = 255;
    p.voltCursor2 = 0;
    p.voltCursor3 = 255;
    p.voltCursor4 = 0;
}

// The informational comparison of the file's hardware summary with the instrument.
void reportHardwareDifferences(AnalyzerState& state, int page, const QStringList& lines)
{
    const PageState& p = state.pages[std::size_t(page)];
    const int a = contains(kShiftedVersions, lines[1]) ? 4 : 0;
    const int clock = p.PageModule < kFirstBuiltInSlot ? state.settings.IpClockPeriod
                                                       : state.instrument.AnalyzerClockPeriod();
    const QString& fileClock = lineAt(lines, a + 5);
    if (fileClock != QString::number(clock))
        state.log.AddMessage(QStringLiteral("このﾌｧｲﾙのｸﾛｯｸ周期は") + fileClock + QStringLiteral("nSですが、ﾊｰﾄﾞｳｪｱのｸﾛｯｸ周期")
                             + QString::number(clock) + QStringLiteral("nSで表示しています。"));
    const QString& fileChannels = lineAt(lines, a + 7);
    if (toIntOr(fileChannels, 0) != p.channelCount)
        state.log.AddMessage(QStringLiteral("このﾌｧｲﾙのﾁｬﾝﾈﾙ数は") + fileChannels + QStringLiteral("ですが、ﾊｰﾄﾞｳｪｱのﾁｬﾝﾈﾙ数")
                             + QString::number(p.channelCount) + QStringLiteral("で表示しています。"));
    if (!p.compressed) {
        QString fileData;
        if (a == 4) {
            const qsizetype i = lines.indexOf(QStringLiteral("(解凍後のデータ数)"));
            fileData = lineAt(lines, i + 1);
        } else {
            fileData = lineAt(lines, a + 9);
        }
        if (toIntOr(fileData, 0) != p.dataCount)
            state.log.AddMessage(QStringLiteral("このﾌｧｲﾙのﾃﾞｰﾀ数は") + QString::number(toIntOr(fileData, 0))
                                 + QStringLiteral("ですが、ﾊｰﾄﾞｳｪｱのﾃﾞｰﾀ数") + QString::number(p.dataCount)
                                 + QStringLiteral("で表示しています。"));
    }
}

QString readErrorText(const TextFileError& e)
{
    QString text = QStringLiteral("ファイルを読み込めません。\n%1").arg(e.path);
    if (e.kind == TextFileErrorKind::InvalidBytes)
        text += QStringLiteral("\n%1行目にShift-JISでない文字があります。").arg(e.line + 1);
    else if (!e.detail.isEmpty())
        text += u'\n' + e.detail;
    return text;
}

} // namespace

bool InstrumentUsable(const AnalyzerState& state)
{
    return !state.device.InterfaceError && !state.instrument.DownloadFailed && !state.instrument.NoModule;
}

bool SaveDataFile(AnalyzerState& state, int page, const QString& fileName)
{
    const PageState& p = state.pages[std::size_t(page)];
    QStringList lines{kSeiranHeader, p.compressed ? kVersion54 : kVersion50};
    if (!WriteAnalyzerFile(state, page, lines, fileName))
        return false;
    const ModuleInfo& module = state.instrument.module(p.PageModule);
    if (module.ModuleBankCount > 1 && page < int(state.capture.pages.size())) {
        static const QString kGroupLetters = QStringLiteral("ABCD");
        const int group = std::clamp(state.capture.pages[std::size_t(page)].activeGroup, 0, 3);
        state.log.AddMessage(QStringLiteral("データの保存が終わりました（入力グループ") + kGroupLetters[group]
                             + QStringLiteral("のみ）。"));
    } else {
        state.log.AddMessage(QStringLiteral("データの保存が終わりました。"));
    }
    return true;
}

bool RefuseLoadWhileRunning(AnalyzerState& state, int page)
{
    if (!state.pages[std::size_t(page)].running)
        return false;
    state.log.AddMessage(QStringLiteral("測定中の読み込みはできません。"));
    return true;
}

bool OpenDataFile(AnalyzerState& state, int page, const QString& fileName)
{
    if (RefuseLoadWhileRunning(state, page))
        return false;
    const TextLines file = readCp932Lines(fileName);
    if (!file.ok()) {
        state.frontEnd().showError(readErrorText(file.error));
        return false;
    }
    const QStringList& lines = file.lines;
    if (lineAt(lines, 0) != kSeiranHeader) {
        state.log.AddMessage(QStringLiteral("セイランのファイルではありません。"));
        return false;
    }
    const QString& version = lineAt(lines, 1);
    if (!contains(kAcceptedVersions, version)) {
        state.log.AddMessage(QStringLiteral("セイランのバージョンが異なります。"));
        state.log.AddMessage(QStringLiteral("読み込もうとしたバージョンは ") + version + QStringLiteral(" です。"));
        return false;
    }
    if (lineAt(lines, 2) != kAnalyzerFileLine) {
        state.log.AddMessage(
            QStringLiteral("ロジアナのページでは、ﾛｼﾞｯｸｱﾅﾗｲｻﾞのファイル(.ana)を開いてください。"));
        return false;
    }
    const bool labelled = version == kVersion53 || version == kVersion54;
    if (!labelled && version != kVersion50) {
        // The positional layouts before "(Ver 5.0)" (and the record form of "(Ver 5.2)") are not
        // read yet, so the page is left exactly as it was.
        state.log.AddMessage(QStringLiteral("このバージョン") + version
                             + QStringLiteral("のファイルの読み込みはまだできません。"));
        return false;
    }
    const QString refused = labelled ? CheckLabelledFile(lines) : CheckPositionalFile(lines);
    if (!refused.isEmpty()) {
        state.frontEnd().showError(refused);
        return false;
    }
    resetAnalogRows(state.pages[std::size_t(page)]);
    const bool read = labelled ? ReadAnalyzerFileLabelled(state, page, lines)
                               : ReadAnalyzerFilePositional(state, page, lines, contains(kNewerVersions, version));
    if (!read)
        return false;
    state.log.AddMessage(QStringLiteral("データファイルを開きました。"));
    reportHardwareDifferences(state, page, lines);
    if (!state.pages[std::size_t(page)].compressed && lineAt(lines, 7) == QStringLiteral("波形比較")) {
        state.log.AddMessage(QStringLiteral("測定データのみ読み込みました。"));
        state.log.AddMessage(QStringLiteral("ハードウェアモードを圧縮にすれば(TK-Cシリーズ)、比較データも読み込めます。"));
    }
    return true;
}

} // namespace seiran

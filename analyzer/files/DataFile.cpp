#include "files/DataFile.h"

#include "Cp932Text.h"
#include "FrontEnd.h"
#include "core/AnalyzerState.h"
#include "files/AnalyzerFile.h"
#include "files/AnalyzerFileRead.h"
#include "files/DataFileText.h"

#include <QFile>

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

// The informational comparison of the file's hardware summary with the instrument. True when
// the clock periods differ.
bool reportHardwareDifferences(AnalyzerState& state, int page, const DataFileText& lines)
{
    const PageState& p = state.pages[std::size_t(page)];
    const int a = contains(kShiftedVersions, lines.text(1)) ? 4 : 0;
    const int clock = p.PageModule < kFirstBuiltInSlot ? state.settings.IpClockPeriod
                                                       : state.instrument.AnalyzerClockPeriod();
    const QString fileClock = lines.text(a + 5);
    const bool clockDiffers = fileClock != QString::number(clock);
    if (clockDiffers)
        state.log.AddMessage(QStringLiteral("このﾌｧｲﾙのｸﾛｯｸ周期は") + fileClock + QStringLiteral("nSですが、ﾊｰﾄﾞｳｪｱのｸﾛｯｸ周期")
                             + QString::number(clock) + QStringLiteral("nSで表示しています。"));
    const QString fileChannels = lines.text(a + 7);
    if (intAt(lines, a + 7, 0) != p.channelCount)
        state.log.AddMessage(QStringLiteral("このﾌｧｲﾙのﾁｬﾝﾈﾙ数は") + fileChannels + QStringLiteral("ですが、ﾊｰﾄﾞｳｪｱのﾁｬﾝﾈﾙ数")
                             + QString::number(p.channelCount) + QStringLiteral("で表示しています。"));
    if (!p.compressed) {
        const qsizetype at = a == 4 ? lines.find(u"(解凍後のデータ数)") + 1 : a + 9;
        const int fileData = intAt(lines, at, 0);
        if (fileData != p.dataCount)
            state.log.AddMessage(QStringLiteral("このﾌｧｲﾙのﾃﾞｰﾀ数は") + QString::number(fileData)
                                 + QStringLiteral("ですが、ﾊｰﾄﾞｳｪｱのﾃﾞｰﾀ数") + QString::number(p.dataCount)
                                 + QStringLiteral("で表示しています。"));
    }
    return clockDiffers;
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

QString tooLargeText(qint64 size)
{
    return QStringLiteral("ファイルが大きすぎます（%1バイト、読み込めるのは%2バイトまで）。").arg(size).arg(kLargestDataFile);
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

OpenResult OpenDataFile(AnalyzerState& state, int page, const QString& fileName)
{
    if (RefuseLoadWhileRunning(state, page))
        return {};
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        state.frontEnd().showError(readErrorText(makeTextFileError(TextFileErrorKind::OpenFailed, fileName, file.errorString())));
        return {};
    }
    const qint64 size = file.size();
    if (size > kLargestDataFile) {
        state.frontEnd().showError(readErrorText(makeTextFileError(TextFileErrorKind::ReadFailed, fileName, tooLargeText(size))));
        return {};
    }
    // Read in place where the system allows it; otherwise one read of at most the largest size.
    if (size > 0) {
        if (const uchar* mapped = file.map(0, size))
            return OpenDataFileBytes(state, page, QByteArrayView(mapped, size), fileName);
    }
    const QByteArray bytes = file.read(kLargestDataFile + 1);
    if (file.error() != QFileDevice::NoError) {
        state.frontEnd().showError(readErrorText(makeTextFileError(TextFileErrorKind::ReadFailed, fileName, file.errorString())));
        return {};
    }
    return OpenDataFileBytes(state, page, bytes, fileName);
}

OpenResult OpenDataFileBytes(AnalyzerState& state, int page, QByteArrayView bytes, const QString& fileName)
{
    OpenResult result;
    if (RefuseLoadWhileRunning(state, page))
        return result;
    if (bytes.size() > kLargestDataFile) {
        state.frontEnd().showError(
            readErrorText(makeTextFileError(TextFileErrorKind::ReadFailed, fileName, tooLargeText(bytes.size()))));
        return result;
    }
    const DataFileText lines(bytes);
    if (lines.firstInvalidLine() >= 0) {
        TextFileError e = makeTextFileError(TextFileErrorKind::InvalidBytes, fileName, QString());
        e.line = int(lines.firstInvalidLine());
        state.frontEnd().showError(readErrorText(e));
        return result;
    }
    if (lines.text(0) != kSeiranHeader) {
        state.log.AddMessage(QStringLiteral("セイランのファイルではありません。"));
        return result;
    }
    const QString version = lines.text(1);
    if (!contains(kAcceptedVersions, version)) {
        state.log.AddMessage(QStringLiteral("セイランのバージョンが異なります。"));
        state.log.AddMessage(QStringLiteral("読み込もうとしたバージョンは ") + version + QStringLiteral(" です。"));
        return result;
    }
    if (lines.text(2) != kAnalyzerFileLine) {
        state.log.AddMessage(
            QStringLiteral("ロジアナのページでは、ﾛｼﾞｯｸｱﾅﾗｲｻﾞのファイル(.ana)を開いてください。"));
        return result;
    }
    const bool labelled = version == kVersion53 || version == kVersion54;
    if (!labelled && version != kVersion50) {
        // The positional layouts before "(Ver 5.0)" (and the record form of "(Ver 5.2)") are not
        // read yet, so the page is left exactly as it was.
        state.log.AddMessage(QStringLiteral("このバージョン") + version
                             + QStringLiteral("のファイルの読み込みはまだできません。"));
        return result;
    }
    // Every number is checked before the first is stored, so a refused file changes nothing.
    const FileRefusal refused = labelled ? CheckLabelledFile(state, page, lines) : CheckPositionalFile(state, page, lines);
    if (refused.refused()) {
        QString text = refused.text;
        if (refused.line >= 0)
            text += QStringLiteral("\n%1 の %2 行目").arg(fileName).arg(refused.line + 1);
        state.frontEnd().showError(text);
        return result;
    }
    resetAnalogRows(state.pages[std::size_t(page)]);
    ReadReport report;
    if (labelled)
        ReadAnalyzerFileLabelled(state, page, lines, report);
    else
        ReadAnalyzerFilePositional(state, page, lines, contains(kNewerVersions, version), report);
    result.loaded = true;
    result.missing = report.missing;
    result.channelsDropped = report.channelsDropped;
    result.samplesDropped = report.samplesDropped;
    state.log.AddMessage(QStringLiteral("データファイルを開きました。"));
    if (report.missing > 0)
        state.log.AddMessage(truncatedFileText(report.missing));
    result.clockDiffers = reportHardwareDifferences(state, page, lines);
    if (!state.pages[std::size_t(page)].compressed && lines.text(7) == QStringLiteral("波形比較")) {
        state.log.AddMessage(QStringLiteral("測定データのみ読み込みました。"));
        state.log.AddMessage(QStringLiteral("ハードウェアモードを圧縮にすれば(TK-Cシリーズ)、比較データも読み込めます。"));
    }
    return result;
}

} // namespace seiran

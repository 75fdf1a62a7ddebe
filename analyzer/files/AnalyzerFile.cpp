#include "files/AnalyzerFile.h"

#include "Cp932Text.h"
#include "FileReplace.h"
#include "FrontEnd.h"
#include "core/AnalyzerState.h"

#include <algorithm>
#include <charconv>

namespace seiran {

namespace {

template <typename T>
T parseHex(QStringView text, bool& error)
{
    constexpr int maxDigits = int(sizeof(T) * 2);
    error = text.isEmpty() || text.size() > maxDigits;
    if (error)
        return 0;
    T value = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        unsigned digit = 0;
        if (u >= u'0' && u <= u'9')
            digit = unsigned(u - u'0');
        else if (u >= u'A' && u <= u'F')
            digit = unsigned(u - u'A' + 10);
        else {
            error = true;
            return 0;
        }
        value = T(value << 4 | digit);
    }
    return value;
}

// Upper-case, zero-filled, `digits` wide.
QString hexText(std::uint64_t value, int digits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char buffer[16] = {};
    for (int i = digits - 1; i >= 0; --i) {
        buffer[i] = kDigits[value & 0xF];
        value >>= 4;
    }
    return QString::fromLatin1(buffer, digits);
}

// Record values are written as wide as the page's channels: 4 digits for 16, 8 for 32, 16 for 64.
int recordDigits(int channels)
{
    return std::clamp((channels + 3) / 4, 1, 16);
}

QString num(std::int64_t v) { return QString::number(v); }

QString moduleKindText(const ModuleInfo& m)
{
    if (m.ModuleCompressed)
        return QStringLiteral("圧縮");
    if (m.ModuleEdgeSampling)
        return QStringLiteral("Edge Sampling");
    if (m.ModuleSamplingEnable)
        return QStringLiteral("Sampling Enable");
    return QStringLiteral("標準");
}

bool isUserModule(const PageState& page) { return page.PageModule < kFirstBuiltInSlot; }

// Samples 0..count-1 of channels 0-31 as 32-bit words, one word per sample, a whole plane word
// at a time.
template <typename Sink>
void forEachSampleWord(const BitPlanes& planes, int count, Sink&& sink)
{
    count = std::clamp(count, 0, kMaxSamples);
    std::array<const std::uint64_t*, 32> channel{};
    for (int c = 0; c < 32; ++c)
        channel[std::size_t(c)] = planes.words(c).data();
    for (int base = 0; base < count; base += 64) {
        std::array<std::uint64_t, 32> w{};
        for (int c = 0; c < 32; ++c)
            w[std::size_t(c)] = channel[std::size_t(c)][base / 64];
        const int end = std::min(64, count - base);
        for (int b = 0; b < end; ++b) {
            std::uint32_t v = 0;
            for (int c = 0; c < 32; ++c)
                v |= std::uint32_t((w[std::size_t(c)] >> unsigned(b)) & 1U) << unsigned(c);
            sink(v);
        }
    }
}

// One record line ("00FF 3 -2 7", or with commas for the spreadsheet) built in a byte buffer:
// a full list is half a million lines, and one QString a line is the least it can cost.
QString recordLine(const RecordListView& list, int i, int digits, char separator)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char buffer[16 + 3 * 12 + 3];
    std::uint64_t v = list.value(i);
    for (int d = digits - 1; d >= 0; --d) {
        buffer[d] = kDigits[v & 0xF];
        v >>= 4;
    }
    char* at = buffer + digits;
    char* const end = buffer + sizeof buffer;
    for (const std::int64_t field : {std::int64_t(list.runLength(i)), list.relTime(i), std::int64_t(list.start(i))}) {
        *at++ = separator;
        at = std::to_chars(at, end, field).ptr;
    }
    return QString::fromLatin1(buffer, at - buffer);
}

void appendRecordLines(QStringList& out, const RecordListView& list, int digits)
{
    out.reserve(out.size() + list.count());
    for (int i = 0; i < list.count(); ++i)
        out << recordLine(list, i, digits, ' ');
}

void appendVersion54(QStringList& out, const AnalyzerState& state, int page)
{
    const PageState& p = state.pages[std::size_t(page)];
    const ModuleInfo& module = state.instrument.module(p.PageModule);
    const int n = std::clamp(p.channelCount, 0, kMaxChannels);
    out << kAnalyzerFileLine << (isUserModule(p) ? QStringLiteral("(IP)") : QStringLiteral("(本体)"));
    out << QStringLiteral("(ハードウェアモード)") << moduleKindText(module);
    out << QStringLiteral("(測定モード)") << p.runModeText;
    out << QStringLiteral("(クロック周期)") << num(state.pageClockPeriod(page));
    out << QStringLiteral("(チャンネル数)") << num(p.channelCount);
    out << QStringLiteral("(データメモリ bit/ch)") << num(p.dataCount);
    out << QStringLiteral("(測定間隔番号)") << num(p.intervalIndex);
    out << QStringLiteral("(測定時間)") << p.measureTimeText;
    out << QStringLiteral("(ズーム)") << num(p.zoomCode);
    out << (p.atobMode == QStringLiteral("AtoB") ? QStringLiteral("(AtoB)") : QStringLiteral("(CtoD)")) << p.atobText;
    out << QStringLiteral("(ステート表示 カーソル名)") << p.stateCursorName;
    out << QStringLiteral("(ステート表示 モード)") << p.stateMode;
    out << QStringLiteral("(ステート表示 チャンネルのMSB)") << num(p.stateMsb);
    out << QStringLiteral("(ステート表示 チャンネルのLSB)") << num(p.stateLsb);
    out << QStringLiteral("(信号名)");
    for (int r = 0; r < n; ++r) {
        QString name = p.signalName[std::size_t(r)];
        // An analog row's name carries its scale after a line break; one line holds only the name.
        if (p.rowRadix[std::size_t(r)].contains(QStringLiteral("Analog"))) {
            const qsizetype cut = name.indexOf(QStringLiteral("\r\n"));
            if (cut >= 0)
                name.truncate(cut);
        }
        out << name;
    }
    out << QStringLiteral("(バスを考慮した行数)") << num(p.rowCount);
    out << QStringLiteral("(バスの要素数)");
    for (int r = 0; r < n; ++r)
        out << num(p.rowChannelCount[std::size_t(r)]);
    out << QStringLiteral("(バスのRadix)");
    for (int r = 0; r < n; ++r)
        out << p.rowRadix[std::size_t(r)];
    out << QStringLiteral("(アナログ表示の数)") << num(p.analogCount);
    out << QStringLiteral("(アナログ表示のパラメータ)") << p.analogMvPerDigitText[0] << p.analogMinimumText[0]
        << p.analogMvPerDigitText[1] << p.analogMinimumText[1];
    out << QStringLiteral("(アナログ表示のズーム)") << num(p.analogVZoom[0]) << num(p.analogVOffset[0])
        << num(p.analogVZoom[1]) << num(p.analogVOffset[1]);
    out << QStringLiteral("(アナログ表示の電圧カーソル位置)") << num(p.voltCursor1) << num(p.voltCursor2)
        << num(p.voltCursor3) << num(p.voltCursor4);
    out << QStringLiteral("(チャンネルの選択状態)");
    for (int c = 0; c < n; ++c)
        out << (p.channelSelected[std::size_t(c)] ? QStringLiteral("1") : QStringLiteral("0"));
    out << QStringLiteral("(トリガ表示位置およびトリガ条件)");
    for (int t = 0; t <= n && t < kTriggerTexts; ++t)
        out << p.triggerText[std::size_t(t)];
    out << QStringLiteral("(カーソルAの位置)") << num(p.cursorA) << QStringLiteral("(カーソルBの位置)") << num(p.cursorB)
        << QStringLiteral("(カーソルCの位置)") << num(p.cursorC) << QStringLiteral("(カーソルDの位置)") << num(p.cursorD);
    out << QStringLiteral("(スクロール)") << num(p.scrollPosition) << num(p.scrollMax) << num(p.firstRow)
        << num(p.rowScrollMax);
    out << QStringLiteral("(画面の中央のデータ番号)") << num(p.centreSample);
    out << QStringLiteral("(データ(波形)があるかどうか)") << (p.hasData ? QStringLiteral("1") : QStringLiteral("0"));
    const int digits = recordDigits(p.channelCount);
    auto appendList = [&](const RecordListView& list) {
        out << QStringLiteral("(解凍前のデータ数)") << num(list.count()) << QStringLiteral("(解凍後のデータ数)")
            << num(list.sampleTotal()) << QStringLiteral("(トリガ位置)") << num(list.triggerSample());
        out << QStringLiteral("(データ)");
        appendRecordLines(out, list, digits);
    };
    out << QStringLiteral("(測定データ)");
    appendList(p.measuredRecords());
    if (p.runModeText == QStringLiteral("波形比較")) {
        out << QStringLiteral("(リファレンスデータ)");
        appendList(p.referenceRecords());
    }
}

void appendVersion50(QStringList& out, const AnalyzerState& state, int page)
{
    const PageState& p = state.pages[std::size_t(page)];
    constexpr int kFixedRows = 32;
    const bool user = isUserModule(p);
    out << kAnalyzerFileLine << (user ? QStringLiteral("(ユーザー)") : QStringLiteral("(本体)"));
    out << (user ? QStringLiteral("(ユーザーロジアナクロック周期)") : QStringLiteral("(本体ロジアナクロック周期)"))
        << num(state.pageClockPeriod(page));
    out << QStringLiteral("(チャンネル数)") << num(p.channelCount);
    out << QStringLiteral("(データ数)") << num(p.dataCount);
    out << QStringLiteral("(測定間隔)") << num(p.intervalIndex);
    out << QStringLiteral("(測定時間)") << p.measureTimeText;
    out << QStringLiteral("(測定ﾓｰﾄﾞ)") << p.runModeText;
    out << QStringLiteral("(ズーム)") << QString::number(p.zoomFactor, 'f', 6);
    out << (p.atobMode == QStringLiteral("AtoB") ? QStringLiteral("(AtoB)") : QStringLiteral("(CtoD)")) << p.atobText;
    out << QStringLiteral("(ステート表示 A～D)") << p.stateCursorName;
    out << QStringLiteral("(ステート表示 BIN or HEX or DEC)") << p.stateMode;
    out << QStringLiteral("(ステート表示 チャンネルの始め)") << num(p.stateMsb);
    out << QStringLiteral("(ステート表示 チャンネルの終り)") << num(p.stateLsb);
    out << QStringLiteral("(外部トリガ)") << QStringLiteral("0");
    out << QStringLiteral("(信号名)");
    for (int r = 0; r < kFixedRows; ++r)
        out << p.signalName[std::size_t(r)];
    out << QStringLiteral("(グループを考慮した行数)") << num(p.rowCount);
    out << QStringLiteral("(グループの要素数)");
    for (int r = 0; r < kFixedRows; ++r)
        out << num(p.rowChannelCount[std::size_t(r)]);
    out << QStringLiteral("(バス表示するときのRadix)");
    for (int r = 0; r < kFixedRows; ++r)
        out << p.rowRadix[std::size_t(r)];
    out << QStringLiteral("(チャンネルの選択状態)");
    for (int c = 0; c < kFixedRows; ++c)
        out << (p.channelSelected[std::size_t(c)] ? QStringLiteral("1") : QStringLiteral("0"));
    out << QStringLiteral("(トリガ表示位置およびトリガ条件)");
    for (int t = 0; t <= kFixedRows; ++t)
        out << p.triggerText[std::size_t(t)];
    out << QStringLiteral("(カーソルAの位置)") << num(p.cursorA) << QStringLiteral("(カーソルBの位置)") << num(p.cursorB)
        << QStringLiteral("(カーソルCの位置)") << num(p.cursorC) << QStringLiteral("(カーソルDの位置)") << num(p.cursorD);
    out << QStringLiteral("(スクロール)") << num(p.scrollPosition) << num(p.scrollMax) << num(p.firstRow)
        << num(p.rowScrollMax);
    out << QStringLiteral("(データ(波形)があるかどうか)") << (p.hasData ? QStringLiteral("1") : QStringLiteral("0"));
    out << QStringLiteral("(データ)");
    const int s = std::clamp(p.dataCount, 0, kMaxSamples);
    out.reserve(out.size() + 2 * s + 1);
    forEachSampleWord(p.sampleBits, s, [&](std::uint32_t v) { out << hexText(v, 8); });
    if (p.runModeText == QStringLiteral("波形比較")) {
        out << QStringLiteral("(比較エラー)");
        forEachSampleWord(p.compareErrorBits, s, [&](std::uint32_t v) { out << hexText(v, 8); });
    }
}

QStringList spreadsheetLines(const PageState& p)
{
    QStringList out;
    if (p.compressed) {
        const RecordListView list = p.displayRecords();
        const int digits = recordDigits(p.channelCount);
        out.reserve(list.count());
        for (int i = 0; i < list.count(); ++i)
            out << recordLine(list, i, digits, ',');
    } else {
        const int s = std::clamp(p.dataCount, 0, kMaxSamples);
        out.reserve(s);
        forEachSampleWord(p.sampleBits, s, [&](std::uint32_t v) { out << hexText(v, 8); });
    }
    return out;
}

} // namespace

Hex64 ParseHex64(QStringView text)
{
    Hex64 r;
    r.value = parseHex<std::uint64_t>(text, r.error);
    return r;
}

Hex32 ParseHex32(QStringView text)
{
    Hex32 r;
    r.value = parseHex<std::uint32_t>(text, r.error);
    return r;
}

QStringList SplitBySpace(const QString& text, int count)
{
    QStringList out;
    if (count <= 0)
        return out;
    out.reserve(count);
    qsizetype from = 0;
    while (out.size() < count) {
        const qsizetype space = text.indexOf(u' ', from);
        if (space < 0) {
            out << text.mid(from);
            break;
        }
        out << text.mid(from, space - from);
        from = space + 1;
    }
    while (out.size() < count)
        out << out.last();
    return out;
}

void SamplesToRecords(PageState& page, int count, int trigger)
{
    count = std::clamp(count, 0, std::min(kMaxSamples, page.displayList.capacity()));
    int k = 0;
    forEachSampleWord(page.sampleBits, count, [&](std::uint32_t v) {
        page.displayList.set(k, v, 1, k);
        ++k;
    });
    page.displayList.setEnd(count, count);
    page.recCount = count;
    page.sampleCount = count;
    page.recTriggerSample = trigger;
}

bool IsSpreadsheetName(const QString& fileName)
{
    return fileName.endsWith(QStringLiteral(".csv")) || fileName.endsWith(QStringLiteral(".CSV"));
}

QStringList BuildAnalyzerLines(const AnalyzerState& state, int page, QStringList lines, bool spreadsheet)
{
    const PageState& p = state.pages[std::size_t(page)];
    if (spreadsheet)
        return spreadsheetLines(p);
    if (lines.size() > 1 && lines[1] == kVersion54)
        appendVersion54(lines, state, page);
    else
        appendVersion50(lines, state, page);
    return lines;
}

bool WriteAnalyzerFile(AnalyzerState& state, int page, const QStringList& lines, const QString& fileName)
{
    const QStringList out = BuildAnalyzerLines(state, page, lines, IsSpreadsheetName(fileName));
    const TextFileError error = writeCp932Lines(fileName, out);
    if (!error.ok()) {
        state.frontEnd().showError(writeFailureText(error));
        return false;
    }
    return true;
}

} // namespace seiran

#include "capture/Transfer.h"

#include "CommandCodes.h"
#include "capture/SampleDecoding.h"
#include "capture/TransferWorkspace.h"
#include "render/PageView.h"
#include "render/WaveMapping.h"
#include "core/AnalyzerState.h"
#include "view/PageTime.h"
#include "view/Pages.h"

#include <algorithm>
#include <array>
#include <span>

namespace seiran {

namespace {

constexpr int kBlockBytes = 2048;             // one 0x33 read
constexpr int kBlockWords = kBlockBytes / 4;
constexpr int kEntryBytes = 8;                // one 0x31 entry of a newer instrument
constexpr int kPacketBytes = 64;              // one 0x31 read of an older instrument
constexpr int kPacketWords = kPacketBytes / 4;
constexpr int kEntriesPerUnit = 8;
constexpr int kHeadReads = 8;
constexpr int kTrimBlockDiscards = 8;
constexpr int kUnitsPerNewerBlock = 16;
constexpr int kUnitsPerVersionTwoBlock = 32;

constexpr std::uint32_t kHeadEndCompressed = 0x80;  // status bit: no more head entries
constexpr std::uint32_t kTriggerFound = 0x80000000u; // pointer word 1
constexpr std::uint32_t kP2Bits = 0x00FFFFFFu;
constexpr std::uint32_t kTrimBlockP2Offset = 16;

// Progress lines appear on memories larger than these.
constexpr int kLargeMemory = 256000;
constexpr int kLargeRemoteMemory = 32000;

const QString kTransferStarted = QStringLiteral(" データ転送中です。");
const QString kTransferProgress = QStringLiteral(" データ転送 ");
const QString kTransferDone = QStringLiteral(" データ転送 100％");
const QString kNoData = QStringLiteral("データがありません。");

// ---- unit count

enum class Trim { Any, Both, BlockOnly, One };

struct UnitRow {
    int firstType, lastType;
    bool builtInOnly;
    Trim trim;
    int add, divisor; // U = (dataCount + add) div divisor
};

// First matching row wins; no match: dataCount div 8.
constexpr UnitRow kUnitRows[] = {
    {10, 15, false, Trim::Both, 130, 64},
    {10, 15, false, Trim::BlockOnly, 129, 32},
    {10, 15, false, Trim::Any, 0, 8},
    {6, 6, true, Trim::Any, 0, 16},
    {9, 9, true, Trim::Any, 0, 16},
    {7, 8, true, Trim::Both, 130, 64},
    {7, 8, true, Trim::BlockOnly, 129, 32},
    {5, 5, true, Trim::One, 1, 16},
};

bool trimMatches(Trim trim, const ModuleInfo& m)
{
    switch (trim) {
    case Trim::Both: return m.ModuleTrimBlock && m.ModuleTrimOne;
    case Trim::BlockOnly: return m.ModuleTrimBlock && !m.ModuleTrimOne;
    case Trim::One: return m.ModuleTrimOne;
    case Trim::Any: return true;
    }
    return false;
}

int unitCount(int deviceType, bool builtIn, const ModuleInfo& m, int dataCount)
{
    const int dc = std::max(dataCount, 0);
    for (const UnitRow& row : kUnitRows) {
        if (deviceType >= row.firstType && deviceType <= row.lastType && (builtIn || !row.builtInOnly)
            && trimMatches(row.trim, m))
            return (dc + row.add) / row.divisor;
    }
    return dc / 8;
}

// ---- read paths

enum class ReadPath { BuiltInNewer, VersionTwo, VersionOne, Packets };

ReadPath readPathFor(int deviceType, bool builtIn, int firmwareLevel)
{
    if (deviceType >= 10)
        return builtIn ? ReadPath::BuiltInNewer : ReadPath::Packets;
    if (deviceType >= 6 && deviceType <= 9) {
        if (firmwareLevel >= 2)
            return ReadPath::VersionTwo;
        return builtIn ? ReadPath::VersionOne : ReadPath::Packets;
    }
    return ReadPath::Packets;
}

struct ProgressRule {
    bool lines = false;     // the 10 % lines in the block loop
    bool finalLine = false; // the 100 % line after it
};

ProgressRule progressRule(ReadPath path, const DeviceState& device, int dataCount)
{
    const int v = device.FirmwareLevel();
    const bool large = dataCount > kLargeMemory;
    const bool remoteLarge = device.isRemote() && dataCount > kLargeRemoteMemory;
    const bool versionFinal = large || (v == 1 && dataCount > kLargeRemoteMemory) || remoteLarge;
    switch (path) {
    case ReadPath::BuiltInNewer: {
        const bool due = (v == 1 && large) || (v >= 2 && large && !device.AltTransferMode) || remoteLarge;
        return {due, due};
    }
    case ReadPath::VersionTwo: return {large || remoteLarge, versionFinal};
    case ReadPath::VersionOne: return {true, versionFinal};
    case ReadPath::Packets: return {};
    }
    return {};
}

// The progress lines of a block loop: each replaces the line before it.
class ProgressLines {
public:
    ProgressLines(MessageLog& log, const QString& caption, int blocks, ProgressRule rule)
        : m_log(log)
        , m_caption(caption)
        , m_last(blocks - 1)
        , m_step(m_last / 10 + 1)
        , m_threshold(m_step)
        , m_rule(rule)
    {
    }

    void beforeBlock(int b)
    {
        if (!m_rule.lines || b <= m_threshold || m_last <= 0)
            return;
        m_log.deleteLastLines(1);
        m_log.AddMessage(m_caption + kTransferProgress + QString::number(b * 10 / m_last) + QStringLiteral("0％"));
        m_threshold += m_step;
    }

    void finish()
    {
        if (!m_rule.finalLine)
            return;
        m_log.deleteLastLines(1);
        m_log.AddMessage(m_caption + kTransferDone);
    }

private:
    MessageLog& m_log;
    const QString& m_caption;
    int m_last;
    int m_step;
    int m_threshold;
    ProgressRule m_rule;
};

std::uint64_t pairWord(std::uint32_t low, std::uint32_t high)
{
    return std::uint64_t(low) | std::uint64_t(high) << 32;
}

// One transfer: the page, its module and where the entries go. Placements beyond the
// workspace are dropped, whatever the unit count asked for.
class MemoryReader {
public:
    MemoryReader(AnalyzerState& state, TransferWorkspace& workspace, int page)
        : m_state(state)
        , m_page(state.pages[std::size_t(page)])
        , m_module(m_page.PageModule)
        , m_info(state.instrument.module(m_page.PageModule))
        , m_builtIn(m_page.PageModule >= kFirstBuiltInSlot)
        , m_compressed(m_info.ModuleCompressed)
        , m_wide(m_page.channelCount == 64)
        , m_caption(PageCaption(page))
        , m_values(workspace.rawValue())
        , m_counts(workspace.rawCount())
        , m_samples(workspace.workPlanesA())
        , m_failuresBefore(state.commands.failureCount())
    {
    }

    bool compressed() const { return m_compressed; }
    // Whether a read since the reader was made did not reach the instrument.
    bool failed() const
    {
        return m_state.commands.failureCount() != m_failuresBefore || m_state.device.InterfaceError;
    }
    const QString& caption() const { return m_caption; }

    // What comes before the memory: on compressed modules the discarded entries of trimmed ones
    // and the pointer word; on every ModuleTrimBlock module command 0x29.
    CompressedCapture preRead()
    {
        const int type = m_state.device.DeviceType;
        CompressedCapture capture;
        capture.entries = m_page.dataCount;
        capture.trimBlock = m_info.ModuleTrimBlock;
        if (m_compressed) {
            if (type >= 10 && m_info.ModuleTrimBlock) {
                std::array<std::uint32_t, 2> discarded{};
                for (int i = 0; i < kTrimBlockDiscards; ++i)
                    if (!receive(cmd::kCapturedEntries, kEntryBytes, discarded))
                        return capture;
            }
            // Older instruments with early firmware keep no pointer word: no trigger then.
            if (!(type >= 6 && type <= 9 && m_state.device.FirmwareLevel() <= 2)) {
                std::array<std::uint32_t, 2> pointer{};
                if (!receive(cmd::kPointerWord, 8, pointer))
                    return capture;
                capture.triggerFound = (pointer[1] & kTriggerFound) != 0;
                capture.p1 = pointer[0];
                capture.p2 = (pointer[1] & kP2Bits) + (m_info.ModuleTrimBlock ? kTrimBlockP2Offset : 0);
            }
        }
        if (m_info.ModuleTrimBlock) {
            const std::array<std::uint32_t, 2> zero{};
            m_state.commands.SendCommand(m_module, cmd::kPrepareTrimmedRead, 8, zero);
        }
        return capture;
    }

    // Entries not delivered read as invalid records or L samples, never as a previous capture.
    void clearWorkspace()
    {
        if (m_compressed) {
            const std::size_t n = std::size_t(std::clamp(m_page.dataCount, 0, TransferWorkspace::kRawEntries));
            std::fill_n(m_counts.begin(), n, 0U);
        } else {
            std::fill(m_samples.begin(), m_samples.end(), 0U);
        }
    }

    void readMemory()
    {
        if (failed())
            return;
        const DeviceState& device = m_state.device;
        const ReadPath path = readPathFor(device.DeviceType, m_builtIn, device.FirmwareLevel());
        const int units = unitCount(device.DeviceType, m_builtIn, m_info, m_page.dataCount);
        const ProgressRule rule = progressRule(path, device, m_page.dataCount);
        switch (path) {
        case ReadPath::BuiltInNewer: readBuiltInNewer(units, rule); break;
        case ReadPath::VersionTwo: readVersionTwo(units, rule); break;
        case ReadPath::VersionOne: readVersionOne(units, rule); break;
        case ReadPath::Packets: ReadPackets(units); break;
        }
    }

private:
    // False once any read has failed: the loops stop there instead of waiting out a time-out for
    // every block of a memory that can no longer arrive.
    bool receive(int code, int bytes, std::span<std::uint32_t> dest)
    {
        m_state.commands.ReceiveData(m_module, code, bytes, dest);
        return !failed();
    }

    void putSample(std::size_t i, std::uint64_t word)
    {
        if (i < m_samples.size())
            m_samples[i] = word;
    }
    void putRecord(std::size_t i, std::uint64_t value, std::uint32_t count)
    {
        if (i < m_counts.size()) {
            m_values[i] = value;
            m_counts[i] = count;
        }
    }
    void putPacked(std::size_t i, std::uint32_t record)
    {
        putRecord(i, packedRecordValue(record), packedRecordCount(record));
    }

    // Word j of the block goes to entry `base` + j: packed records or 32-channel sample words.
    void placeWords(std::size_t base, std::span<const std::uint32_t> words)
    {
        for (std::size_t j = 0; j < words.size(); ++j) {
            if (m_compressed)
                putPacked(base + j, words[j]);
            else
                putSample(base + j, words[j]);
        }
    }

    void readBuiltInNewer(int units, ProgressRule rule)
    {
        // Head entries: what the module still held back when the capture ended.
        int head = 0;
        for (int h = 0; h < kHeadReads; ++h) {
            std::array<std::uint32_t, 2> status{};
            if (!receive(cmd::kModuleStatus, 8, status))
                return;
            const bool end = m_compressed ? (status[0] & kHeadEndCompressed) != 0 : ((status[0] >> 8) & 7U) == 0;
            if (end)
                break;
            std::array<std::uint32_t, 2> entry{};
            if (!receive(cmd::kCapturedEntries, kEntryBytes, entry))
                return;
            if (m_compressed) {
                putPacked(std::size_t(2 * head), entry[0]);
                putPacked(std::size_t(2 * head + 1), entry[1]);
            } else {
                putSample(std::size_t(head), pairWord(entry[0], entry[1]));
            }
            ++head;
        }

        const int blocks = units / kUnitsPerNewerBlock;
        ProgressLines progress(m_state.log, m_caption, blocks, rule);
        std::array<std::uint32_t, kBlockWords> block{};
        for (int b = 0; b < blocks; ++b) {
            progress.beforeBlock(b);
            if (!receive(cmd::kMemoryBlock, kBlockBytes, block))
                return;
            if (m_compressed) {
                placeWords(std::size_t(kBlockWords) * std::size_t(b) + std::size_t(2 * head), block);
            } else {
                const std::size_t base = std::size_t(kBlockWords / 2) * std::size_t(b) + std::size_t(head);
                for (std::size_t j = 0; j < kBlockWords / 2; ++j)
                    putSample(base + j, pairWord(block[2 * j], block[2 * j + 1]));
            }
        }
        progress.finish();
    }

    void readVersionTwo(int units, ProgressRule rule)
    {
        const int blocks = (units - 1) / kUnitsPerVersionTwoBlock + 1;
        ProgressLines progress(m_state.log, m_caption, blocks, rule);
        std::array<std::uint32_t, kBlockWords> block{};
        for (int b = 0; b < blocks; ++b) {
            progress.beforeBlock(b);
            const std::size_t pairs = std::size_t(b) * (kBlockWords / 2);
            if (m_builtIn) {
                if (!receive(cmd::kMemoryBlock, kBlockBytes, block))
                    return;
                placeWords(std::size_t(b) * kBlockWords, block);
            } else if (m_compressed && m_wide) {
                for (std::size_t half = 0; half < 2; ++half) {
                    if (!receive(cmd::kMemoryBlock, kBlockBytes, block))
                        return;
                    const std::size_t base = pairs + half * (kBlockWords / 4);
                    for (std::size_t j = 0; j < kBlockWords / 4; ++j)
                        putRecord(base + j, pairWord(block[4 * j], block[4 * j + 1]), block[4 * j + 2]);
                }
            } else {
                if (!receive(cmd::kMemoryBlock, kBlockBytes, block))
                    return;
                for (std::size_t j = 0; j < kBlockWords / 2; ++j) {
                    if (m_compressed)
                        putRecord(pairs + j, block[2 * j], block[2 * j + 1]);
                    else
                        putSample(pairs + j, block[2 * j]);
                }
            }
        }
        progress.finish();
    }

    void readVersionOne(int units, ProgressRule rule)
    {
        ProgressLines progress(m_state.log, m_caption, units, rule);
        std::array<std::uint32_t, kPacketWords> packet{};
        for (int u = 0; u < units; ++u) {
            progress.beforeBlock(u);
            if (!receive(cmd::kCapturedEntries, kPacketBytes, packet))
                return;
            placeWords(std::size_t(u) * kPacketWords, packet);
        }
        progress.finish();
    }

    // Eight entries a unit, read entry by entry (newer instruments) or eight at once.
    void ReadPackets(int units)
    {
        const bool newer = m_state.device.DeviceType >= 10;
        const bool quads = m_compressed && m_wide;
        for (int u = 0; u < units; ++u) {
            const std::size_t first = std::size_t(u) * kEntriesPerUnit;
            if (newer) {
                for (std::size_t e = 0; e < kEntriesPerUnit; ++e) {
                    std::array<std::uint32_t, 2> entry{};
                    if (!receive(cmd::kCapturedEntries, kEntryBytes, entry))
                        return;
                    if (quads) {
                        std::array<std::uint32_t, 2> countEntry{};
                        if (!receive(cmd::kCapturedEntries, kEntryBytes, countEntry))
                            return;
                        putRecord(first + e, pairWord(entry[0], entry[1]), countEntry[0]);
                    } else {
                        placeEntry(first + e, entry[0], entry[1]);
                    }
                }
            } else if (quads) {
                std::array<std::uint32_t, kPacketWords> packet{};
                for (std::size_t half = 0; half < 2; ++half) {
                    if (!receive(cmd::kCapturedEntries, kPacketBytes, packet))
                        return;
                    for (std::size_t q = 0; q < 4; ++q)
                        putRecord(first + 4 * half + q, pairWord(packet[4 * q], packet[4 * q + 1]), packet[4 * q + 2]);
                }
            } else {
                std::array<std::uint32_t, kPacketWords> packet{};
                if (!receive(cmd::kCapturedEntries, kPacketBytes, packet))
                    return;
                for (std::size_t e = 0; e < kEntriesPerUnit; ++e)
                    placeEntry(first + e, packet[2 * e], packet[2 * e + 1]);
            }
        }
    }

    // A two-word entry: a record pair, or a 32-channel sample word and a word not used.
    void placeEntry(std::size_t i, std::uint32_t first, std::uint32_t second)
    {
        if (m_compressed)
            putRecord(i, first, second);
        else
            putSample(i, first);
    }

    AnalyzerState& m_state;
    PageState& m_page;
    int m_module;
    const ModuleInfo& m_info;
    bool m_builtIn;
    bool m_compressed;
    bool m_wide;
    QString m_caption;
    std::span<std::uint64_t> m_values;
    std::span<std::uint32_t> m_counts;
    std::span<std::uint64_t> m_samples;
    std::uint32_t m_failuresBefore;
};

// ---- the page after the transfer

// Where the trigger sample lands in a bit-plane capture, by the position the page asked for.
// Modules of version 5.3 and 5.4 take any other text as the right edge, the others as the left.
int bitPlaneTriggerPosition(const PageState& page, const ModuleInfo& m)
{
    if (m.ModuleSamplingEnable || m.ModuleEdgeSampling)
        return 0; // the capture just fills the memory
    enum Edge { Left, Centre, Right };
    struct Row {
        const char16_t* text;
        Edge edge;
    };
    static constexpr Row kRows[] = {{u"左", Left}, {u"中央", Centre}, {u"右", Right}};
    Edge edge = m.wantsRandomStartWord() ? Right : Left;
    for (const Row& row : kRows)
        if (page.triggerText[0] == QStringView(row.text))
            edge = row.edge;
    const int dc = std::max(page.dataCount, 0);
    switch (edge) {
    case Left: return 0;
    case Centre: return dc / 2;
    case Right: return std::max(dc - 1, 0);
    }
    return 0;
}

void finishCompressedPage(AnalyzerState& state, PageState& page, int pageIndex)
{
    MeasureTime(page, state.intervalText(pageIndex));
    for (std::int32_t* cursor : {&page.cursorA, &page.cursorB, &page.cursorC, &page.cursorD})
        *cursor = std::min(*cursor, page.sampleCount);
    // A new capture is shown at the place the last one was.
    ScrollToSample(page, state.pageViews[std::size_t(pageIndex)], std::int64_t(page.centreSample) + page.recTriggerSample);
}

} // namespace

bool TransferCapture(AnalyzerState& state, int page, std::uint32_t statusWord)
{
    return TransferCapture(state, state.transferWorkspace, page, statusWord);
}

bool TransferCapture(AnalyzerState& state, TransferWorkspace& workspace, int page, std::uint32_t statusWord)
{
    if (!IsAnalyzerPage(page))
        return false;
    PageState& p = state.pages[std::size_t(page)];
    MemoryReader reader(state, workspace, page);
    state.log.AddMessage(reader.caption() + kTransferStarted);
    p.hasCompareResult = false;
    // The samples the whole-data view was laid out for are being replaced.
    ClearWholeViewCaches(state.pageViews[std::size_t(page)]);

    const CompressedCapture capture = reader.preRead();
    reader.clearWorkspace();
    reader.readMemory();
    if (reader.failed()) {
        // Whatever arrived is not the capture: the page shows none rather than a part of it, or
        // zeros where the rest should be.
        state.log.AddMessage(reader.caption() + QString::fromUtf16(kTransferFailedText));
        p.hasData = false;
        return false;
    }

    const ModuleInfo& m = state.instrument.module(p.PageModule);
    if (reader.compressed()) {
        if (!DecodeCompressedCapture(workspace, p, capture)) {
            state.log.AddMessage(kNoData);
            p.hasData = false;
            return true;
        }
        finishCompressedPage(state, p, page);
    } else {
        BitPlaneCapture layout;
        layout.channelCount = p.channelCount;
        layout.dataCount = p.dataCount;
        layout.trimOne = m.ModuleTrimOne;
        layout.trimBlock = m.ModuleTrimBlock;
        layout.status = statusWord;
        layout.keepEnabledSamples = m.ModuleSamplingEnable || m.ModuleEdgeSampling;
        layout.startUpShift = StartUpShift(state.device.DeviceType, state.instrument.HardwareMode, false, p.dataCount);
        AssembleBitPlanes(workspace, p.sampleBits, layout);
        p.triggerPosition = bitPlaneTriggerPosition(p, m);
    }
    p.hasData = true;
    return true;
}

} // namespace seiran

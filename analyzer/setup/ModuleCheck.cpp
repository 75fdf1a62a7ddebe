#include "ModuleCheck.h"

#include "CommandCodes.h"
#include "MessageLog.h"
#include "core/AnalyzerState.h"

#include <array>

namespace seiran {

namespace {

const QString kNoModuleFound = QStringLiteral("モジュールが見つかりません。");
const QString kBadChannelCount = QStringLiteral("チャンネル数が異常です。");
const QString kBadDataCount = QStringLiteral("データ数が異常です。");
const QString kHardwareOk = QStringLiteral("ハードウェアは正常です。");

constexpr int kLoopbackGeneratorSlot = 9;

int bits(std::uint32_t word, int high, int low)
{
    return int((word >> low) & ((1u << (high - low + 1)) - 1));
}

bool bit(std::uint32_t word, int n)
{
    return ((word >> n) & 1u) != 0;
}

std::uint32_t readWord(AnalyzerState& state, int slot, int code, int byteCount, int wordIndex)
{
    std::array<std::uint32_t, 2> answer{};
    state.commands.ReceiveData(slot, code, byteCount, answer);
    return answer[std::size_t(wordIndex)];
}

// Analyzer channel codes 3 to 6 and generator codes 3 and 4 give 2^code channels.
int channelsOf(int code, int highestCode)
{
    return code >= 3 && code <= highestCode ? 1 << code : 0;
}

// Samples per channel of a bit-plane analyzer module, by depth code and trim flags.
int bitPlaneDataCount(const ModuleInfo& m)
{
    struct Row { bool trimOne, trimBlock; int depthCode, dataCount; };
    static constexpr Row kRows[] = {
        {true, true, 15, 32638}, {true, true, 18, 262014},
        {false, true, 15, 32639}, {false, true, 18, 262015},
        {true, false, 9, 511}, {true, false, 10, 1023}, {true, false, 11, 2047},
        {false, false, 9, 512}, {false, false, 10, 1024}, {false, false, 11, 2048},
    };
    for (const Row& r : kRows)
        if (r.trimOne == m.ModuleTrimOne && r.trimBlock == m.ModuleTrimBlock && r.depthCode == m.ModuleDepthCode)
            return r.dataCount;
    return 0;
}

int compressedDataCount(int depthCode)
{
    switch (depthCode) {
    case 10: return 1024;
    case 12: return 4096;
    case 18: return 262144;
    default: return 0;
    }
}

int generatorDataCount(int depthCode, int depthLimit)
{
    switch (depthCode) {
    case 8: return 256;
    case 10: return depthLimit;
    case 15: return 32768;
    default: return 0;
    }
}

bool anyKnownModuleKind(const ModuleTable& modules)
{
    for (const ModuleInfo& m : modules)
        if (m.ModuleKind >= 3 && m.ModuleKind <= 5)
            return true;
    return false;
}

struct PageTables {
    std::array<int, 8> pageModule{};
    int analyzers = 0;
    int generators = 0;
};

PageTables buildPageTables(const ModuleTable& modules)
{
    PageTables tables;
    for (int slot = 0; slot < kModuleSlots; ++slot) {
        const ModuleInfo& m = modules[std::size_t(slot)];
        if (m.isAnalyzer() && tables.analyzers < kAnalyzerPageCount)
            tables.pageModule[std::size_t(tables.analyzers++)] = slot;
        else if (m.isGenerator() && tables.generators < kGeneratorPageCount)
            tables.pageModule[std::size_t(kFirstGeneratorPage + tables.generators++)] = slot;
    }
    return tables;
}

bool failCheck(AnalyzerState& state, const QString& message)
{
    state.instrument.NoModule = true;
    state.log.AddMessage(message);
    return false;
}

bool setAnalyzerPage(AnalyzerState& state, int page, const ModuleInfo& m)
{
    PageState& p = state.pages[std::size_t(page)];
    p.channelCount = channelsOf(m.ModuleChannelCode, 6);
    if (p.channelCount == 0)
        return failCheck(state, kBadChannelCount);
    p.dataCount = m.ModuleCompressed ? compressedDataCount(m.ModuleDepthCode) : bitPlaneDataCount(m);
    // The record counts of a compressed page follow from dataCount when the page is set to its
    // defaults right after the check.
    if (p.dataCount == 0)
        return failCheck(state, kBadDataCount);
    return true;
}

bool setGeneratorPage(AnalyzerState& state, int page, ModuleInfo& m)
{
    PageState& p = state.pages[std::size_t(page)];
    p.channelCount = channelsOf(m.ModuleChannelCode, 4);
    if (p.channelCount == 0)
        return failCheck(state, kBadChannelCount);
    p.dataCount = generatorDataCount(m.ModuleDepthCode, state.instrument.generatorDepthLimit);
    if (p.dataCount == 0)
        return failCheck(state, kBadDataCount);
    p.GenDataCount = p.dataCount;
    // Generators of version 4.4 and 4.6 play ranges even when they do not say so.
    if (!m.ModuleRangeMode && m.ModuleKind == 4 && (m.ModuleSubKind == 4 || m.ModuleSubKind == 6))
        m.ModuleRangeMode = true;
    return true;
}

} // namespace

bool announcesNewLayout(std::uint32_t oldLayoutWord)
{
    return bits(oldLayoutWord, 11, 4) >= 0x52;
}

ModuleInfo decodePropertyWord(std::uint32_t word, bool newLayout, bool userSlot)
{
    ModuleInfo m;
    m.ModuleProperty = word;
    m.newLayout = newLayout;
    if (newLayout) {
        m.function = ModuleFunction(bits(word, 31, 28) <= 2 ? bits(word, 31, 28) : 0);
        m.ModuleChannelCode = bits(word, 27, 24);
        m.ModuleDepthCode = bits(word, 23, 16);
        m.ModuleTrimOne = bit(word, 15);
        m.ModuleTrimBlock = bit(word, 14);
        m.ModuleSamplingEnable = bit(word, 13);
        m.ModuleEdgeSampling = bit(word, 12);
        m.ModuleRangeMode = bit(word, 11);
        m.ModuleCompressed = bit(word, 10);
        if (userSlot)
            m.ModuleBankCount = 1 << bits(word, 9, 8);
        m.ModuleKind = bits(word, 7, 4);
        m.ModuleSubKind = bits(word, 3, 0);
        return m;
    }
    m.function = ModuleFunction(bits(word, 15, 12) <= 2 ? bits(word, 15, 12) : 0);
    if (m.isGenerator()) {
        m.ModuleChannelCode = bits(word, 23, 20);
        m.ModuleDepthCode = bits(word, 19, 16);
    } else {
        m.ModuleChannelCode = bits(word, 31, 28);
        m.ModuleDepthCode = bits(word, 27, 24);
    }
    m.ModuleTrimOne = bit(word, 3);
    m.ModuleSamplingEnable = bit(word, 2);
    m.ModuleEdgeSampling = bit(word, 1);
    m.ModuleRangeMode = bit(word, 0);
    m.ModuleKind = bits(word, 11, 8);
    m.ModuleSubKind = bits(word, 7, 4);
    return m;
}

void ReadModuleProperties(AnalyzerState& state)
{
    const int type = state.device.DeviceType;
    const QString& mode = state.instrument.HardwareMode;
    const bool generatorOnly = mode == QStringLiteral("信号発生 16ch 1Kbit");
    std::array<std::uint32_t, kModuleSlots> words{};
    std::array<bool, kModuleSlots> newLayout{};

    if (state.device.isRemote()) {
        state.commands.ReceiveData(cmd::kSystemModule, cmd::kAllModuleProperty, 64, words);
        if (type == 13 && mode != kModeLoopBackTest)
            words[generatorOnly ? 8 : 9] = 0;
    } else {
        for (int slot = 0; slot < kFirstBuiltInSlot; ++slot) {
            words[std::size_t(slot)] = readWord(state, slot, cmd::kModuleStatus, 8, 1);
            if (announcesNewLayout(words[std::size_t(slot)])) {
                newLayout[std::size_t(slot)] = true;
                words[std::size_t(slot)] = readWord(state, slot, cmd::kModuleProperty, 8, 0);
            }
        }
        for (int slot : {8, 9}) {
            bool read = true;
            if (type == 13 && mode != kModeLoopBackTest)
                read = slot == (generatorOnly ? kLoopbackGeneratorSlot : 8);
            if (!read)
                continue;
            if (type >= 10 && type <= 13)
                words[std::size_t(slot)] = readWord(state, slot, cmd::kModuleProperty, 8, 0);
            else if (type >= 6 && type <= 9)
                words[std::size_t(slot)] = readWord(state, slot, cmd::kModuleProperty, 4, 0);
            else
                words[std::size_t(slot)] = readWord(state, slot, cmd::kModuleStatus, 8, 1);
        }
    }

    for (int slot = 0; slot < kModuleSlots; ++slot) {
        const bool builtIn = slot >= kFirstBuiltInSlot;
        const bool useNew = (builtIn && type >= 6 && type <= 13) || newLayout[std::size_t(slot)];
        state.instrument.modules[std::size_t(slot)] = decodePropertyWord(words[std::size_t(slot)], useNew, !builtIn);
    }
}

void CheckModules(AnalyzerState& state)
{
    InstrumentState& inst = state.instrument;
    ReadModuleProperties(state);
    inst.NoModule = !anyKnownModuleKind(inst.modules);
    PageTables tables = buildPageTables(inst.modules);
    if (tables.analyzers + tables.generators == 0)
        inst.NoModule = true;

    if (inst.NoModule) {
        // One more look after resetting the FPGA.
        if (state.device.isNewerGeneration()) {
            state.commands.WriteVendorOrRemote(vendor::kFpgaReset, 0);
            state.clock().wait(2);
            state.device.CommandSequence = 0;
        }
        ReadModuleProperties(state);
        tables = buildPageTables(inst.modules);
        inst.NoModule = !anyKnownModuleKind(inst.modules) || tables.analyzers + tables.generators == 0;
        if (inst.NoModule) {
            state.log.AddMessage(kNoModuleFound);
            return;
        }
    }

    inst.AnalyzerPageCount = tables.analyzers;
    inst.GeneratorPageCount = tables.generators;
    for (int page = 0; page < 8; ++page)
        state.pages[std::size_t(page)].PageModule = tables.pageModule[std::size_t(page)];

    for (int page = 0; page < kAnalyzerPageCount; ++page) {
        PageState& p = state.pages[std::size_t(page)];
        if (page >= tables.analyzers) {
            p.channelCount = 0;
            p.dataCount = 0;
        } else if (!setAnalyzerPage(state, page, inst.modules[std::size_t(p.PageModule)])) {
            return;
        }
    }
    for (int k = 0; k < kGeneratorPageCount; ++k) {
        const int page = kFirstGeneratorPage + k;
        PageState& p = state.pages[std::size_t(page)];
        if (k >= tables.generators) {
            p.channelCount = 0;
            p.dataCount = 0;
            p.GenDataCount = 0;
        } else if (!setGeneratorPage(state, page, inst.modules[std::size_t(p.PageModule)])) {
            return;
        }
    }
    state.log.AddMessage(kHardwareOk);
}

} // namespace seiran

#include "SimConfigurations.h"

#include <initializer_list>

namespace seiran::sim {

namespace {

using F = ModuleFunction;

constexpr ModuleDescriptor analyzer(int channelCode, int depthCode, unsigned flags, int kind, int subKind,
                              int bankCount = 1)
{
    return {F::Analyzer, channelCode, depthCode, flags, bankCount, kind, subKind};
}

constexpr ModuleDescriptor generator(int channelCode, int depthCode, unsigned flags, int kind, int subKind)
{
    return {F::Generator, channelCode, depthCode, flags, 1, kind, subKind};
}

constexpr SlotEntry analyzerSlot(ModuleDescriptor module) { return {8, PropertyLayout::Old, module}; }
constexpr SlotEntry generatorSlot(ModuleDescriptor module) { return {9, PropertyLayout::Old, module}; }
constexpr SlotEntry userSlot(int slot, PropertyLayout layout, ModuleDescriptor module) { return {slot, layout, module}; }

constexpr std::uint16_t types(std::initializer_list<int> list)
{
    std::uint16_t mask = 0;
    for (int t : list)
        mask = std::uint16_t(mask | 1u << t);
    return mask;
}

// Channel codes: 3 = 8, 4 = 16, 5 = 32 channels. Depth codes: 8 = 256, 10 = 1K, 11 = 2K,
// 15 = 32K, 18 = 256K samples.
constexpr unsigned kTrims = kTrimOne | kTrimBlock;

// TK-A family (old layout, read with 0x30): 1K/2K analyzers, 256-cell generators.
constexpr ModuleDescriptor kA_Ana8_1K = analyzer(3, 10, 0, 3, 1);
constexpr ModuleDescriptor kA_Ana8_2K = analyzer(3, 11, 0, 3, 1);
constexpr ModuleDescriptor kA_Ana8_2K_Fast = analyzer(3, 11, kTrimOne, 3, 2);
constexpr ModuleDescriptor kA_Ana16_1K = analyzer(4, 10, 0, 3, 1);
constexpr ModuleDescriptor kA_Ana16_1K_Fast = analyzer(4, 10, kTrimOne, 3, 2);
constexpr ModuleDescriptor kA_Gen8 = generator(3, 8, 0, 3, 0);
constexpr ModuleDescriptor kA_Gen16 = generator(4, 8, 0, 3, 0);
// TK-A3's generator of version 4.6 plays ranges although its range bit is clear.
constexpr ModuleDescriptor kA3_Gen8_V46 = generator(3, 8, 0, 4, 6);

// TK-B1 and TK-B2: 1K/2K analyzers, generators at the generator depth limit.
constexpr ModuleDescriptor kB1_Ana16_1K = analyzer(4, 10, 0, 4, 0);
constexpr ModuleDescriptor kB1_Ana8_2K = analyzer(3, 11, 0, 4, 0);
constexpr ModuleDescriptor kB1_Gen8 = generator(3, 10, 0, 4, 0);
constexpr ModuleDescriptor kB2_Ana16_1K = analyzer(4, 10, kTrimOne, 4, 1);
constexpr ModuleDescriptor kB2_Ana8_2K = analyzer(3, 11, kTrimOne, 4, 1);
constexpr ModuleDescriptor kB2_Gen8 = generator(3, 10, 0, 4, 1);

// TK-B3 (version 4.2, both trims) and TK-B4 (version 5.0, block trim only). The external clock
// modes sample on channel 0; the generator mode has a 32K generator and a small 5.3/5.4 analyzer.
constexpr ModuleDescriptor kB3_Ana8_32K = analyzer(3, 15, kTrims, 4, 2);
constexpr ModuleDescriptor kB3_Ana8_256K = analyzer(3, 18, kTrims, 4, 2);
// Both trims interleave four banks of channels; with 16 channels on the 32-bit memory of the
// TK-B3, and with 32 channels on the TK-C4, four banks do not fit, so those modes trim the block only.
constexpr ModuleDescriptor kB3_Ana16_32K = analyzer(4, 15, kTrimBlock, 4, 2);
constexpr ModuleDescriptor kB3_Ana16_256K = analyzer(4, 18, kTrimBlock, 4, 2);
constexpr ModuleDescriptor kB3_Ext16_32K = analyzer(4, 15, kTrimBlock | kEdgeSampling, 4, 3);
constexpr ModuleDescriptor kB3_Ext16_256K = analyzer(4, 18, kTrimBlock | kEdgeSampling, 4, 3);
constexpr ModuleDescriptor kB3_GenModeAna = analyzer(4, 10, 0, 5, 3);
constexpr ModuleDescriptor kB3_Gen8 = generator(3, 10, 0, 4, 2);
constexpr ModuleDescriptor kB3_Gen8_32K = generator(3, 15, 0, 4, 3);
constexpr ModuleDescriptor kB4_Ana8_32K = analyzer(3, 15, kTrimBlock, 5, 0);
constexpr ModuleDescriptor kB4_Ana8_256K = analyzer(3, 18, kTrimBlock, 5, 0);
constexpr ModuleDescriptor kB4_Ana16_32K = analyzer(4, 15, kTrimBlock, 5, 0);
constexpr ModuleDescriptor kB4_Ana16_256K = analyzer(4, 18, kTrimBlock, 5, 0);
constexpr ModuleDescriptor kB4_Ext16_32K = analyzer(4, 15, kTrimBlock | kEdgeSampling, 5, 1);
constexpr ModuleDescriptor kB4_Ext16_256K = analyzer(4, 18, kTrimBlock | kEdgeSampling, 5, 1);
constexpr ModuleDescriptor kB4_GenModeAna = analyzer(4, 10, kTrimOne, 5, 4);
constexpr ModuleDescriptor kB4_Gen8 = generator(3, 10, 0, 5, 0);
constexpr ModuleDescriptor kB4_Gen8_32K = generator(3, 15, 0, 5, 0);

// TK-C2 (analyzers 5.1, block trim), TK-C4/TK-C3 (5.2, both trims), TK-C1 (5.2, block trim).
// "ｸﾛｯｸ倍率x2" modes qualify samples with channel 0; the 232C analyzers are 5.3/5.4 designs.
constexpr ModuleDescriptor kC2_Ana16_32K = analyzer(4, 15, kTrimBlock, 5, 1);
constexpr ModuleDescriptor kC2_Ana16_256K = analyzer(4, 18, kTrimBlock, 5, 1);
constexpr ModuleDescriptor kC2_Ana32_32K = analyzer(5, 15, kTrimBlock, 5, 1);
constexpr ModuleDescriptor kC2_Ana32_256K = analyzer(5, 18, kTrimBlock, 5, 1);
constexpr ModuleDescriptor kC2_Compressed = analyzer(4, 18, kCompressed, 5, 1);
constexpr ModuleDescriptor kC2_Rs232 = analyzer(3, 18, kTrimBlock, 5, 4);
constexpr ModuleDescriptor kC2_Pll16_32K = analyzer(4, 15, kTrimBlock | kSamplingEnable, 5, 1);
constexpr ModuleDescriptor kC2_Pll16_256K = analyzer(4, 18, kTrimBlock | kSamplingEnable, 5, 1);
constexpr ModuleDescriptor kC2_Gen16 = generator(4, 10, 0, 5, 0);
constexpr ModuleDescriptor kC4_Ana16_32K = analyzer(4, 15, kTrims, 5, 2);
constexpr ModuleDescriptor kC4_Ana16_256K = analyzer(4, 18, kTrims, 5, 2);
constexpr ModuleDescriptor kC4_Ana32_32K = analyzer(5, 15, kTrimBlock, 5, 2);
constexpr ModuleDescriptor kC4_Ana32_256K = analyzer(5, 18, kTrimBlock, 5, 2);
constexpr ModuleDescriptor kC4_Compressed = analyzer(4, 18, kCompressed | kTrimBlock, 5, 2);
constexpr ModuleDescriptor kC4_Rs232 = analyzer(3, 18, kTrims, 5, 3);
constexpr ModuleDescriptor kC4_Pll16_32K = analyzer(4, 15, kTrims | kSamplingEnable, 5, 2);
constexpr ModuleDescriptor kC4_Pll16_256K = analyzer(4, 18, kTrims | kSamplingEnable, 5, 2);
constexpr ModuleDescriptor kC4_Gen16 = generator(4, 10, 0, 5, 1);
constexpr ModuleDescriptor kC1_Ana16_32K = analyzer(4, 15, kTrimBlock, 5, 2);
constexpr ModuleDescriptor kC1_Ana16_256K = analyzer(4, 18, kTrimBlock, 5, 2);
constexpr ModuleDescriptor kC1_Ana32_32K = analyzer(5, 15, kTrimBlock, 5, 2);
constexpr ModuleDescriptor kC1_Ana32_256K = analyzer(5, 18, kTrimBlock, 5, 2);
constexpr ModuleDescriptor kC1_Compressed = analyzer(4, 18, kCompressed | kTrimBlock, 5, 2);
constexpr ModuleDescriptor kC1_Rs232 = analyzer(3, 18, kTrimBlock, 5, 4);
constexpr ModuleDescriptor kC1_Pll16_32K = analyzer(4, 15, kTrimBlock | kSamplingEnable, 5, 2);
constexpr ModuleDescriptor kC1_Pll16_256K = analyzer(4, 18, kTrimBlock | kSamplingEnable, 5, 2);
constexpr ModuleDescriptor kC1_Gen16 = generator(4, 10, 0, 5, 1);

// The analog add-on's mode adds user modules: a four-group analyzer and a range generator in
// the new layout, a sampling-enable analyzer and a 4.6 generator in the old one.
constexpr ModuleDescriptor kAx9_GroupAna = analyzer(4, 10, 0, 5, 3, 4);
constexpr ModuleDescriptor kAx9_EnableAna = analyzer(3, 11, kTrimOne | kSamplingEnable, 4, 2);
constexpr ModuleDescriptor kAx9_RangeGen = generator(3, 15, kRangeMode, 5, 2);
constexpr ModuleDescriptor kAx9_Gen_V46 = generator(3, 8, 0, 4, 6);

constexpr PropertyLayout kOld = PropertyLayout::Old;
constexpr PropertyLayout kNew = PropertyLayout::New;

using G = FileGroup;

// clang-format off
constexpr SimConfiguration kConfigurations[] = {
    // Types 1 to 5.
    {"100M16C1K_S",  G::LineFormat, 887193, 72, types({4}),             {analyzerSlot(kA_Ana16_1K_Fast), generatorSlot(kA3_Gen8_V46)}},
    {"100M8C8Z2K_D", G::LineFormat, 883531, 70, types({5}),             {analyzerSlot(kA_Ana8_2K_Fast), generatorSlot(kA_Gen8)}},
    {"50M16C1K_S",   G::LineFormat, 881753, 68, types({1, 2, 3, 4, 5}), {analyzerSlot(kA_Ana16_1K), generatorSlot(kA_Gen8)}},
    {"50M8C8Z2K_S",  G::LineFormat, 851022, 66, types({2, 4}),          {analyzerSlot(kA_Ana8_2K), generatorSlot(kA_Gen8)}},
    {"50M8C2K_S",    G::LineFormat, 821851, 64, types({1}),             {analyzerSlot(kA_Ana8_2K), generatorSlot(kA_Gen8)}},
    {"TEST-A0",      G::LineFormat, 782269, 61, types({1}),             {analyzerSlot(kA_Ana8_1K), generatorSlot(kA_Gen8)}},
    {"TEST-A1",      G::LineFormat, 879338, 75, types({2, 5}),          {analyzerSlot(kA_Ana16_1K), generatorSlot(kA_Gen16)}},
    {"TEST-A3",      G::LineFormat, 878656, 73, types({4}),             {analyzerSlot(kA_Ana16_1K_Fast), generatorSlot(kA_Gen16)}},

    // Types 6 to 9.
    {"TK-B1_66m16ch1k",          G::OlderBlock, 1067957, 643, types({9}), {analyzerSlot(kB1_Ana16_1K), generatorSlot(kB1_Gen8)}},
    {"TK-B1_66m8ch2k",           G::OlderBlock,  920412, 642, types({9}), {analyzerSlot(kB1_Ana8_2K), generatorSlot(kB1_Gen8)}},
    {"TK-B2_100m16ch1k-1X",      G::OlderBlock, 1044346, 640, types({6}), {analyzerSlot(kB2_Ana16_1K), generatorSlot(kB2_Gen8)}},
    {"TK-B2_100m8ch2k-1X",       G::OlderBlock,  933192, 643, types({6}), {analyzerSlot(kB2_Ana8_2K), generatorSlot(kB2_Gen8)}},
    {"TK-B3_200m8ch32k",         G::OlderBlock, 1255579, 707, types({7}), {analyzerSlot(kB3_Ana8_32K), generatorSlot(kB3_Gen8)}},
    {"TK-B3_200m8ch256k",        G::OlderBlock, 1276402, 768, types({7}), {analyzerSlot(kB3_Ana8_256K), generatorSlot(kB3_Gen8)}},
    {"TK-B3_100m16ch32k",        G::OlderBlock, 1266047, 706, types({7}), {analyzerSlot(kB3_Ana16_32K), generatorSlot(kB3_Gen8)}},
    {"TK-B3_100m16ch256k",       G::OlderBlock, 1284363, 771, types({7}), {analyzerSlot(kB3_Ana16_256K), generatorSlot(kB3_Gen8)}},
    {"TK-B3_ExtClk16ch32k",      G::OlderBlock, 1266088, 705, types({7}), {analyzerSlot(kB3_Ext16_32K), generatorSlot(kB3_Gen8)}},
    {"TK-B3_ExtClk16ch256k",     G::OlderBlock, 1284404, 770, types({7}), {analyzerSlot(kB3_Ext16_256K), generatorSlot(kB3_Gen8)}},
    {"TK-B3_Gen8ch32k",          G::OlderBlock, 1223408, 672, types({7}), {analyzerSlot(kB3_GenModeAna), generatorSlot(kB3_Gen8_32K)}},
    {"TK-B4_200m8ch32k",         G::OlderBlock, 1286008, 707, types({8}), {analyzerSlot(kB4_Ana8_32K), generatorSlot(kB4_Gen8)}},
    {"TK-B4_200m8ch256k",        G::OlderBlock, 1281823, 768, types({8}), {analyzerSlot(kB4_Ana8_256K), generatorSlot(kB4_Gen8)}},
    {"TK-B4_100m16ch32k",        G::OlderBlock, 1287057, 706, types({8}), {analyzerSlot(kB4_Ana16_32K), generatorSlot(kB4_Gen8)}},
    {"TK-B4_100m16ch256k",       G::OlderBlock, 1311864, 835, types({8}), {analyzerSlot(kB4_Ana16_256K), generatorSlot(kB4_Gen8)}},
    {"TK-B4_ExtClk16ch32k",      G::OlderBlock, 1289081, 709, types({8}), {analyzerSlot(kB4_Ext16_32K), generatorSlot(kB4_Gen8)}},
    {"TK-B4_ExtClk16ch256k",     G::OlderBlock, 1317944, 834, types({8}), {analyzerSlot(kB4_Ext16_256K), generatorSlot(kB4_Gen8)}},
    {"TK-B4_Gen8ch32k",          G::OlderBlock, 1217627, 704, types({8}), {analyzerSlot(kB4_GenModeAna), generatorSlot(kB4_Gen8_32K)}},
    {"TEST-B1",                  G::OlderBlock,  929428, 387, types({9}), {analyzerSlot(kB1_Ana8_2K), generatorSlot(kB1_Gen8)}},
    {"TEST-B2-1X",               G::OlderBlock,  944924, 448, types({6}), {analyzerSlot(kB2_Ana8_2K), generatorSlot(kB2_Gen8)}},
    {"TEST-B3",                  G::OlderBlock, 1253032, 514, types({7}), {analyzerSlot(kB3_Ana8_32K), generatorSlot(kB3_Gen8)}},
    {"TEST-B4",                  G::OlderBlock, 1263567, 579, types({8}), {analyzerSlot(kB4_Ana8_32K), generatorSlot(kB4_Gen8)}},

    // Types 10 and above. TK-C1 (type 13) carries a generator too, but outside its generator
    // and loop-back modes the analyzer program reads only slot 8.
    {"TK-C1_200m16ch32k",          G::Newer, 3478237, 1155, types({13}), {analyzerSlot(kC1_Ana16_32K), generatorSlot(kC1_Gen16)}},
    {"TK-C1_200m16ch256k",         G::Newer, 3542261, 1216, types({13}), {analyzerSlot(kC1_Ana16_256K), generatorSlot(kC1_Gen16)}},
    {"TK-C1_100m32ch32k",          G::Newer, 3578930, 1218, types({13}), {analyzerSlot(kC1_Ana32_32K), generatorSlot(kC1_Gen16)}},
    {"TK-C1_100m32ch256k",         G::Newer, 3526378, 1219, types({13}), {analyzerSlot(kC1_Ana32_256K), generatorSlot(kC1_Gen16)}},
    {"TK-C1_compress100m16ch256k", G::Newer, 3250644, 1091, types({13}), {analyzerSlot(kC1_Compressed), generatorSlot(kC1_Gen16)}},
    {"TK-C1_232c100m2ch256k",      G::Newer, 3469460, 1152, types({13}), {analyzerSlot(kC1_Rs232), generatorSlot(kC1_Gen16)}},
    {"TK-C1_PLLx1_200m16ch32k",    G::Newer, 3503925, 1155, types({13}), {analyzerSlot(kC1_Pll16_32K), generatorSlot(kC1_Gen16)}},
    {"TK-C1_PLLx1_200m16ch256k",   G::Newer, 3539600, 1217, types({13}), {analyzerSlot(kC1_Pll16_256K), generatorSlot(kC1_Gen16)}},
    {"TK-C2_200m16ch32k",          G::Newer, 3570958, 1219, types({10}), {analyzerSlot(kC2_Ana16_32K), generatorSlot(kC2_Gen16)}},
    {"TK-C2_200m16ch256k",         G::Newer, 3444320, 1152, types({10}), {analyzerSlot(kC2_Ana16_256K), generatorSlot(kC2_Gen16)}},
    {"TK-C2_100m32ch32k",          G::Newer, 3691995, 1283, types({10}), {analyzerSlot(kC2_Ana32_32K), generatorSlot(kC2_Gen16)}},
    {"TK-C2_100m32ch256k",         G::Newer, 3645949, 1280, types({10}), {analyzerSlot(kC2_Ana32_256K), generatorSlot(kC2_Gen16)}},
    {"TK-C2_compress100m16ch256k", G::Newer, 3510317, 1154, types({10}), {analyzerSlot(kC2_Compressed), generatorSlot(kC2_Gen16)}},
    {"TK-C2_232c100m2ch256k",      G::Newer, 3459085, 1155, types({10}), {analyzerSlot(kC2_Rs232), generatorSlot(kC2_Gen16)}},
    {"TK-C2_loop_back",            G::Newer, 3548970, 1221, types({10}), {analyzerSlot(kC2_Ana16_32K), generatorSlot(kC2_Gen16)}},
    {"TK-C2_PLLx1_200m16ch32k",    G::Newer, 3570676, 1216, types({10}), {analyzerSlot(kC2_Pll16_32K), generatorSlot(kC2_Gen16)}},
    {"TK-C2_PLLx1_200m16ch256k",   G::Newer, 3444412, 1155, types({10}), {analyzerSlot(kC2_Pll16_256K), generatorSlot(kC2_Gen16)}},
    {"TK-C4_200m16ch32k",          G::Newer, 3665176, 1283, types({11, 12}), {analyzerSlot(kC4_Ana16_32K), generatorSlot(kC4_Gen16)}},
    {"TK-C4_200m16ch256k",         G::Newer, 3697221, 1282, types({11, 12}), {analyzerSlot(kC4_Ana16_256K), generatorSlot(kC4_Gen16)}},
    {"TK-C4_100m32ch32k",          G::Newer, 3824177, 1347, types({11, 12}), {analyzerSlot(kC4_Ana32_32K), generatorSlot(kC4_Gen16)}},
    {"TK-C4_100m32ch256k",         G::Newer, 3744022, 1344, types({11, 12}), {analyzerSlot(kC4_Ana32_256K), generatorSlot(kC4_Gen16)}},
    {"TK-C4_compress100m16ch256k", G::Newer, 3386976, 1152, types({11, 12}), {analyzerSlot(kC4_Compressed), generatorSlot(kC4_Gen16)}},
    {"TK-C4_232c100m2ch256k",      G::Newer, 3508946, 1219, types({11, 12}), {analyzerSlot(kC4_Rs232), generatorSlot(kC4_Gen16)}},
    // Loop-back test of types 11 to 13, and "信号発生 16ch 1Kbit" on type 13 (slot 9 only).
    {"TK-C4_loop_back",            G::Newer, 3593587, 1250, types({11, 12, 13}), {analyzerSlot(kC4_Ana16_32K), generatorSlot(kC4_Gen16)}},
    {"TK-C4_PLLx1_200m16ch32k",    G::Newer, 3678176, 1283, types({11, 12}), {analyzerSlot(kC4_Pll16_32K), generatorSlot(kC4_Gen16)}},
    {"TK-C4_PLLx1_200m16ch256k",   G::Newer, 3646184, 1282, types({11, 12}), {analyzerSlot(kC4_Pll16_256K), generatorSlot(kC4_Gen16)}},
    {"TK-C4_AX-9",                 G::Newer, kAnySum, 1411, types({11}),
        {userSlot(0, kNew, kAx9_GroupAna), userSlot(1, kOld, kAx9_EnableAna), userSlot(2, kNew, kAx9_RangeGen),
         userSlot(3, kOld, kAx9_Gen_V46), analyzerSlot(kC4_Ana16_32K), generatorSlot(kC4_Gen16)}},
};
// clang-format on

} // namespace

int cellsPerDataLine(FileGroup group)
{
    return group == FileGroup::LineFormat ? 77 : 16;
}

int trailerCells(FileGroup group)
{
    return group == FileGroup::LineFormat ? 20 : 12;
}

FileGroup groupOfDeviceType(int deviceType)
{
    if (deviceType <= 5)
        return FileGroup::LineFormat;
    return deviceType <= 9 ? FileGroup::OlderBlock : FileGroup::Newer;
}

PropertyLayout builtInLayout(FileGroup group)
{
    return group == FileGroup::LineFormat ? PropertyLayout::Old : PropertyLayout::New;
}

std::span<const SimConfiguration> simConfigurations()
{
    return kConfigurations;
}

const SimConfiguration* findConfiguration(std::string_view baseName)
{
    for (const SimConfiguration& c : kConfigurations)
        if (c.baseName == baseName)
            return &c;
    return nullptr;
}

} // namespace seiran::sim

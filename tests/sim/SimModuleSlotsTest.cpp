// The module modules each configuration creates, read back over the wire and decoded here by
// hand from the property word layouts, the way the module check judges them.

#include "CommandCodes.h"
#include "SimAnalyzerModule.h"
#include "SimConfigurations.h"
#include "SimulatedInstrument.h"
#include "WireHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <set>
#include <string>

using namespace seiran;
using namespace seiran::sim;
using namespace seiran::sim::wire;

namespace {

constexpr int kGeneratorDepthLimit = 1024;

struct Decoded {
    int function = 0, channelCode = 0, depthCode = 0;
    bool trimOne = false, trimBlock = false, samplingEnable = false, edge = false, range = false,
         compressed = false, newLayout = false;
    int banks = 1, kind = 0, subKind = 0;
};

Decoded decodeNew(std::uint32_t w, bool userSlot)
{
    Decoded d;
    d.newLayout = true;
    d.function = int(w >> 28);
    d.channelCode = int(w >> 24 & 0xF);
    d.depthCode = int(w >> 16 & 0xFF);
    d.trimOne = w >> 15 & 1;
    d.trimBlock = w >> 14 & 1;
    d.samplingEnable = w >> 13 & 1;
    d.edge = w >> 12 & 1;
    d.range = w >> 11 & 1;
    d.compressed = w >> 10 & 1;
    d.banks = userSlot ? 1 << (w >> 8 & 3) : 1;
    d.kind = int(w >> 4 & 0xF);
    d.subKind = int(w & 0xF);
    return d;
}

Decoded decodeOld(std::uint32_t w)
{
    Decoded d;
    d.function = int(w >> 12 & 0xF);
    const bool generator = d.function == 2;
    d.channelCode = int(generator ? w >> 20 & 0xF : w >> 28);
    d.depthCode = int(generator ? w >> 16 & 0xF : w >> 24 & 0xF);
    d.trimOne = w >> 3 & 1;
    d.samplingEnable = w >> 2 & 1;
    d.edge = w >> 1 & 1;
    d.range = w & 1;
    d.kind = int(w >> 8 & 0xF);
    d.subKind = int(w >> 4 & 0xF);
    return d;
}

enum class Type13Mode { Test, GeneratorOnly, Other };

struct Page {
    int channels = 0;
    int dataCount = 0;
    char tag = ' '; // analyzers: c compressed, s sampling enable, e edge sampling, g input groups;
                    // generators: r range
    bool operator==(const Page&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Page& p)
{
    return os << p.channels << "ch/" << p.dataCount << "/'" << p.tag << "'";
}

int analyzerDataCount(const Decoded& d)
{
    if (d.compressed) {
        for (int code : {10, 12, 18})
            if (d.depthCode == code)
                return 1 << code;
        return -1;
    }
    struct Row { bool one, block; int code, count; };
    static const Row rows[] = {
        {true, true, 15, 32638}, {true, true, 18, 262014}, {false, true, 15, 32639}, {false, true, 18, 262015},
        {true, false, 9, 511}, {true, false, 10, 1023}, {true, false, 11, 2047},
        {false, false, 9, 512}, {false, false, 10, 1024}, {false, false, 11, 2048},
    };
    for (const Row& r : rows)
        if (r.one == d.trimOne && r.block == d.trimBlock && r.code == d.depthCode)
            return r.count;
    return -1;
}

int generatorDataCount(const Decoded& d)
{
    switch (d.depthCode) {
    case 8: return 256;
    case 10: return kGeneratorDepthLimit;
    case 15: return 32768;
    default: return -1;
    }
}

struct Configured {
    std::unique_ptr<SimInstrument> sim;
    std::unique_ptr<WireHost> host;
};

Configured download(int type, const std::string& file)
{
    Configured c;
    c.sim = makeSimulatedInstrument(type, nullptr);
    c.host = std::make_unique<WireHost>(*c.sim);
    const DataFormat format = type <= 5 ? DataFormat::Line : type <= 9 ? DataFormat::OlderBlocks : DataFormat::NewerBlocks;
    c.host->beginConfiguration();
    run(*c.host, planDownload(loadCellFile(file), format, c.host->newer()));
    EXPECT_TRUE(c.host->confDone()) << file;
    return c;
}

// The modules as the module check reads them over USB.
std::array<Decoded, 16> readSlots(WireHost& host, int type, Type13Mode mode)
{
    std::array<Decoded, 16> modules{};
    for (int slot = 0; slot < 8; ++slot) {
        const std::uint32_t w = wordAt(host.receive(slot, cmd::kModuleStatus, 8), 1);
        modules[std::size_t(slot)] = (w >> 4 & 0xFF) >= 0x52
            ? decodeNew(wordAt(host.receive(slot, cmd::kModuleProperty, 8), 0), true)
            : decodeOld(w);
    }
    for (int slot = 8; slot <= 9; ++slot) {
        if (type == 13 && mode != Type13Mode::Test && (slot == 9) != (mode == Type13Mode::GeneratorOnly))
            continue;
        std::uint32_t w = 0;
        if (type >= 10)
            w = wordAt(host.receive(slot, cmd::kModuleProperty, 8), 0);
        else if (type >= 6)
            w = wordAt(host.receive(slot, cmd::kModuleProperty, 4), 0);
        else
            w = wordAt(host.receive(slot, cmd::kModuleStatus, 8), 1);
        modules[std::size_t(slot)] = type >= 6 ? decodeNew(w, false) : decodeOld(w);
    }
    return modules;
}

struct Pages {
    std::vector<Page> analyzers;
    std::vector<Page> generators;
    std::string error;
};

// The module check's verdict and its pages.
Pages checkModules(const std::array<Decoded, 16>& modules)
{
    Pages pages;
    const bool known = std::any_of(modules.begin(), modules.end(), [](const Decoded& d) { return d.kind >= 3 && d.kind <= 5; });
    for (const Decoded& d : modules) {
        if (d.function == 1 && pages.analyzers.size() < 4) {
            if (d.channelCode < 3 || d.channelCode > 6)
                pages.error = "channels";
            const char tag = d.compressed ? 'c' : d.samplingEnable ? 's' : d.edge ? 'e' : d.banks > 1 ? 'g' : ' ';
            pages.analyzers.push_back({1 << d.channelCode, analyzerDataCount(d), tag});
        } else if (d.function == 2 && pages.generators.size() < 4) {
            if (d.channelCode < 3 || d.channelCode > 4)
                pages.error = "channels";
            const bool range = d.range || (d.kind == 4 && (d.subKind == 4 || d.subKind == 6));
            pages.generators.push_back({1 << d.channelCode, generatorDataCount(d), range ? 'r' : ' '});
        }
    }
    if (!known || pages.analyzers.size() + pages.generators.size() == 0)
        pages.error = "no module";
    for (const Page& p : pages.analyzers)
        if (p.dataCount < 0)
            pages.error = "data";
    for (const Page& p : pages.generators)
        if (p.dataCount < 0)
            pages.error = "data";
    return pages;
}

struct ModeCase {
    int type;
    const char* file;
    Type13Mode mode;
    std::vector<Page> analyzers;
    std::vector<Page> generators;
};

const Type13Mode O = Type13Mode::Other;

// What each mode's name and outline promise: analyzer channels and data, generator channels
// and data (generator depth limit 1024).
const std::vector<ModeCase>& modeCases()
{
    static const std::vector<ModeCase> cases = {
        {4, "100M16C1K_S", O, {{16, 1023}}, {{8, 256, 'r'}}},
        {5, "100M8C8Z2K_D", O, {{8, 2047}}, {{8, 256}}},
        {2, "50M16C1K_S", O, {{16, 1024}}, {{8, 256}}},
        {5, "50M16C1K_S", O, {{16, 1024}}, {{8, 256}}},
        {2, "50M8C8Z2K_S", O, {{8, 2048}}, {{8, 256}}},
        {4, "50M8C8Z2K_S", O, {{8, 2048}}, {{8, 256}}},
        {1, "50M8C2K_S", O, {{8, 2048}}, {{8, 256}}},
        {1, "TEST-A0", O, {{8, 1024}}, {{8, 256}}},
        {2, "TEST-A1", O, {{16, 1024}}, {{16, 256}}},
        {5, "TEST-A1", O, {{16, 1024}}, {{16, 256}}},
        {4, "TEST-A3", O, {{16, 1023}}, {{16, 256}}},
        {9, "TK-B1_66m16ch1k", O, {{16, 1024}}, {{8, 1024}}},
        {9, "TK-B1_66m8ch2k", O, {{8, 2048}}, {{8, 1024}}},
        {9, "TEST-B1", O, {{8, 2048}}, {{8, 1024}}},
        {6, "TK-B2_100m16ch1k-1X", O, {{16, 1023}}, {{8, 1024}}},
        {6, "TK-B2_100m8ch2k-1X", O, {{8, 2047}}, {{8, 1024}}},
        {6, "TEST-B2-1X", O, {{8, 2047}}, {{8, 1024}}},
        {7, "TK-B3_200m8ch32k", O, {{8, 32638}}, {{8, 1024}}},
        {7, "TK-B3_200m8ch256k", O, {{8, 262014}}, {{8, 1024}}},
        {7, "TK-B3_100m16ch32k", O, {{16, 32639}}, {{8, 1024}}},
        {7, "TK-B3_100m16ch256k", O, {{16, 262015}}, {{8, 1024}}},
        {7, "TK-B3_ExtClk16ch32k", O, {{16, 32639, 'e'}}, {{8, 1024}}},
        {7, "TK-B3_ExtClk16ch256k", O, {{16, 262015, 'e'}}, {{8, 1024}}},
        {7, "TK-B3_Gen8ch32k", O, {{16, 1024}}, {{8, 32768}}},
        {7, "TEST-B3", O, {{8, 32638}}, {{8, 1024}}},
        {8, "TK-B4_200m8ch32k", O, {{8, 32639}}, {{8, 1024}}},
        {8, "TK-B4_200m8ch256k", O, {{8, 262015}}, {{8, 1024}}},
        {8, "TK-B4_100m16ch32k", O, {{16, 32639}}, {{8, 1024}}},
        {8, "TK-B4_100m16ch256k", O, {{16, 262015}}, {{8, 1024}}},
        {8, "TK-B4_ExtClk16ch32k", O, {{16, 32639, 'e'}}, {{8, 1024}}},
        {8, "TK-B4_ExtClk16ch256k", O, {{16, 262015, 'e'}}, {{8, 1024}}},
        {8, "TK-B4_Gen8ch32k", O, {{16, 1023}}, {{8, 32768}}},
        {8, "TEST-B4", O, {{8, 32639}}, {{8, 1024}}},
        {10, "TK-C2_200m16ch32k", O, {{16, 32639}}, {{16, 1024}}},
        {10, "TK-C2_200m16ch256k", O, {{16, 262015}}, {{16, 1024}}},
        {10, "TK-C2_100m32ch32k", O, {{32, 32639}}, {{16, 1024}}},
        {10, "TK-C2_100m32ch256k", O, {{32, 262015}}, {{16, 1024}}},
        {10, "TK-C2_compress100m16ch256k", O, {{16, 262144, 'c'}}, {{16, 1024}}},
        {10, "TK-C2_232c100m2ch256k", O, {{8, 262015}}, {{16, 1024}}},
        {10, "TK-C2_PLLx1_200m16ch32k", O, {{16, 32639, 's'}}, {{16, 1024}}},
        {10, "TK-C2_PLLx1_200m16ch256k", O, {{16, 262015, 's'}}, {{16, 1024}}},
        {10, "TK-C2_loop_back", O, {{16, 32639}}, {{16, 1024}}},
        {11, "TK-C4_200m16ch32k", O, {{16, 32638}}, {{16, 1024}}},
        {12, "TK-C4_200m16ch32k", O, {{16, 32638}}, {{16, 1024}}},
        {11, "TK-C4_200m16ch256k", O, {{16, 262014}}, {{16, 1024}}},
        {11, "TK-C4_100m32ch32k", O, {{32, 32639}}, {{16, 1024}}},
        {11, "TK-C4_100m32ch256k", O, {{32, 262015}}, {{16, 1024}}},
        {11, "TK-C4_compress100m16ch256k", O, {{16, 262144, 'c'}}, {{16, 1024}}},
        {11, "TK-C4_232c100m2ch256k", O, {{8, 262014}}, {{16, 1024}}},
        {11, "TK-C4_PLLx1_200m16ch32k", O, {{16, 32638, 's'}}, {{16, 1024}}},
        {12, "TK-C4_PLLx1_200m16ch256k", O, {{16, 262014, 's'}}, {{16, 1024}}},
        {11, "TK-C4_loop_back", O, {{16, 32638}}, {{16, 1024}}},
        {13, "TK-C4_loop_back", Type13Mode::Test, {{16, 32638}}, {{16, 1024}}},
        {13, "TK-C4_loop_back", Type13Mode::GeneratorOnly, {}, {{16, 1024}}},
        {13, "TK-C1_200m16ch32k", O, {{16, 32639}}, {}},
        {13, "TK-C1_200m16ch256k", O, {{16, 262015}}, {}},
        {13, "TK-C1_100m32ch32k", O, {{32, 32639}}, {}},
        {13, "TK-C1_100m32ch256k", O, {{32, 262015}}, {}},
        {13, "TK-C1_compress100m16ch256k", O, {{16, 262144, 'c'}}, {}},
        {13, "TK-C1_232c100m2ch256k", O, {{8, 262015}}, {}},
        {13, "TK-C1_PLLx1_200m16ch32k", O, {{16, 32639, 's'}}, {}},
        {13, "TK-C1_PLLx1_200m16ch256k", O, {{16, 262015, 's'}}, {}},
        {11, "TK-C4_AX-9", O, {{16, 1024, 'g'}, {8, 2047, 's'}, {16, 32638}}, {{8, 32768, 'r'}, {8, 256, 'r'}, {16, 1024}}},
    };
    return cases;
}

} // namespace

TEST(SimModuleSlots, EveryModeGivesThePagesItsNamePromises)
{
    std::set<std::string> covered;
    for (const ModeCase& c : modeCases()) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " " << c.file);
        covered.insert(c.file);
        Configured configured = download(c.type, c.file);
        const Pages pages = checkModules(readSlots(*configured.host, c.type, c.mode));
        EXPECT_EQ(pages.error, "");
        EXPECT_EQ(pages.analyzers, c.analyzers);
        EXPECT_EQ(pages.generators, c.generators);
    }
    for (const SimConfiguration& config : simConfigurations())
        EXPECT_EQ(covered.count(std::string(config.baseName)), 1u) << config.baseName << " has no case";
}

TEST(SimModuleSlots, EveryKindOfPageIsReachable)
{
    std::set<std::string> kinds;
    for (const ModeCase& c : modeCases()) {
        Configured configured = download(c.type, c.file);
        const std::array<Decoded, 16> modules = readSlots(*configured.host, c.type, c.mode);
        for (std::size_t slot = 0; slot < modules.size(); ++slot) {
            const Decoded& d = modules[slot];
            if (d.function == 1) {
                kinds.insert(d.compressed ? "compressed" : "bit planes");
                if (d.samplingEnable) kinds.insert("sampling enable");
                if (d.edge) kinds.insert("edge sampling");
                if (d.banks > 1) kinds.insert("input groups");
                if (d.kind == 5 && (d.subKind == 3 || d.subKind == 4))
                    kinds.insert(d.depthCode == 10 ? "random start, code 10" : "random start, other code");
            } else if (d.function == 2) {
                kinds.insert(d.depthCode == 15 ? "generator 32768" : "generator cells");
                if (d.range) kinds.insert("range bit");
                if (!d.newLayout && d.kind == 4 && d.subKind == 6) kinds.insert("range by version 4.6");
            }
            if (slot < 8 && d.function != 0)
                kinds.insert(d.newLayout ? "user slot, new layout" : "user slot, old layout");
        }
    }
    for (const char* kind : {"bit planes", "compressed", "sampling enable", "edge sampling", "input groups",
                             "random start, code 10", "random start, other code", "generator cells", "generator 32768",
                             "range bit", "range by version 4.6", "user slot, new layout", "user slot, old layout"})
        EXPECT_EQ(kinds.count(kind), 1u) << kind;
}

TEST(SimModuleSlots, PropertyWordsAsTheLayoutsGiveThem)
{
    struct Case { int type; const char* file; int slot; int code; int bytes; std::vector<std::uint32_t> words; };
    const Case cases[] = {
        // Old layout: analyzer codes in the top byte, generator codes below; 16ch 1K trim one 3.2.
        {4, "100M16C1K_S", 8, cmd::kModuleStatus, 8, {0, 0x4A001328}},
        // 8ch 256 generator 4.6.
        {4, "100M16C1K_S", 9, cmd::kModuleStatus, 8, {0, 0x00382460}},
        // Built-in modules of types 6 to 9 answer 4 bytes: 8ch 32K both trims 4.2.
        {7, "TK-B3_200m8ch32k", 8, cmd::kModuleProperty, 4, {0x130FC042}},
        {7, "TK-B3_200m8ch32k", 8, cmd::kModuleStatus, 4, {0}},
        // 16ch 32K block trim and edge sampling 5.1.
        {8, "TK-B4_ExtClk16ch32k", 8, cmd::kModuleProperty, 4, {0x140F5051}},
        // Compressed 16ch 256K with block trim 5.2.
        {11, "TK-C4_compress100m16ch256k", 8, cmd::kModuleProperty, 8, {0x14124452, 0}},
        // Sampling enable 5.1.
        {10, "TK-C2_PLLx1_200m16ch32k", 8, cmd::kModuleProperty, 8, {0x140F6051, 0}},
        // User modules of the add-on: a new-layout module announces itself with version 5.3 in
        // 0x30 and gives its word (four input groups) with 0x32.
        {11, "TK-C4_AX-9", 0, cmd::kModuleStatus, 8, {0, 0x1530}},
        {11, "TK-C4_AX-9", 0, cmd::kModuleProperty, 8, {0x140A0253, 0}},
        {11, "TK-C4_AX-9", 1, cmd::kModuleStatus, 8, {0, 0x3B00142C}},
        {11, "TK-C4_AX-9", 2, cmd::kModuleStatus, 8, {0, 0x2520}},
        {11, "TK-C4_AX-9", 2, cmd::kModuleProperty, 8, {0x230F0852, 0}},
        {11, "TK-C4_AX-9", 3, cmd::kModuleStatus, 8, {0, 0x00382460}},
        {11, "TK-C4_AX-9", 4, cmd::kModuleStatus, 8, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " slot " << c.slot << " code " << c.code);
        Configured configured = download(c.type, c.file);
        const std::vector<std::uint8_t> answer = configured.host->receive(c.slot, c.code, c.bytes);
        ASSERT_EQ(answer.size(), std::size_t(c.bytes));
        for (std::size_t i = 0; i < c.words.size(); ++i)
            EXPECT_EQ(wordAt(answer, i), c.words[i]) << "word " << i;
    }
}

TEST(SimModuleSlots, TableEntriesFitTheirLayoutAndAnnounceIt)
{
    for (const SimConfiguration& config : simConfigurations()) {
        for (const SlotEntry& entry : config.moduleSlots) {
            if (entry.slot < 0)
                continue;
            SCOPED_TRACE(testing::Message() << config.baseName << " slot " << entry.slot);
            const bool user = entry.slot < kUserSlotCount;
            const PropertyLayout layout = config.layoutOf(entry);
            EXPECT_TRUE(fitsLayout(entry.module, layout, user));
            if (user) {
                const SimAnalyzerModule module(entry.slot, entry.module, layout);
                const bool announces = (module.statusPropertyWord() >> 4 & 0xFF) >= 0x52;
                EXPECT_EQ(announces, layout == PropertyLayout::New);
            }
        }
    }
}

TEST(SimModuleSlots, UsableDepthMatchesTheDataCountOfItsFlags)
{
    for (const SimConfiguration& config : simConfigurations()) {
        for (const SlotEntry& entry : config.moduleSlots) {
            if (entry.module.function != ModuleFunction::Analyzer)
                continue;
            const PropertyLayout layout = config.layoutOf(entry);
            const SimAnalyzerModule module(entry.slot, entry.module, layout);
            const std::uint32_t w = module.propertyWord();
            const Decoded d = layout == PropertyLayout::New ? decodeNew(w, entry.slot < 8) : decodeOld(w);
            EXPECT_EQ(module.usableDepth(), analyzerDataCount(d)) << config.baseName << " slot " << entry.slot;
        }
    }
}

TEST(SimModuleSlots, GatheredStatusAndPropertyWords)
{
    // Before any configuration every slot reads 0.
    {
        const std::unique_ptr<SimInstrument> sim = makeSimulatedInstrument(11, nullptr);
        WireHost host(*sim);
        EXPECT_EQ(host.receive(0, cmd::kAllModuleProperty, 64), std::vector<std::uint8_t>(64, 0));
        EXPECT_EQ(host.receive(0, cmd::kAllModuleStatus, 64), std::vector<std::uint8_t>(64, 0));
    }

    // Each slot's word in the layout it is decoded with: the 0x32 word of announced user modules
    // and of the built-in modules, the 0x30 word of the old-layout user modules.
    Configured c = download(11, "TK-C4_AX-9");
    const std::vector<std::uint8_t> all = c.host->receive(0, cmd::kAllModuleProperty, 64);
    ASSERT_EQ(all.size(), 64u);
    const std::array<std::uint32_t, 16> expected = {0x140A0253, 0x3B00142C, 0x230F0852, 0x00382460, 0, 0, 0, 0,
                                                    wordAt(c.host->receive(8, cmd::kModuleProperty, 8), 0),
                                                    wordAt(c.host->receive(9, cmd::kModuleProperty, 8), 0)};
    for (std::size_t slot = 0; slot < 16; ++slot)
        EXPECT_EQ(wordAt(all, slot), expected[slot]) << "slot " << slot;
    EXPECT_NE(expected[8], 0u);

    // The status words are word 0 of each slot's 0x30, whatever module sits there.
    class Fixed final : public SimModule {
    public:
        void command(int, std::span<const std::uint32_t>) override {}
        void read(int code, std::span<std::uint8_t> answer) override
        {
            if (code == cmd::kModuleStatus && answer.size() >= 4)
                answer[0] = 0x34, answer[1] = 0x12;
        }
    };
    c.sim->installModule(5, std::make_unique<Fixed>());
    const std::vector<std::uint8_t> status = c.host->receive(0, cmd::kAllModuleStatus, 64);
    for (std::size_t slot = 0; slot < 16; ++slot)
        EXPECT_EQ(wordAt(status, slot), slot == 5 ? 0x1234u : 0u) << "slot " << slot;
    EXPECT_EQ(wordAt(c.host->receive(0, cmd::kAllModuleProperty, 64), 5), 0u);
}

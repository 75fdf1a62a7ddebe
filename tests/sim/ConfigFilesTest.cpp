// The synthetic configuration files the build writes beside the programs: cell format, line
// layout, check sums, and the header the simulated FPGA reads back.

#include "SimConfigImage.h"
#include "SimConfigurations.h"
#include "WireHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <string>

using namespace seiran::sim;
using namespace seiran::sim::wire;

namespace {

struct ExpectedFile {
    const char* name;
    FileGroup group;
    std::int64_t sum; // -1: any
};

// The analyzer's check-sum list, copied separately from the simulator's table so that a slip in
// either shows up here.
constexpr FileGroup L = FileGroup::LineFormat;
constexpr FileGroup O = FileGroup::OlderBlock;
constexpr FileGroup N = FileGroup::Newer;
const ExpectedFile kExpected[] = {
    {"100M16C1K_S", L, 887193}, {"100M8C8Z2K_D", L, 883531}, {"50M16C1K_S", L, 881753}, {"50M8C8Z2K_S", L, 851022},
    {"50M8C2K_S", L, 821851}, {"TEST-A0", L, 782269}, {"TEST-A1", L, 879338}, {"TEST-A3", L, 878656},
    {"TK-B1_66m16ch1k", O, 1067957}, {"TK-B1_66m8ch2k", O, 920412}, {"TK-B2_100m16ch1k-1X", O, 1044346},
    {"TK-B2_100m8ch2k-1X", O, 933192}, {"TK-B3_200m8ch32k", O, 1255579}, {"TK-B3_200m8ch256k", O, 1276402},
    {"TK-B3_100m16ch32k", O, 1266047}, {"TK-B3_100m16ch256k", O, 1284363}, {"TK-B3_ExtClk16ch32k", O, 1266088},
    {"TK-B3_ExtClk16ch256k", O, 1284404}, {"TK-B3_Gen8ch32k", O, 1223408}, {"TK-B4_200m8ch32k", O, 1286008},
    {"TK-B4_200m8ch256k", O, 1281823}, {"TK-B4_100m16ch32k", O, 1287057}, {"TK-B4_100m16ch256k", O, 1311864},
    {"TK-B4_ExtClk16ch32k", O, 1289081}, {"TK-B4_ExtClk16ch256k", O, 1317944}, {"TK-B4_Gen8ch32k", O, 1217627},
    {"TEST-B1", O, 929428}, {"TEST-B2-1X", O, 944924}, {"TEST-B3", O, 1253032}, {"TEST-B4", O, 1263567},
    {"TK-C1_200m16ch32k", N, 3478237}, {"TK-C1_200m16ch256k", N, 3542261}, {"TK-C1_100m32ch32k", N, 3578930},
    {"TK-C1_100m32ch256k", N, 3526378}, {"TK-C1_compress100m16ch256k", N, 3250644},
    {"TK-C1_232c100m2ch256k", N, 3469460}, {"TK-C1_PLLx1_200m16ch32k", N, 3503925},
    {"TK-C1_PLLx1_200m16ch256k", N, 3539600}, {"TK-C2_200m16ch32k", N, 3570958}, {"TK-C2_200m16ch256k", N, 3444320},
    {"TK-C2_100m32ch32k", N, 3691995}, {"TK-C2_100m32ch256k", N, 3645949},
    {"TK-C2_compress100m16ch256k", N, 3510317}, {"TK-C2_232c100m2ch256k", N, 3459085},
    {"TK-C2_loop_back", N, 3548970}, {"TK-C2_PLLx1_200m16ch32k", N, 3570676},
    {"TK-C2_PLLx1_200m16ch256k", N, 3444412}, {"TK-C4_200m16ch32k", N, 3665176}, {"TK-C4_200m16ch256k", N, 3697221},
    {"TK-C4_100m32ch32k", N, 3824177}, {"TK-C4_100m32ch256k", N, 3744022},
    {"TK-C4_compress100m16ch256k", N, 3386976}, {"TK-C4_232c100m2ch256k", N, 3508946},
    {"TK-C4_loop_back", N, 3593587}, {"TK-C4_PLLx1_200m16ch32k", N, 3678176},
    {"TK-C4_PLLx1_200m16ch256k", N, 3646184}, {"TK-C4_AX-9", N, -1},
};

std::int64_t cellSum(const CellFile& file)
{
    std::int64_t sum = std::accumulate(file.trailer.begin(), file.trailer.end(), std::int64_t(0));
    for (const auto& line : file.lines)
        sum = std::accumulate(line.begin(), line.end(), sum);
    return sum;
}

} // namespace

TEST(ConfigFiles, TableCoversExactlyTheCheckSumList)
{
    std::set<std::string> listed;
    for (const ExpectedFile& e : kExpected) {
        SCOPED_TRACE(e.name);
        listed.insert(e.name);
        const SimConfiguration* config = findConfiguration(e.name);
        ASSERT_NE(config, nullptr);
        EXPECT_EQ(config->group, e.group);
        EXPECT_EQ(config->checkSum, e.sum < 0 ? kAnySum : e.sum);
    }
    for (const SimConfiguration& config : simConfigurations())
        EXPECT_EQ(listed.count(std::string(config.baseName)), 1u) << config.baseName;
}

TEST(ConfigFiles, EveryWrittenFileIsAsciiCrLfCellsWithItsSum)
{
    for (const SimConfiguration& config : simConfigurations()) {
        const std::string name(config.baseName);
        SCOPED_TRACE(name);
        const std::vector<char> raw = readRaw(programFolderFile(name + ".ttf"));
        ASSERT_FALSE(raw.empty()) << "not in the program folder";

        // ASCII only; every CR followed by LF and every LF preceded by CR; the file ends with one.
        for (std::size_t i = 0; i < raw.size(); ++i) {
            ASSERT_GE(raw[i], 0) << "byte " << i;
            if (raw[i] == '\r') {
                ASSERT_TRUE(i + 1 < raw.size() && raw[i + 1] == '\n') << "byte " << i;
            }
            if (raw[i] == '\n') {
                ASSERT_TRUE(i > 0 && raw[i - 1] == '\r') << "byte " << i;
            }
        }
        ASSERT_EQ(raw.back(), '\n');

        const CellFile file = loadCellFile(name);
        EXPECT_EQ(int(file.lines.size()), config.dataLines);
        const std::size_t cells = config.group == FileGroup::LineFormat ? 77 : 16;
        for (std::size_t n = 0; n < file.lines.size(); ++n)
            ASSERT_EQ(file.lines[n].size(), cells) << "line " << n;
        EXPECT_FALSE(file.trailer.empty());
        if (config.checkSum != kAnySum) {
            EXPECT_EQ(cellSum(file), config.checkSum);
        }

        // What the build wrote is what the simulator's FPGA expects today.
        const std::optional<ConfigurationImage> image = buildConfigurationImage(config);
        ASSERT_TRUE(image.has_value());
        std::vector<std::uint8_t> data;
        for (const auto& line : file.lines)
            data.insert(data.end(), line.begin(), line.end());
        EXPECT_TRUE(data == image->data);
        EXPECT_TRUE(file.trailer == image->trailer);
    }
}

TEST(ConfigFiles, StreamsOpenWithTheirNameLengthAndCheck)
{
    for (const SimConfiguration& config : simConfigurations()) {
        SCOPED_TRACE(std::string(config.baseName));
        const std::optional<ConfigurationImage> image = buildConfigurationImage(config);
        ASSERT_TRUE(image.has_value());
        const std::vector<std::uint8_t> stream = image->stream();
        StreamHeader header;
        ASSERT_EQ(checkStreamHeader(stream, &header), HeaderCheck::Valid);
        EXPECT_EQ(header.baseName, config.baseName);
        EXPECT_EQ(header.streamBytes, stream.size());
        Crc32 crc;
        crc.add(std::span(stream).subspan(std::size_t(header.headerBytes)));
        EXPECT_EQ(header.crc, crc.value());
        // Every prefix of the header asks for more, none is refused.
        for (int n = 0; n < header.headerBytes; ++n)
            ASSERT_EQ(checkStreamHeader(std::span(stream).first(std::size_t(n)), nullptr), HeaderCheck::NeedMore) << n;
    }
}

TEST(ConfigFiles, DamagedHeadersAreRefused)
{
    const std::optional<ConfigurationImage> image = buildConfigurationImage(*findConfiguration("TK-C4_loop_back"));
    ASSERT_TRUE(image.has_value());
    const std::vector<std::uint8_t> good = image->stream();
    const int nameLength = good[9];
    struct Case { const char* what; std::size_t at; std::uint8_t value; };
    const Case cases[] = {
        {"magic", 0, 'X'},
        {"version", 8, 2},
        {"name length 0", 9, 0},
        {"name length 49", 9, 49},
        {"space in the name", 12, ' '},
        {"CRC complement", std::size_t(15 + nameLength), 0},
        {"stream length above the limit", std::size_t(13 + nameLength), 0x10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> bad = good;
        bad[c.at] = c.value;
        EXPECT_EQ(checkStreamHeader(bad, nullptr), HeaderCheck::Invalid);
    }
    // A header whose stream would end inside the header itself.
    std::vector<std::uint8_t> shortStream = good;
    std::fill_n(shortStream.begin() + 10 + nameLength, 4, 0);
    shortStream[std::size_t(10 + nameLength)] = std::uint8_t(streamHeaderBytes(nameLength));
    EXPECT_EQ(checkStreamHeader(shortStream, nullptr), HeaderCheck::Invalid);
}

TEST(ConfigFiles, BlockFilesCoverFullBlocksPairsAndASingleLine)
{
    // The block download sends 64-line blocks, then pairs, then a last single line; the files
    // between them exercise each, and the biggest has more than ten full blocks.
    std::set<int> remainders;
    int mostBlocks = 0;
    for (const SimConfiguration& config : simConfigurations()) {
        EXPECT_GE(config.dataLines, 10) << config.baseName; // ten progress steps at least
        if (config.group == FileGroup::LineFormat)
            continue;
        remainders.insert(config.dataLines % 64);
        mostBlocks = std::max(mostBlocks, config.dataLines / 64);
    }
    for (int r : {0, 1, 2, 3})
        EXPECT_EQ(remainders.count(r), 1u) << "no file with " << r << " lines after its blocks";
    EXPECT_GT(mostBlocks, 10);
}

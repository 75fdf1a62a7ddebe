#include "setup/ConfigurationFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace seiran;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A row of `count` cells counting up from `first`, each followed by a comma.
QByteArray row(int first, int count)
{
    QByteArray text;
    for (int c = 0; c < count; ++c)
        text += QByteArray::number((first + c) % 256).rightJustified(3, ' ') + ',';
    return text;
}

Bytes counting(int first, int count)
{
    Bytes bytes;
    for (int c = 0; c < count; ++c)
        bytes.push_back(std::uint8_t((first + c) % 256));
    return bytes;
}

} // namespace

TEST(ConfigurationFile, ReadsDataLinesAndTrailerWhateverTheLineEnds)
{
    // Two data lines of 16 cells (values 0 to 31) and a trailer of 255, 7.
    struct Case { const char* why; QByteArray text; Bytes trailer; };
    const QByteArray data = row(0, 16) + "\r\n" + row(16, 16);
    const Case cases[] = {
        {"CR LF, no comma after the last cell", data + "\r\n255,  7\r\n", {255, 7}},
        {"comma after the last cell", data + "\r\n255,  7,\r\n", {255, 7}},
        {"LF only", row(0, 16) + "\n" + row(16, 16) + "\n255,  7\n", {255, 7}},
        {"CR only", row(0, 16) + "\r" + row(16, 16) + "\r255,  7\r", {255, 7}},
        {"no end after the trailer", data + "\r\n255,  7", {255, 7}},
        {"last cell cut after its three characters", data + "\r\n255,  7,  9", {255, 7, 9}},
        {"up to three characters past the cells are no cell", row(0, 16) + "xyz\r\n" + row(16, 16) + "\r\n255,  7,  9,ab", {255, 7, 9}},
        {"empty trailer", data + "\r\n\r\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const ConfigurationImage image = parseConfigurationFile(c.text, 16);
        ASSERT_TRUE(image.valid);
        EXPECT_EQ(image.cellsPerLine, 16);
        EXPECT_EQ(image.dataLineCount, 2);
        EXPECT_EQ(image.data, counting(0, 32));
        EXPECT_EQ(image.trailer, c.trailer);
        long long sum = 31 * 32 / 2;
        for (std::uint8_t v : c.trailer)
            sum += v;
        EXPECT_EQ(image.sum, sum);
    }
}

TEST(ConfigurationFile, LineFormatTakes77CellsALine)
{
    const QByteArray text = row(100, 77) + "\r\n" + row(177, 77) + "\r\n  1\r\n";
    const ConfigurationImage image = parseConfigurationFile(text, 77);
    ASSERT_TRUE(image.valid);
    EXPECT_EQ(image.dataLineCount, 2);
    EXPECT_EQ(image.data, counting(100, 154));
    EXPECT_EQ(image.trailer, Bytes{1});
    // The same file is no block-format file.
    EXPECT_FALSE(parseConfigurationFile(text, 16).valid);
}

TEST(ConfigurationFile, RefusesWhatIsNoConfiguration)
{
    const QByteArray trailer = "\r\n255\r\n";
    struct Case { const char* why; QByteArray text; int cellsPerLine; };
    const Case cases[] = {
        {"empty file", "", 16},
        {"cell over 255", row(0, 15) + "256," + trailer, 16},
        {"negative cell", row(0, 15) + " -1," + trailer, 16},
        {"blank cell", row(0, 15) + "   ," + trailer, 16},
        {"letters", row(0, 15) + "abc," + trailer, 16},
        {"cell in the trailer", row(0, 16) + "\r\n255,1x1\r\n", 16},
        {"data line a cell short", row(0, 15) + trailer, 16},
        {"data line a cell long", row(0, 17) + trailer, 16},
        {"empty data line", row(0, 16) + "\r\n\r\n" + row(0, 16) + trailer, 16},
        {"byte that is no code page 932", row(0, 16) + "\r\n25\x81\r\n", 16},
        {"no line format", row(0, 16) + trailer, 8},
        {"no cells per line", row(0, 16) + trailer, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_FALSE(parseConfigurationFile(c.text, c.cellsPerLine).valid);
    }
}

TEST(ConfigurationFile, FilesOverTheLimitAreRefusedUnread)
{
    // A valid file of exactly the limit: data lines, then a trailer that fills the rest.
    const QByteArray line = row(0, 16) + "\r\n";
    QByteArray atLimit;
    while (atLimit.size() + line.size() + 8 <= kMaxConfigurationFileBytes)
        atLimit += line;
    const qsizetype rest = kMaxConfigurationFileBytes - atLimit.size();
    const QByteArray ends[] = {"", "\n", "\r\n"};
    if (rest % 4 == 3)
        atLimit += row(0, int(rest / 4) + 1).chopped(1);   // the last cell without its comma
    else
        atLimit += row(0, int(rest / 4)) + ends[rest % 4];
    ASSERT_EQ(atLimit.size(), kMaxConfigurationFileBytes);
    // One byte more, a line end that changes nothing, is over the limit.
    const QByteArray overLimit = atLimit + "\n";
    EXPECT_TRUE(parseConfigurationFile(atLimit, 16).valid);
    EXPECT_FALSE(parseConfigurationFile(overLimit, 16).valid);

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString big = folder.filePath(QStringLiteral("big.ttf"));
    const QString fits = folder.filePath(QStringLiteral("fits.ttf"));
    for (const auto& [path, bytes] : {std::pair{big, overLimit}, std::pair{fits, atLimit}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    const ConfigurationImage read = readConfigurationFile(fits, 16);
    EXPECT_TRUE(read.valid);
    EXPECT_EQ(read.data, parseConfigurationFile(atLimit, 16).data);
    EXPECT_FALSE(readConfigurationFile(big, 16).valid);
    EXPECT_FALSE(readConfigurationFile(folder.filePath(QStringLiteral("missing.ttf")), 16).valid);
}

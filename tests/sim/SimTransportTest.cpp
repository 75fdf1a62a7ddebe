// The simulated instrument seen from the wire: hand-built frames and requests, no device layer.

#include "CommandCodes.h"
#include "SimInstrument.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

using namespace seiran;
using namespace seiran::sim;

namespace {

class EchoModule final : public SimModule {
public:
    void command(int code, std::span<const std::uint32_t> params) override
    {
        codes.push_back(code);
        if (!params.empty())
            value = params[0];
    }
    void read(int code, std::span<std::uint8_t> answer) override
    {
        reads.push_back(code);
        for (std::size_t i = 0; i < answer.size(); ++i)
            answer[i] = std::uint8_t(value + i);
    }
    std::vector<int> codes;
    std::vector<int> reads;
    std::uint32_t value = 0;
};

std::vector<std::uint8_t> newerFrame(int word, int sequence, int third, std::vector<std::uint32_t> params = {})
{
    std::vector<std::uint8_t> f{std::uint8_t(word), std::uint8_t(word >> 8), std::uint8_t(sequence),
                                std::uint8_t(sequence >> 8), std::uint8_t(third), std::uint8_t(third >> 8)};
    for (std::uint32_t p : params)
        for (int b = 0; b < 4; ++b)
            f.push_back(std::uint8_t(p >> (8 * b)));
    return f;
}

struct Fixture {
    explicit Fixture(int type)
        : sim(type, nullptr)
    {
        auto owned = std::make_unique<EchoModule>();
        echo = owned.get();
        sim.installModule(5, std::move(owned));
        sim.open();
    }
    int status(int byte)
    {
        std::array<std::uint8_t, 12> block{};
        EXPECT_EQ(sim.vendorIn(vendor::kStatusBlock, block), 12);
        return block[std::size_t(byte)];
    }
    SimInstrument sim;
    EchoModule* echo = nullptr;
};

} // namespace

TEST(SimTransport, AcknowledgesEachFrameInStatusByteTen)
{
    Fixture f(11);
    EXPECT_EQ(f.status(10), 1); // power-up: expects frame 1
    ASSERT_TRUE(f.sim.writePipe(2, newerFrame(0x5021, 1, 0, {0x80, 0})));
    EXPECT_EQ(f.status(10), 2);
    ASSERT_TRUE(f.sim.writePipe(2, newerFrame(0x5022, 255, 0, {1, 0})));
    EXPECT_EQ(f.status(10), 0);
    EXPECT_EQ(f.echo->codes, (std::vector<int>{0x21, 0x22}));

    // The FPGA reset starts the numbering again.
    ASSERT_TRUE(f.sim.vendorOut(vendor::kFpgaReset, {}));
    EXPECT_EQ(f.status(10), 1);
}

TEST(SimTransport, RejectsFramesOnTheWrongEndpoint)
{
    struct Case { int type; int endpoint; std::size_t params; bool accepted; };
    const Case cases[] = {
        {11, 2, 2, true}, {11, 6, 2, false}, {11, 2, 32, true},
        {4, 2, 7, true}, {4, 6, 7, false}, {4, 6, 8, true}, {4, 2, 8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " ep" << c.endpoint << " " << c.params);
        Fixture f(c.type);
        std::vector<std::uint8_t> frame;
        if (c.type > 9)
            frame = newerFrame(0x5021, 1, 0, std::vector<std::uint32_t>(c.params, 1));
        else {
            frame = {0x21, 0x50};
            frame.resize(2 + 4 * c.params, 1);
        }
        EXPECT_EQ(f.sim.writePipe(c.endpoint, frame), c.accepted);
        EXPECT_EQ(f.sim.endpointErrors(), c.accepted ? 0 : 1);
        EXPECT_EQ(f.echo->codes.size(), c.accepted ? 1u : 0u);
    }
}

TEST(SimTransport, ServesAnnouncedInReadsAndVendorReads)
{
    Fixture f(11);
    f.echo->value = 0x40;
    std::array<std::uint8_t, 16> buffer{};

    // No read was asked for: the IN pipe has nothing to give.
    EXPECT_EQ(f.sim.readPipe(0x86, buffer), -1);

    ASSERT_TRUE(f.sim.writePipe(2, newerFrame(0x5030, 1, 16)));
    const std::array<std::uint8_t, 2> announce{16, 0};
    // Without the announcement the pipe stays silent.
    EXPECT_EQ(f.sim.readPipe(0x86, buffer), -1);
    ASSERT_TRUE(f.sim.vendorOut(vendor::kAnnounceInLength, announce));
    EXPECT_EQ(f.sim.readPipe(0x85, buffer), -1); // wrong IN endpoint for a newer instrument
    ASSERT_TRUE(f.sim.vendorOut(vendor::kAnnounceInLength, announce));
    EXPECT_EQ(f.sim.readPipe(0x86, buffer), 16);
    EXPECT_EQ(buffer[0], 0x40);
    EXPECT_EQ(buffer[15], 0x4F);

    ASSERT_TRUE(f.sim.writePipe(2, newerFrame(0x5032, 2, 8)));
    std::array<std::uint8_t, 8> small{};
    EXPECT_EQ(f.sim.vendorIn(vendor::kReadData, small), 8);
    EXPECT_EQ(small[7], 0x47);
    EXPECT_EQ(f.echo->reads, (std::vector<int>{0x30, 0x32}));
}

TEST(SimTransport, OlderInstrumentAnswersStatusAndConfigurationBlocks)
{
    Fixture f(8);
    f.sim.setFirmwareLevel(2);
    f.sim.setConfigurationStatus(true, true);
    std::array<std::uint8_t, 8> block{};

    ASSERT_TRUE(f.sim.writePipe(2, std::vector<std::uint8_t>{0xE1, 0x00}));
    ASSERT_EQ(f.sim.readPipe(0x85, block), 8);
    EXPECT_EQ(block[2], 2);

    ASSERT_TRUE(f.sim.writePipe(2, std::vector<std::uint8_t>{0xF5, 0x00}));
    ASSERT_EQ(f.sim.readPipe(0x85, block), 8);
    EXPECT_EQ(block[0], 0x06); // bit 2 nSTATUS, bit 1 CONF_DONE

    f.sim.setConfigurationStatus(false, false);
    ASSERT_TRUE(f.sim.writePipe(2, std::vector<std::uint8_t>{0xF5, 0x00}));
    ASSERT_EQ(f.sim.readPipe(0x85, block), 8);
    EXPECT_EQ(block[0], 0x00);
    EXPECT_EQ(f.sim.vendorIn(vendor::kReadData, block), -1); // older instruments have no vendor read
}

TEST(SimTransport, TraceBufferRecordsCodesAtItsPointer)
{
    Fixture f(11);
    ASSERT_TRUE(f.sim.writePipe(2, newerFrame(0x5021, 1, 0, {0, 0})));
    ASSERT_TRUE(f.sim.writePipe(2, newerFrame(0x5010, 2, 0, {0, 0})));
    const int pointer = f.status(11); // the status read itself is traced too
    EXPECT_EQ(pointer, 3);
    std::array<std::uint8_t, 128> trace{};
    ASSERT_EQ(f.sim.vendorIn(vendor::kTraceBuffer, trace), 128);
    EXPECT_EQ(trace[0], 0x21);
    EXPECT_EQ(trace[1], 0x10);
    EXPECT_EQ(trace[2], 0xE1);
    EXPECT_EQ(trace[3], 0xE2);

    for (int i = 0; i < 200; ++i)
        f.status(11);
    EXPECT_LT(f.status(11), 128); // the pointer wraps within the buffer
}

TEST(SimTransport, FaultsOnRequest)
{
    Fixture f(11);
    f.sim.failNext(TransferKind::Write, 2);
    EXPECT_FALSE(f.sim.writePipe(2, newerFrame(0x5021, 1, 0)));
    EXPECT_FALSE(f.sim.writePipe(2, newerFrame(0x5021, 1, 0)));
    EXPECT_TRUE(f.sim.writePipe(2, newerFrame(0x5021, 1, 0)));

    f.sim.dropAcknowledgements(1);
    EXPECT_TRUE(f.sim.writePipe(2, newerFrame(0x5021, 2, 0)));
    EXPECT_EQ(f.status(10), 2); // frame 2 taken but not acknowledged
    EXPECT_EQ(f.echo->codes.size(), 2u);

    f.sim.delayAcknowledgement(1);
    EXPECT_TRUE(f.sim.writePipe(2, newerFrame(0x5021, 3, 0)));
    EXPECT_EQ(f.status(10), 2);
    EXPECT_EQ(f.status(10), 4);

    f.sim.setVanished(true);
    std::array<std::uint8_t, 12> block{};
    EXPECT_EQ(f.sim.vendorIn(vendor::kStatusBlock, block), -1);
    EXPECT_EQ(f.sim.open().code, OpenCode::NotFound);
}

TEST(SimTransport, UnknownVendorRequestsStallAndClosedDevicesRefuse)
{
    Fixture f(11);
    std::array<std::uint8_t, 4> buffer{};
    EXPECT_EQ(f.sim.vendorIn(0x99, buffer), -1);
    EXPECT_FALSE(f.sim.vendorOut(0x99, buffer));
    f.sim.close();
    EXPECT_FALSE(f.sim.writePipe(2, newerFrame(0x5021, 1, 0)));
}

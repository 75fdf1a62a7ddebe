// Faults armed at a point of a capture: the simulated instrument lets the frames before the point
// pass and fails at it; the device layer counts what did not get through and, when the instrument
// has left the bus, refuses everything after.

#include "CommandCodes.h"
#include "DeviceCommands.h"
#include "MessageLog.h"
#include "SimInstrument.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

using namespace seiran;
using namespace seiran::sim;

namespace {

class QuietModule final : public SimModule {
public:
    void command(int, std::span<const std::uint32_t>) override {}
    void read(int, std::span<std::uint8_t> answer) override { std::fill(answer.begin(), answer.end(), std::uint8_t(0x5A)); }
};

std::vector<std::uint8_t> newerFrame(int module, int code, int sequence)
{
    const int word = module * 4096 + code;
    return {std::uint8_t(word), std::uint8_t(word >> 8), std::uint8_t(sequence), std::uint8_t(sequence >> 8), 8, 0};
}

struct PointCase {
    const char* plan;
    std::vector<int> codes; // frames to module 5, in order
    int strikesAt;          // index of the first frame that fails
};

TEST(SimFaults, FaultStrikesAtItsPoint)
{
    const PointCase cases[] = {
        {"fail@open", {0x30, 0x10}, 0},
        {"fail@start", {0x30, 0x21, 0x10, 0x30}, 2},
        {"fail@poll", {0x30, 0x10, 0x28, 0x31, 0x30, 0x30}, 4}, // 0x30 before the start is no poll
        {"fail@transfer", {0x30, 0x31, 0x10, 0x30, 0x29, 0x33}, 5},
        {"fail@transfer+2", {0x10, 0x30, 0x38, 0x30, 0x31, 0x33, 0x33}, 5},
    };
    for (const PointCase& c : cases) {
        SimInstrument sim(11, nullptr);
        sim.installModule(5, std::make_unique<QuietModule>());
        sim.open();
        const auto plan = parseFaultPlan(c.plan);
        ASSERT_TRUE(plan) << c.plan;
        sim.armFault(*plan);
        int failedAt = -1;
        for (std::size_t i = 0; i < c.codes.size(); ++i) {
            if (!sim.writePipe(2, newerFrame(5, c.codes[i], int(i) + 1)) && failedAt < 0)
                failedAt = int(i);
        }
        EXPECT_EQ(failedAt, c.strikesAt) << c.plan;
        EXPECT_FALSE(sim.faultArmed()) << c.plan;
    }
}

TEST(SimFaults, EachKindDoesWhatItsNameSays)
{
    SimInstrument sim(11, nullptr);
    sim.installModule(5, std::make_unique<QuietModule>());
    sim.open();
    std::array<std::uint8_t, 8> data{};
    const std::array<std::uint8_t, 2> announce{8, 0};

    // short: the read after the point delivers half.
    sim.armFault({FaultKind::Short, FaultPoint::Start, 0});
    ASSERT_TRUE(sim.writePipe(2, newerFrame(5, 0x10, 1)));
    ASSERT_TRUE(sim.writePipe(2, newerFrame(5, 0x30, 2)));
    ASSERT_TRUE(sim.vendorOut(vendor::kAnnounceInLength, announce));
    EXPECT_EQ(sim.readPipe(usb::inEndpointFor(11), data), 4);
    ASSERT_TRUE(sim.writePipe(2, newerFrame(5, 0x30, 3)));
    ASSERT_TRUE(sim.vendorOut(vendor::kAnnounceInLength, announce));
    EXPECT_EQ(sim.readPipe(usb::inEndpointFor(11), data), 8);

    // drop-ack: the frame is taken, its acknowledgement does not come.
    sim.armFault({FaultKind::DropAck, FaultPoint::Start, 0});
    ASSERT_TRUE(sim.writePipe(2, newerFrame(5, 0x10, 4)));
    EXPECT_EQ(sim.acknowledgedSequence(), 4);
    ASSERT_TRUE(sim.writePipe(2, newerFrame(5, 0x30, 5)));
    EXPECT_EQ(sim.acknowledgedSequence(), 6);

    // vanish: from the point on nothing gets through, and open finds nothing.
    sim.armFault({FaultKind::Vanish, FaultPoint::Poll, 0});
    ASSERT_TRUE(sim.writePipe(2, newerFrame(5, 0x10, 6)));
    EXPECT_FALSE(sim.writePipe(2, newerFrame(5, 0x30, 7)));
    EXPECT_TRUE(sim.instrumentGone());
    EXPECT_EQ(sim.open().code, OpenCode::NotFound);
    sim.setVanished(false);
    EXPECT_EQ(sim.open().code, OpenCode::Opened);
    EXPECT_TRUE(sim.writePipe(2, newerFrame(5, 0x30, 8)));
}

// On the library path, too, a vanished instrument is noticed: one line, then the refusals of
// InterfaceError instead of a transfer (and its time-out) per command.
TEST(SimFaults, DeviceLayerSetsInterfaceErrorWhenTheInstrumentIsGone)
{
    SimInstrument sim(11, nullptr);
    sim.installModule(5, std::make_unique<QuietModule>());
    DeviceState state;
    MessageLog log;
    DeviceCommands device(state, log);
    device.setUsbTransport(&sim);
    ASSERT_EQ(device.openUsb(), OpenCode::Opened);
    state.DeviceStatus.bytes[2] = 2;

    std::array<std::uint32_t, 2> words{};
    device.ReceiveData(5, 0x30, 8, words);
    EXPECT_EQ(words[0], 0x5A5A5A5Au);
    EXPECT_EQ(device.failureCount(), 0u);
    EXPECT_TRUE(log.lines().isEmpty());

    // A failed transfer of an instrument still there: counted, nothing else.
    sim.failNext(TransferKind::Read, 1);
    device.ReceiveData(5, 0x30, 8, words);
    EXPECT_EQ(words[0], 0u);
    EXPECT_EQ(device.failureCount(), 1u);
    EXPECT_FALSE(state.InterfaceError);
    EXPECT_TRUE(log.lines().isEmpty()) << "the library path keeps its transfer diagnostics quiet";

    sim.setVanished(true);
    const std::uint32_t before = device.failureCount();
    device.ReceiveData(5, 0x30, 8, words);
    EXPECT_GT(device.failureCount(), before);
    EXPECT_TRUE(state.InterfaceError);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("セイランとの接続が切れました。")});
    device.SendCommand(5, 0x10, 8, words);
    EXPECT_EQ(log.lastLine(), QStringLiteral("現在InterfaceError状態のため、コマンドを送信できません。"));
    EXPECT_EQ(log.lines().count(QStringLiteral("セイランとの接続が切れました。")), 1);

    sim.setVanished(false);
    EXPECT_EQ(device.openUsb(), OpenCode::Opened);
    EXPECT_FALSE(state.InterfaceError);
}

} // namespace

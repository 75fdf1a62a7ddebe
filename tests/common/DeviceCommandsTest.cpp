#include "DeviceCommands.h"
#include "DeviceMessages.h"
#include "MessageLog.h"
#include "RemoteExchange.h"
#include "SimInstrument.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

using namespace seiran;
using seiran::sim::SimInstrument;
using seiran::sim::SimRecord;
using seiran::sim::TransferKind;

namespace {

// A module whose every answer byte is a known function of its position and the command code.
class PatternModule final : public sim::SimModule {
public:
    static std::uint8_t byteAt(int code, int index) { return std::uint8_t(index * 7 + code); }
    void command(int code, std::span<const std::uint32_t> params) override
    {
        lastCode = code;
        lastParams.assign(params.begin(), params.end());
    }
    void read(int code, std::span<std::uint8_t> answer) override
    {
        for (std::size_t i = 0; i < answer.size(); ++i)
            answer[i] = byteAt(code, int(i));
    }
    int lastCode = -1;
    std::vector<std::uint32_t> lastParams;
};

std::uint32_t patternWord(int code, int word)
{
    std::uint32_t value = 0;
    for (int b = 0; b < 4; ++b)
        value |= std::uint32_t(PatternModule::byteAt(code, word * 4 + b)) << (8 * b);
    return value;
}

class RecordingRemote final : public RemoteExchange {
public:
    void sendCommand(int module, int command, int byteCount, std::span<const std::uint32_t>) override
    {
        calls.push_back({module, command, byteCount, false});
    }
    void receiveData(int module, int command, int byteCount, std::span<std::uint32_t> dest) override
    {
        calls.push_back({module, command, byteCount, true});
        for (std::size_t i = 0; i < dest.size() && i < std::size_t(byteCount / 4); ++i)
            dest[i] = 0xA0000000u + std::uint32_t(i);
    }
    struct Call { int module, command, byteCount; bool receive; };
    std::vector<Call> calls;
};

class DeviceTest : public ::testing::Test {
protected:
    void attach(int deviceType)
    {
        instrument = std::make_unique<SimInstrument>(deviceType, nullptr);
        auto owned = std::make_unique<PatternModule>();
        module = owned.get();
        instrument->installModule(3, std::move(owned));
        device.setUsbTransport(instrument.get());
        ASSERT_EQ(device.openUsb(), OpenCode::Opened);
        instrument->clearRecords();
    }
    int countRecords(SimRecord::Kind kind, int request = -1) const
    {
        int n = 0;
        for (const SimRecord& r : instrument->records())
            n += r.kind == kind && (request < 0 || r.request == request);
        return n;
    }
    int statusPolls() const { return countRecords(SimRecord::Kind::VendorIn, vendor::kStatusBlock); }

    DeviceState state;
    MessageLog log;
    DeviceCommands device{state, log};
    std::unique_ptr<SimInstrument> instrument;
    PatternModule* module = nullptr;
};

} // namespace

TEST_F(DeviceTest, OlderFramesChooseTheirEndpointByLength)
{
    struct Case { int byteCount; int endpoint; };
    const Case cases[] = {{0, 2}, {4, 2}, {28, 2}, {32, 6}, {36, 6}, {128, 6}};
    attach(7);
    std::array<std::uint32_t, 32> params{};
    for (std::size_t i = 0; i < params.size(); ++i)
        params[i] = 0x11223344u * std::uint32_t(i + 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.byteCount);
        instrument->clearRecords();
        device.SendCommand(3, cmd::kSamplingInterval, c.byteCount, params);
        const auto frames = instrument->frames();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].endpoint, c.endpoint);
        ASSERT_EQ(frames[0].bytes.size(), std::size_t(c.byteCount + 2));
        EXPECT_EQ(frames[0].bytes[0], 0x21);  // command word 0x3021, low byte first
        EXPECT_EQ(frames[0].bytes[1], 0x30);
        if (c.byteCount >= 4) {
            // 0x11223344 reaches the wire as 44 33 22 11.
            EXPECT_EQ(frames[0].bytes[2], 0x44);
            EXPECT_EQ(frames[0].bytes[5], 0x11);
        }
        EXPECT_EQ(module->lastParams, std::vector<std::uint32_t>(params.begin(), params.begin() + c.byteCount / 4));
    }
    EXPECT_EQ(statusPolls(), 0);
    EXPECT_EQ(state.CommandSequence, 0);
    EXPECT_EQ(instrument->endpointErrors(), 0);
}

TEST_F(DeviceTest, CommandWordIsTruncatedToSixteenBits)
{
    attach(7);
    device.SendCommand(17, 0x22, 0); // 17 * 4096 + 0x22 = 0x11022 -> 0x1022, module 1
    const auto frames = instrument->frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].module, 1);
    EXPECT_EQ(frames[0].code, 0x22);
}

TEST_F(DeviceTest, NewerFrameCarriesSequenceAndIsAcknowledgedInOnePoll)
{
    attach(11);
    const std::array<std::uint32_t, 2> params{0x12345678u, 0x9ABCDEF0u};
    device.SendCommand(3, cmd::kStartCapture, 8, params);
    device.SendCommand(3, cmd::kStopCapture, 0);

    const auto frames = instrument->frames();
    ASSERT_EQ(frames.size(), 2u);
    const std::vector<std::uint8_t> expected{0x10, 0x30, 1, 0, 0, 0, 0x78, 0x56, 0x34, 0x12, 0xF0, 0xDE, 0xBC, 0x9A};
    EXPECT_EQ(frames[0].bytes, expected);
    EXPECT_EQ(frames[0].endpoint, 2);
    EXPECT_EQ(frames[1].bytes.size(), 6u); // ByteCount 0 is a multiple of 8: accepted
    EXPECT_EQ(frames[1].sequence, 2);
    EXPECT_EQ(statusPolls(), 2);           // one poll per command when acknowledged at once
    EXPECT_EQ(state.CommandSequence, 2);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(DeviceTest, NewerRefusesByteCountsThatAreNoMultipleOfEight)
{
    attach(12);
    for (int byteCount : {4, 12}) {
        SCOPED_TRACE(byteCount);
        log.clear();
        device.SendCommand(3, cmd::kTriggerRising, byteCount, std::array<std::uint32_t, 3>{1, 2, 3});
        EXPECT_EQ(log.lines(), QStringList({msg::kParamCountNotMultipleOf8,
                                            QStringLiteral("PrmCount=%1 Command=0022").arg(byteCount)}));
    }
    std::array<std::uint32_t, 3> dest{7, 7, 7};
    log.clear();
    device.ReceiveData(3, cmd::kMemoryBlock, 12, dest);
    EXPECT_EQ(log.lines(), QStringList({msg::kReadCountNotMultipleOf8, QStringLiteral("USBRCount=12 Command=0033")}));
    EXPECT_EQ(dest, (std::array<std::uint32_t, 3>{7, 7, 7}));
    EXPECT_TRUE(instrument->records().empty());
    EXPECT_EQ(state.CommandSequence, 0);
}

TEST_F(DeviceTest, SequenceWrapsFrom255ToZero)
{
    attach(10);
    state.CommandSequence = 254;
    device.SendCommand(3, cmd::kArmTrigger, 8);
    ASSERT_EQ(instrument->acknowledgedSequence(), 0); // frame 255 taken, expects 0 next
    instrument->clearRecords();

    device.SendCommand(3, cmd::kArmTrigger, 8);
    const auto frames = instrument->frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].sequence, 0);
    EXPECT_EQ(state.CommandSequence, 0);
    EXPECT_EQ(instrument->acknowledgedSequence(), 1);
    EXPECT_EQ(statusPolls(), 1); // the expected acknowledgement is 1, and it matched at once
}

TEST_F(DeviceTest, MissingAcknowledgementIsPolledFiveTimesAndReportedOnce)
{
    attach(11);
    state.ReportTransferErrors = true;
    instrument->dropAcknowledgements(2);

    device.SendCommand(3, cmd::kStartCapture, 8);
    EXPECT_EQ(statusPolls(), 5);
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral("送信シーケンスエラー Command=3010 SequenceNo+1=2 rcvSQNo=1")}));
    EXPECT_FALSE(state.ReportTransferErrors);

    // The diagnostics are off now: a second lost acknowledgement is polled but not reported.
    std::array<std::uint32_t, 2> dest{};
    device.ReceiveData(3, cmd::kModuleStatus, 8, dest);
    EXPECT_EQ(statusPolls(), 10);
    EXPECT_EQ(log.lineCount(), 1);
    // The frame is never sent again, and the data phase still runs.
    EXPECT_EQ(instrument->frames().size(), 2u);
    EXPECT_EQ(dest[0], patternWord(cmd::kModuleStatus, 0));
}

TEST_F(DeviceTest, ReceiveSequenceErrorHasItsOwnText)
{
    attach(13);
    state.ReportTransferErrors = true;
    instrument->dropAcknowledgements(1);
    std::array<std::uint32_t, 2> dest{};
    device.ReceiveData(3, cmd::kPointerWord, 8, dest);
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral("受信シーケンス１エラー Command=3038 SequenceNo+1=2 rcvSQNo=1")}));
}

TEST_F(DeviceTest, LateAcknowledgementEndsThePollEarly)
{
    attach(11);
    instrument->delayAcknowledgement(2);
    device.SendCommand(3, cmd::kStartCapture, 8);
    EXPECT_EQ(statusPolls(), 3);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(DeviceTest, NewerDataPhaseFollowsFirmwareLevel)
{
    for (int level : {0, 1, 2}) {
        SCOPED_TRACE(level);
        attach(11);
        state.DeviceStatus.bytes[2] = std::uint8_t(level);
        std::array<std::uint32_t, 512> dest{};
        device.ReceiveData(3, cmd::kMemoryBlock, 2048, dest);

        const auto& records = instrument->records();
        // frame, status poll, then the data phase
        ASSERT_EQ(records.size(), level == 1 ? 3u : 4u);
        EXPECT_EQ(records[0].announcedBytes, 2048);
        if (level == 1) {
            EXPECT_EQ(records[2].kind, SimRecord::Kind::VendorIn);
            EXPECT_EQ(records[2].request, vendor::kReadData);
            EXPECT_EQ(records[2].length, 2048);
        } else {
            EXPECT_EQ(records[2].kind, SimRecord::Kind::VendorOut);
            EXPECT_EQ(records[2].request, vendor::kAnnounceInLength);
            EXPECT_EQ(records[2].bytes, (std::vector<std::uint8_t>{0x00, 0x08}));
            EXPECT_EQ(records[3].kind, SimRecord::Kind::PipeRead);
            EXPECT_EQ(records[3].endpoint, 0x86);
        }
        for (int w : {0, 1, 255, 511})
            EXPECT_EQ(dest[std::size_t(w)], patternWord(cmd::kMemoryBlock, w)) << "word " << w;
    }
}

TEST_F(DeviceTest, OlderReceiveOfFourBytesStoresExactlyOneWord)
{
    attach(4);
    std::array<std::uint32_t, 2> dest{0xDEADBEEFu, 0xDEADBEEFu};
    device.ReceiveData(3, cmd::kModuleStatus, 4, dest);
    EXPECT_EQ(dest[0], patternWord(cmd::kModuleStatus, 0));
    EXPECT_EQ(dest[1], 0xDEADBEEFu);

    const auto& records = instrument->records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].bytes, (std::vector<std::uint8_t>{0x30, 0x30})); // the command word only
    EXPECT_EQ(records[0].endpoint, 2);
    EXPECT_EQ(records[1].kind, SimRecord::Kind::PipeRead);
    EXPECT_EQ(records[1].endpoint, 0x85);
    EXPECT_EQ(records[1].length, 4);
}

TEST_F(DeviceTest, VendorRequestsCarryLittleEndianBytes)
{
    attach(11);
    device.WriteVendorCommand(vendor::kProbeLevel, 2, std::array<std::uint32_t, 1>{0x0000BEEFu});
    std::array<std::uint32_t, 3> status{};
    device.ReadVendorCommand(vendor::kStatusBlock, 12, status);

    const auto& records = instrument->records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].bytes, (std::vector<std::uint8_t>{0xEF, 0xBE}));
    // Byte 10 of the block is the acknowledged sequence (1 after power-up): word 2, bits 16-23.
    EXPECT_EQ((status[2] >> 16) & 0xFF, 1u);
}

TEST_F(DeviceTest, VendorOperationsDoNothingOnTheRemoteInterface)
{
    attach(11);
    RecordingRemote remote;
    device.setRemoteExchange(&remote);
    state.InterfaceKind = kInterfaceRemote;

    std::array<std::uint32_t, 3> dest{5, 5, 5};
    device.WriteVendorCommand(vendor::kFpgaReset, 0);
    device.ReadVendorCommand(vendor::kStatusBlock, 12, dest);
    EXPECT_TRUE(instrument->records().empty());
    EXPECT_TRUE(remote.calls.empty());
    EXPECT_EQ(dest, (std::array<std::uint32_t, 3>{5, 5, 5}));

    // The module operations go to the remote link, with no byte-count check and no poll.
    device.SendCommand(0, cmd::kConfigBlockRemote, 1024, std::vector<std::uint32_t>(256));
    device.ReceiveData(0, cmd::kStatusBlock, 12, dest);
    ASSERT_EQ(remote.calls.size(), 2u);
    EXPECT_EQ(remote.calls[0].byteCount, 1024);
    EXPECT_TRUE(remote.calls[1].receive);
    EXPECT_EQ(dest[2], 0xA0000002u);
    EXPECT_TRUE(instrument->records().empty());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(DeviceTest, UnknownInterfaceKindSendsNothing)
{
    attach(11);
    RecordingRemote remote;
    device.setRemoteExchange(&remote);
    state.InterfaceKind = QStringLiteral("usb"); // names compare as exact texts
    device.SendCommand(3, cmd::kStartCapture, 8);
    EXPECT_TRUE(instrument->records().empty());
    EXPECT_TRUE(remote.calls.empty());
}

TEST_F(DeviceTest, InterfaceErrorRefusesEveryOperationOnce)
{
    attach(11);
    state.InterfaceError = true;
    std::array<std::uint32_t, 4> dest{9, 9, 9, 9};
    const std::function<void()> calls[] = {
        [&] { device.SendCommand(3, cmd::kStartCapture, 8); },
        [&] { device.ReceiveData(3, cmd::kModuleStatus, 8, dest); },
        [&] { device.WriteVendorCommand(vendor::kFpgaReset, 0); },
        [&] { device.ReadVendorCommand(vendor::kStatusBlock, 12, dest); },
    };
    for (const auto& call : calls) {
        log.clear();
        call();
        EXPECT_EQ(log.lines(), QStringList{msg::kInterfaceErrorRefusal});
    }
    EXPECT_TRUE(instrument->records().empty());
    EXPECT_EQ(dest, (std::array<std::uint32_t, 4>{9, 9, 9, 9}));
    EXPECT_EQ(state.CommandSequence, 0);
}

TEST_F(DeviceTest, DriverPathReportsFailedTransfersWhileDiagnosticsAreOn)
{
    struct Case { const char* name; int deviceType; TransferKind kind; QStringList driverLines; };
    const Case cases[] = {
        {"frame write", 7, TransferKind::Write, {msg::kWriteTransferError}},
        {"pipe read", 11, TransferKind::Read, {msg::kReadTransferError}},
        // The lost announcement leaves the instrument with nothing to send: the read fails too.
        {"announce", 11, TransferKind::VendorOut,
         {msg::kVendorTransferError, QStringLiteral("Vendor Command = $36"), msg::kReadTransferError}},
    };
    for (int path : {kUsbPathDriver, kUsbPathLibrary}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "path " << path << ", " << c.name);
            attach(c.deviceType);
            log.clear();
            state.UsbPath = path;
            state.ReportTransferErrors = true;
            instrument->failNext(c.kind);
            std::array<std::uint32_t, 2> dest{1, 1};
            if (c.kind == TransferKind::Write)
                device.SendCommand(3, cmd::kStartCapture, 8);
            else
                device.ReceiveData(3, cmd::kModuleStatus, 8, dest);
            if (path == kUsbPathDriver)
                EXPECT_EQ(log.lines(), c.driverLines);
            else
                EXPECT_TRUE(log.lines().isEmpty()); // the library path reports nothing
            if (c.kind != TransferKind::Write) {
                // Nothing arrived: the destination is cleared, not left with stale words.
                EXPECT_EQ(dest, (std::array<std::uint32_t, 2>{0, 0}));
            }
        }
    }
}

TEST_F(DeviceTest, ShortReadKeepsWhatArrivedAndClearsTheRest)
{
    attach(11);
    instrument->shortenNextRead(5);
    std::array<std::uint32_t, 4> dest{1, 1, 1, 1};
    device.ReceiveData(3, cmd::kCapturedEntries, 16, dest);
    EXPECT_EQ(dest[0], patternWord(cmd::kCapturedEntries, 0));
    EXPECT_EQ(dest[1], std::uint32_t(PatternModule::byteAt(cmd::kCapturedEntries, 4)));
    EXPECT_EQ(dest[2], 0u);
    EXPECT_EQ(dest[3], 0u);
}

TEST_F(DeviceTest, OpenSetsDeviceTypeAndResetsPipesOnTheDriverPath)
{
    struct Case { int deviceType; int path; int resets; };
    const Case cases[] = {{11, kUsbPathDriver, 1}, {11, kUsbPathLibrary, 0}, {7, kUsbPathDriver, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.deviceType << "/" << c.path);
        SimInstrument sim(c.deviceType, nullptr);
        state = DeviceState{};
        state.UsbPath = c.path;
        state.InterfaceError = true;
        device.setUsbTransport(&sim);
        EXPECT_EQ(device.openUsb(), OpenCode::Opened);
        EXPECT_EQ(state.DeviceType, c.deviceType);
        EXPECT_FALSE(state.InterfaceError);
        EXPECT_EQ(sim.pipeResets(), c.resets);
        device.setUsbTransport(nullptr);
    }
}

TEST_F(DeviceTest, VanishedInstrumentIsNotFound)
{
    SimInstrument sim(11, nullptr);
    sim.setVanished(true);
    device.setUsbTransport(&sim);
    EXPECT_EQ(device.openUsb(), OpenCode::NotFound);
    EXPECT_TRUE(state.InterfaceError);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("セイランが見つかりません。")});
}

TEST_F(DeviceTest, VendorRequestsTakeTheirRemoteFormOnTheRemoteInterface)
{
    attach(11);
    RecordingRemote remote;
    device.setRemoteExchange(&remote);
    std::array<std::uint32_t, 3> status{};

    struct Case { int request; bool read; int remoteByteCount; };
    const Case cases[] = {
        {vendor::kProbeLevel, false, 8}, {vendor::kFpgaReset, false, 0},
        {vendor::kConfigBegin, false, 0}, {vendor::kStatusBlock, true, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        state.InterfaceKind = kInterfaceRemote;
        remote.calls.clear();
        if (c.read)
            device.ReadVendorOrRemote(c.request, 12, status);
        else
            device.WriteVendorOrRemote(c.request, c.request == vendor::kProbeLevel ? 2 : 0,
                                       std::array<std::uint32_t, 2>{1, 0});
        ASSERT_EQ(remote.calls.size(), 1u);
        EXPECT_EQ(remote.calls[0].module, 0);
        EXPECT_EQ(remote.calls[0].command, c.request);
        EXPECT_EQ(remote.calls[0].byteCount, c.remoteByteCount);
        EXPECT_EQ(remote.calls[0].receive, c.read);

        // On "USB" the same call is the vendor request itself.
        state.InterfaceKind = kInterfaceUsb;
        instrument->clearRecords();
        if (c.read)
            device.ReadVendorOrRemote(c.request, 12, status);
        else
            device.WriteVendorOrRemote(c.request, c.request == vendor::kProbeLevel ? 2 : 0);
        ASSERT_EQ(instrument->records().size(), 1u);
        EXPECT_EQ(instrument->records()[0].request, c.request);
    }

    // The trace buffer has no remote form.
    state.InterfaceKind = kInterfaceRemote;
    remote.calls.clear();
    std::array<std::uint32_t, 32> trace{};
    device.ReadVendorOrRemote(vendor::kTraceBuffer, 128, trace);
    EXPECT_TRUE(remote.calls.empty());
}

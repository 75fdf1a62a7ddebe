// Faults of the instrument during a capture: at the start command, while the end is polled and
// while the memory is read, on a bit-plane and a compressed page. Whatever the fault, the log says
// what happened, the poll ends within its time-outs, a page never claims a capture it did not
// read, and a capture after reconnecting (or once the fault has passed) is read correctly.

#include "TransferTestFixture.h"

#include "CommandCodes.h"

#include "ManualClock.h"
#include "RecordingFrontEnd.h"
#include "SimAnalyzerModule.h"
#include "SimFaults.h"
#include "SimFpga.h"
#include "SimulatedInstrument.h"
#include "capture/RunControl.h"
#include "capture/Transfer.h"
#include "core/AnalyzerState.h"
#include "core/Timers.h"
#include "setup/HardwareModes.h"
#include "setup/StartUp.h"
#include "view/Pages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using namespace seiran;

namespace {

QString builtConfigurationFolder()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

const QString kCompressedMode = QStringLiteral("圧縮 100MHz 16ch 256Kbit");

// The analyzer started up on a simulated TK-C4, page 0 in the start mode (bit planes) or the
// compressed mode.
class FaultRig {
public:
    explicit FaultRig(bool compressed)
        : state(clock, frontEnd, folder.path())
    {
        instrument = sim::makeSimulatedInstrument(11, &clock);
        instrument->setRecording(false);
        state.commands.setUsbTransport(instrument.get());
        copyConfiguration(startMode(11));
        RunStartUp(state, {3});
        if (compressed) {
            copyConfiguration(kCompressedMode);
            ChangeHardwareMode(state, kCompressedMode);
        }
    }

    void copyConfiguration(const QString& mode)
    {
        const QString file = configurationFileName(mode, 11);
        QFile::copy(QDir(builtConfigurationFolder()).filePath(file), folder.filePath(file));
    }

    sim::SimAnalyzerModule* module()
    {
        return dynamic_cast<sim::SimAnalyzerModule*>(sim::simulatedFpga(*instrument)->slotModule(page().PageModule));
    }

    PageState& page() { return state.pages[0]; }

    // RUN, then the poll on simulated time; false when the page is still busy after a minute.
    bool capture()
    {
        state.log.clear();
        StartCapture(state, 0);
        return clock.runUntil([&] { return !anyPageBusy(state); }, 60 * 1000);
    }

    QString log() const { return state.log.lines().join(QLatin1Char('\n')); }
    bool logged(const QString& line) const { return state.log.lines().contains(line); }

    ManualClock clock;
    RecordingFrontEnd frontEnd;
    QTemporaryDir folder;
    AnalyzerState state;
    std::unique_ptr<sim::SimInstrument> instrument;
};

// The page holds exactly what the instrument sampled.
void expectGroundTruth(FaultRig& rig)
{
    const PageState& p = rig.page();
    const sim::GroundTruth& truth = rig.module()->groundTruth();
    ASSERT_TRUE(truth.captured);
    ASSERT_TRUE(p.hasData);
    if (p.compressed) {
        ASSERT_EQ(std::size_t(p.recCount), truth.records.size());
        EXPECT_EQ(p.sampleCount, truth.sampleCount);
        for (int i = 0; i < p.recCount; i += 61) {
            EXPECT_EQ(p.displayList.value(i) & 0xFFFF, truth.records[std::size_t(i)].value & 0xFFFF) << "record " << i;
            EXPECT_EQ(p.displayList.runLength(i), truth.records[std::size_t(i)].length) << "record " << i;
        }
        return;
    }
    EXPECT_EQ(p.triggerPosition, truth.triggerIndex);
    const int unshown = p.dataCount > 32000 ? rig.module()->startupSamples() : 0;
    int wrong = 0;
    for (int j = 0; j < p.dataCount - unshown && wrong < 3; j += 7) {
        if (!truth.carried.empty() && truth.carried[std::size_t(j)] == 0)
            continue;
        for (int c = 0; c < p.channelCount; ++c)
            if (p.sampleBits.level(c, j) != truth.level(c, j)) {
                ADD_FAILURE() << "sample " << j << " channel " << c;
                ++wrong;
                break;
            }
    }
}

enum class Outcome {
    Read,          // the capture is read in full despite the fault
    PollRetried,   // a status read failed, the next tick read the end
    NotStarted,    // the start command did not arrive
    Abandoned,     // the end could not be polled any more
    TransferFailed, // the memory could not be read
};

struct FaultCase {
    const char* plan;
    Outcome outcome;
};

// Shared by both kinds of page.
const FaultCase kFaults[] = {
    {"drop-ack@start", Outcome::Read},
    {"drop-ack@poll", Outcome::Read},
    {"drop-ack@transfer", Outcome::Read},
    {"fail@start", Outcome::NotStarted},
    {"fail@poll", Outcome::PollRetried},
    {"fail@transfer", Outcome::TransferFailed},
    {"fail@transfer+20", Outcome::TransferFailed},
    {"short@start", Outcome::PollRetried}, // no read at the start: the next one, the poll's, is short
    {"short@poll", Outcome::PollRetried},
    {"short@transfer", Outcome::TransferFailed},
    {"short@transfer+20", Outcome::TransferFailed},
    {"vanish@start", Outcome::NotStarted},
    {"vanish@poll", Outcome::Abandoned},
    {"vanish@transfer", Outcome::TransferFailed},
    {"vanish@transfer+20", Outcome::TransferFailed},
};

struct FaultParam {
    bool compressed;
    FaultCase fault;
};

class CaptureFaults : public ::testing::TestWithParam<FaultParam> {};

TEST_P(CaptureFaults, FaultIsReportedAndThePageClaimsNothing)
{
    const FaultParam& param = GetParam();
    FaultRig rig(param.compressed);
    ASSERT_EQ(rig.state.log.lastLine(), QStringLiteral("ハードウェアは正常です。")) << rig.log().toStdString();
    ASSERT_EQ(rig.page().compressed, param.compressed);
    const QString caption = PageCaption(0);
    const bool vanish = std::string_view(param.fault.plan).starts_with("vanish");

    const auto plan = sim::parseFaultPlan(param.fault.plan);
    ASSERT_TRUE(plan.has_value());
    rig.instrument->armFault(*plan);
    ASSERT_TRUE(rig.capture()) << "still busy: " << rig.log().toStdString();
    EXPECT_FALSE(rig.instrument->faultArmed()) << "the fault never struck";
    // Whatever happened, the poll is over.
    EXPECT_EQ(rig.clock.timer(kTimCheckEnd).interval(), 0);
    EXPECT_TRUE(rig.state.controls.analyzer.runEnabled);
    EXPECT_TRUE(rig.state.controls.interfaceMenuEnabled);

    const QString finished = caption + QStringLiteral(" 測定が終わりました。");
    switch (param.fault.outcome) {
    case Outcome::Read:
    case Outcome::PollRetried:
        EXPECT_EQ(rig.logged(QStringLiteral("モジュールの状態を読み出せませんでした。")),
                  param.fault.outcome == Outcome::PollRetried)
            << rig.log().toStdString();
        EXPECT_EQ(rig.state.log.lastLine(), finished) << rig.log().toStdString();
        expectGroundTruth(rig);
        break;
    case Outcome::NotStarted:
    case Outcome::Abandoned:
        EXPECT_FALSE(rig.page().hasData);
        EXPECT_FALSE(rig.logged(finished)) << rig.log().toStdString();
        EXPECT_EQ(rig.state.log.lastLine(),
                  caption + (param.fault.outcome == Outcome::NotStarted ? QStringLiteral(" 測定を開始できませんでした。")
                                                                        : QStringLiteral(" 測定を中止しました。")))
            << rig.log().toStdString();
        break;
    case Outcome::TransferFailed:
        EXPECT_FALSE(rig.page().hasData);
        EXPECT_FALSE(rig.logged(finished)) << rig.log().toStdString();
        EXPECT_TRUE(rig.logged(caption + QStringLiteral(" データ転送に失敗しました。"))) << rig.log().toStdString();
        break;
    }
    EXPECT_EQ(rig.state.device.InterfaceError, vanish);
    EXPECT_EQ(rig.logged(QStringLiteral("セイランとの接続が切れました。")), vanish) << rig.log().toStdString();

    // The instrument comes back and is opened again, as the interface dialog does; a capture is
    // then read in full.
    if (vanish) {
        rig.instrument->setVanished(false);
        rig.state.commands.openUsb();
        ASSERT_FALSE(rig.state.device.InterfaceError);
    }
    ASSERT_TRUE(rig.capture()) << rig.log().toStdString();
    EXPECT_EQ(rig.state.log.lastLine(), finished) << rig.log().toStdString();
    expectGroundTruth(rig);
}

std::vector<FaultParam> allFaultParams()
{
    std::vector<FaultParam> out;
    for (bool compressed : {false, true})
        for (const FaultCase& f : kFaults)
            out.push_back({compressed, f});
    return out;
}

INSTANTIATE_TEST_SUITE_P(Table, CaptureFaults, ::testing::ValuesIn(allFaultParams()),
                         [](const ::testing::TestParamInfo<FaultParam>& param) {
                             std::string name = param.param.compressed ? "Compressed_" : "BitPlanes_";
                             for (const char* ch = param.param.fault.plan; *ch; ++ch)
                                 name += std::isalnum(static_cast<unsigned char>(*ch)) ? *ch : '_';
                             return name;
                         });

// A fault that outlasts the retries of the poll: the capture is given up, not read as ended.
TEST(CaptureFaults, StatusReadsThatKeepFailingEndThePoll)
{
    FaultRig rig(false);
    StartCapture(rig.state, 0);
    rig.instrument->failNext(sim::TransferKind::Any, 1000000);
    ASSERT_TRUE(rig.clock.runUntil([&] { return !anyPageBusy(rig.state); }, 60 * 1000)) << rig.log().toStdString();
    EXPECT_FALSE(rig.page().hasData);
    EXPECT_EQ(rig.state.log.lastLine(), PageCaption(0) + QStringLiteral(" 測定を中止しました。")) << rig.log().toStdString();
    EXPECT_EQ(rig.state.log.lines().count(QStringLiteral("モジュールの状態を読み出せませんでした。")), 1);
    EXPECT_EQ(rig.clock.timer(kTimCheckEnd).interval(), 0);
    EXPECT_FALSE(rig.state.device.InterfaceError);
}

// A failed transfer ends a repeat instead of starting the next capture after a memory that was
// not read.
TEST(CaptureFaults, FailedTransferInRepeatStopsTheRepeat)
{
    FaultRig rig(false);
    rig.page().runModeText = QStringLiteral("リピート");
    rig.instrument->armFault({sim::FaultKind::Fail, sim::FaultPoint::Transfer, 0});
    ASSERT_TRUE(rig.capture()) << rig.log().toStdString();
    EXPECT_FALSE(rig.page().running);
    EXPECT_FALSE(rig.page().hasData);
    EXPECT_EQ(rig.state.log.lastLine(), PageCaption(0) + QStringLiteral(" データ転送に失敗しました。"));
}

// The memory read stops at the first block that fails instead of waiting out a time-out for each
// of the others; the page then holds no capture, not the blocks that did arrive.
TEST(CaptureFaults, TransferStopsAtTheFirstFailedRead)
{
    transfertest::TransferFixture f(11, 2);
    transfertest::ModuleConfig config;
    config.dataCount = 32639;
    config.trimBlock = true;
    transfertest::MemoryModule& memory = f.install(config);
    memory.endStatus = 0; // no head entries
    const int blocks = (32639 + 129) / 32 / 16;
    memory.blockWords.assign(std::size_t(blocks) * 512, 0xFFFFFFFFu);

    ASSERT_TRUE(TransferCapture(f.state, 0, 0));
    ASSERT_TRUE(f.page().hasData);
    EXPECT_EQ(memory.reads[0x33], blocks);

    memory.rewind();
    f.state.log.clear();
    f.instrument->armFault({sim::FaultKind::Fail, sim::FaultPoint::Transfer, 5});
    const std::array<std::uint32_t, 2> zero{};
    f.state.commands.SendCommand(config.slot, cmd::kStartCapture, 8, zero);
    EXPECT_FALSE(TransferCapture(f.state, 0, 0));
    EXPECT_EQ(memory.reads[0x33], 5);
    EXPECT_FALSE(f.page().hasData);
    EXPECT_EQ(f.state.log.lastLine(), PageCaption(0) + QStringLiteral(" データ転送に失敗しました。"));
}

TEST(SimFaultPlan, ParsesTheAcceptedTextsAndNothingElse)
{
    struct Row {
        const char* text;
        bool ok;
        sim::FaultKind kind;
        sim::FaultPoint point;
        int reads;
    };
    const Row rows[] = {
        {"drop-ack@start", true, sim::FaultKind::DropAck, sim::FaultPoint::Start, 0},
        {"fail@open", true, sim::FaultKind::Fail, sim::FaultPoint::Open, 0},
        {"short@poll", true, sim::FaultKind::Short, sim::FaultPoint::Poll, 0},
        {"vanish@transfer", true, sim::FaultKind::Vanish, sim::FaultPoint::Transfer, 0},
        {"vanish@transfer+300", true, sim::FaultKind::Vanish, sim::FaultPoint::Transfer, 300},
        {"fail@transfer+1000000", true, sim::FaultKind::Fail, sim::FaultPoint::Transfer, 1000000},
        {"fail@transfer+1000001", false, {}, {}, 0},
        {"fail@transfer+", false, {}, {}, 0},
        {"fail@transfer+-1", false, {}, {}, 0},
        {"fail@transfer+3x", false, {}, {}, 0},
        {"fail@Transfer", false, {}, {}, 0},
        {"explode@start", false, {}, {}, 0},
        {"fail", false, {}, {}, 0},
        {"fail@", false, {}, {}, 0},
        {"@start", false, {}, {}, 0},
        {"", false, {}, {}, 0},
        {"fail@start@poll", false, {}, {}, 0},
    };
    for (const Row& row : rows) {
        const auto plan = sim::parseFaultPlan(row.text);
        ASSERT_EQ(plan.has_value(), row.ok) << row.text;
        if (!plan)
            continue;
        EXPECT_EQ(plan->kind, row.kind) << row.text;
        EXPECT_EQ(plan->point, row.point) << row.text;
        EXPECT_EQ(plan->reads, row.reads) << row.text;
    }
}

} // namespace

#include "DeviceCommands.h"
#include "LibusbPath.h"
#include "MessageLog.h"

#include <gtest/gtest.h>

#include <array>

using namespace seiran;

// Test machines have no instrument attached (and often no USB bus at all).
TEST(LibusbPath, NoInstrumentAttachedIsNotFound)
{
    LibusbPath path;
    const UsbOpenResult result = path.open();
    EXPECT_EQ(result.code, OpenCode::NotFound);
    EXPECT_EQ(result.deviceType, 0);

    // Transfers on a path that is not open fail instead of touching a device.
    std::array<std::uint8_t, 12> buffer{};
    EXPECT_FALSE(path.writePipe(2, buffer));
    EXPECT_EQ(path.readPipe(0x86, buffer), -1);
    EXPECT_EQ(path.vendorIn(0xE1, buffer), -1);
    path.close();
    path.close(); // closing twice is harmless
}

TEST(LibusbPath, DeviceLayerLogsTheOpenResultAndRefusesCommands)
{
    DeviceState state;
    MessageLog log;
    DeviceCommands device(state, log);
    LibusbPath path;
    device.setUsbTransport(&path);

    EXPECT_EQ(device.openUsb(), OpenCode::NotFound);
    EXPECT_TRUE(state.InterfaceError);
    EXPECT_EQ(log.lastLine(), QStringLiteral("セイランが見つかりません。"));

    device.SendCommand(0, 0x11, 8);
    EXPECT_EQ(log.lastLine(), QStringLiteral("現在InterfaceError状態のため、コマンドを送信できません。"));
}

TEST(OpenCodes, EveryFailureHasItsMessage)
{
    EXPECT_TRUE(openCodeMessage(OpenCode::Opened).isEmpty());
    EXPECT_EQ(openCodeMessage(OpenCode::DriverUnavailable), QStringLiteral("USBドライバをオープンできません。"));
    EXPECT_EQ(openCodeMessage(OpenCode::NotFound), QStringLiteral("セイランが見つかりません。"));
    EXPECT_EQ(openCodeMessage(OpenCode::NotThisProduct), QStringLiteral("接続している機器はセイランではありません。"));
    EXPECT_EQ(openCodeMessage(OpenCode::SeveralAttached), QStringLiteral("複数のセイランを接続しています。"));
    EXPECT_EQ(int(OpenCode::DriverUnavailable), 17);
    EXPECT_EQ(int(OpenCode::SeveralAttached), 0x23);
}

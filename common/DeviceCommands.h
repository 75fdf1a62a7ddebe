#pragma once

#include "DeviceState.h"
#include "UsbTransport.h"
#include "CommandCodes.h"

#include <array>
#include <cstdint>
#include <span>

namespace seiran {

class MessageLog;
class RemoteExchange;

// The four operations every part of the program uses to talk to the instrument. They frame a
// command (command word = module * 4096 + code, then 32-bit little-endian parameter words), send
// it down the USB path or hand it to the remote link, and on newer instruments poll the status
// block until the instrument acknowledges the frame's sequence number.
//
// None of them returns an error: failures go to the message log, and the caller goes on.
// No memory is allocated per command; frames are built in fixed buffers.
class DeviceCommands {
public:
    DeviceCommands(DeviceState& state, MessageLog& log);

    void setUsbTransport(UsbTransport* usb) { m_usb = usb; }
    void setRemoteExchange(RemoteExchange* remote) { m_remote = remote; }
    UsbTransport* usbTransport() const { return m_usb; }

    // Sends one command with byteCount / 4 parameter words. Words missing from params go out as 0.
    void SendCommand(int module, int command, int byteCount, std::span<const std::uint32_t> params = {});
    // Asks for byteCount bytes and stores byteCount / 4 words in dest.
    void ReceiveData(int module, int command, int byteCount, std::span<std::uint32_t> dest);
    // Vendor requests; they act on "USB" only.
    void WriteVendorCommand(int request, int length, std::span<const std::uint32_t> data = {});
    void ReadVendorCommand(int request, int length, std::span<std::uint32_t> dest);

    // A vendor request that must reach the instrument on either interface: the vendor request on
    // "USB", its remote form (SendCommand / ReceiveData on module 0, which the server turns back
    // into the request) on "リモート". Requests without a remote form do nothing remotely.
    void WriteVendorOrRemote(int request, int length, std::span<const std::uint32_t> data = {});
    void ReadVendorOrRemote(int request, int length, std::span<std::uint32_t> dest);

    // Opens the instrument on the USB path: sets DeviceType and InterfaceError, logs the path's
    // own lines and the message of a failed open, and on the kernel-driver path resets the pipes
    // of a newer instrument.
    OpenCode openUsb();
    void closeUsb();

    // Operations that did not reach the instrument since the layer was made: refused ones (see
    // InterfaceError) and failed or short transfers. The operations return nothing, so a caller
    // that must know whether a series of them got through compares the count before and after.
    // A failure on an instrument that has left the bus also sets InterfaceError (logged once).
    std::uint32_t failureCount() const { return m_failures; }

    DeviceState& state() { return m_state; }
    const DeviceState& state() const { return m_state; }

private:
    bool refusedForInterfaceError();
    void sendUsb(int module, int command, int byteCount, std::span<const std::uint32_t> params);
    void receiveUsb(int module, int command, int byteCount, std::span<std::uint32_t> dest);
    void pollAcknowledgement(const QString& errorText, int commandWord);

    bool writeFrame(int endpoint, int length);
    // Reads `length` bytes into m_readBuffer (zero-filled first); false on a failed or short read.
    bool readPipeInto(int length);
    void clearBeyond(int received, int length);
    bool vendorOut(int request, std::span<const std::uint8_t> data);
    bool vendorIn(int request, int length);
    void logVendorFailure(int request);
    bool driverDiagnostics() const;
    void noteFailure();

    DeviceState& m_state;
    MessageLog& m_log;
    UsbTransport* m_usb = nullptr;
    RemoteExchange* m_remote = nullptr;
    std::uint32_t m_failures = 0;

    std::array<std::uint8_t, 6 + usb::kMaxFrameParamBytes> m_frame{};
    std::array<std::uint8_t, usb::kMaxReadBytes> m_readBuffer{};
    std::array<std::uint8_t, usb::kMaxVendorOutBytes> m_vendorBuffer{};
};

} // namespace seiran

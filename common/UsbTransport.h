#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>

namespace seiran {

// Result of opening the instrument. Any code but kOpened leaves the device layer refusing
// every command (InterfaceError).
enum class OpenCode : std::uint8_t {
    Opened = 0,
    DriverUnavailable = 17,   // the USB stack could not be opened
    NotFound = 0x21,
    NotThisProduct = 0x22,
    SeveralAttached = 0x23,
};

// The log line for a failed open; empty for OpenCode::Opened.
QString openCodeMessage(OpenCode code);

struct UsbOpenResult {
    OpenCode code = OpenCode::NotFound;
    int deviceType = 0;          // the product ID of the instrument found, 0 when none
    QStringList details;         // what the path itself has to say (driver messages)
};

// One way down to the instrument: the libusb path for real hardware, the simulated instrument
// for demos and tests. Every transfer blocks until it ends or times out (1000 ms out, 2000 ms in
// on real hardware) and reports only success or failure; the device layer decides what to log.
class UsbTransport {
public:
    virtual ~UsbTransport() = default;

    virtual UsbOpenResult open() = 0;
    virtual void close() = 0;

    // Writes one frame to an OUT endpoint (2 or 6).
    virtual bool writePipe(int endpoint, std::span<const std::uint8_t> frame) = 0;
    // Reads from an IN endpoint (0x85 or 0x86). Returns the number of bytes received, or -1.
    virtual int readPipe(int endpoint, std::span<std::uint8_t> buffer) = 0;
    // Vendor control transfers on pipe 0 (wValue 0, wIndex 0).
    virtual bool vendorOut(int request, std::span<const std::uint8_t> data) = 0;
    // Returns the number of bytes received, or -1.
    virtual int vendorIn(int request, std::span<std::uint8_t> buffer) = 0;

    // Aborts and resets the data pipes; the kernel-driver path does it right after opening a
    // newer instrument.
    virtual void resetPipes() = 0;

    // Whether the instrument has left the bus (unplugged, powered off): every transfer fails
    // until it is opened again. A path that cannot tell answers false.
    virtual bool instrumentGone() const { return false; }
};

} // namespace seiran

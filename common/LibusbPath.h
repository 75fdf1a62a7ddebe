#pragma once

#include "UsbTransport.h"

#include <cstdint>

struct libusb_context;
struct libusb_device_handle;

namespace seiran {

// The vendor ID every instrument of the family reports; its product ID is the DeviceType.
inline constexpr std::uint16_t InstrumentVendorId = 0x1209;
inline constexpr int kMaxDeviceType = 15;

// Real instruments through libusb-1.0: bulk transfers on endpoints 2 and 6 (OUT) and 0x85/0x86
// (IN), vendor control transfers on pipe 0, 1000 ms time-out out and 2000 ms in.
class LibusbPath final : public UsbTransport {
public:
    LibusbPath() = default;
    ~LibusbPath() override;
    LibusbPath(const LibusbPath&) = delete;
    LibusbPath& operator=(const LibusbPath&) = delete;

    UsbOpenResult open() override;
    void close() override;
    bool writePipe(int endpoint, std::span<const std::uint8_t> frame) override;
    int readPipe(int endpoint, std::span<std::uint8_t> buffer) override;
    bool vendorOut(int request, std::span<const std::uint8_t> data) override;
    int vendorIn(int request, std::span<std::uint8_t> buffer) override;
    void resetPipes() override;
    bool instrumentGone() const override { return m_gone; }

private:
    // Remembers a transfer that found the device gone from the bus.
    int noted(int rc);

    libusb_context* m_context = nullptr;
    libusb_device_handle* m_handle = nullptr;
    bool m_claimed = false;
    int m_deviceType = 0;
    bool m_gone = false;
};

} // namespace seiran

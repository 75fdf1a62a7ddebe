#include "LibusbPath.h"

#include "CommandCodes.h"

#include <libusb.h>

namespace seiran {

namespace {

// bmRequestType: vendor request to the device, host to device and device to host.
constexpr std::uint8_t kVendorOutType = 0x40;
constexpr std::uint8_t kVendorInType = 0xC0;

QString libusbText(int code)
{
    return QString::fromUtf8(libusb_error_name(code));
}

} // namespace

LibusbPath::~LibusbPath()
{
    close();
}

int LibusbPath::noted(int rc)
{
    if (rc == LIBUSB_ERROR_NO_DEVICE)
        m_gone = true;
    return rc;
}

UsbOpenResult LibusbPath::open()
{
    close();
    m_gone = false;
    UsbOpenResult result;
    if (const int rc = libusb_init(&m_context); rc != 0) {
        m_context = nullptr;
        result.code = OpenCode::DriverUnavailable;
        result.details << QStringLiteral("libusb: %1").arg(libusbText(rc));
        return result;
    }

    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(m_context, &list);
    if (count < 0) {
        result.code = OpenCode::DriverUnavailable;
        result.details << QStringLiteral("libusb: %1").arg(libusbText(int(count)));
        return result;
    }

    libusb_device* first = nullptr;
    int found = 0;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != 0 || descriptor.idVendor != InstrumentVendorId)
            continue;
        if (found++ == 0) {
            first = list[i];
            m_deviceType = descriptor.idProduct;
        }
    }

    if (found == 0) {
        result.code = OpenCode::NotFound;
    } else if (m_deviceType < 1 || m_deviceType > kMaxDeviceType) {
        // Our vendor ID but no product of the family: do not touch it.
        result.code = OpenCode::NotThisProduct;
    } else {
        // With several attached the first one is still opened, as the other paths do; the
        // non-zero result keeps the device layer from using it.
        result.code = found > 1 ? OpenCode::SeveralAttached : OpenCode::Opened;
        if (const int rc = libusb_open(first, &m_handle); rc != 0) {
            m_handle = nullptr;
            result.details << QStringLiteral("libusb: %1").arg(libusbText(rc));
            if (result.code == OpenCode::Opened)
                result.code = OpenCode::NotFound;
        } else {
            libusb_set_auto_detach_kernel_driver(m_handle, 1);
            if (const int claim = libusb_claim_interface(m_handle, 0); claim != 0) {
                result.details << QStringLiteral("libusb: %1").arg(libusbText(claim));
                if (result.code == OpenCode::Opened)
                    result.code = OpenCode::NotFound;
            } else {
                m_claimed = true;
            }
        }
    }
    result.deviceType = found > 0 ? m_deviceType : 0;
    libusb_free_device_list(list, 1);
    return result;
}

void LibusbPath::close()
{
    if (m_handle) {
        if (m_claimed)
            libusb_release_interface(m_handle, 0);
        libusb_close(m_handle);
    }
    m_handle = nullptr;
    m_claimed = false;
    if (m_context)
        libusb_exit(m_context);
    m_context = nullptr;
    m_deviceType = 0;
}

bool LibusbPath::writePipe(int endpoint, std::span<const std::uint8_t> frame)
{
    if (!m_handle)
        return false;
    int transferred = 0;
    const int rc = noted(libusb_bulk_transfer(m_handle, std::uint8_t(endpoint & 0x7F),
                                              const_cast<unsigned char*>(frame.data()), int(frame.size()),
                                              &transferred, usb::kOutTimeoutMs));
    return rc == 0 && transferred == int(frame.size());
}

int LibusbPath::readPipe(int endpoint, std::span<std::uint8_t> buffer)
{
    if (!m_handle)
        return -1;
    int transferred = 0;
    const int rc = noted(libusb_bulk_transfer(m_handle, std::uint8_t(endpoint | LIBUSB_ENDPOINT_IN), buffer.data(),
                                              int(buffer.size()), &transferred, usb::kInTimeoutMs));
    return rc == 0 ? transferred : -1;
}

bool LibusbPath::vendorOut(int request, std::span<const std::uint8_t> data)
{
    if (!m_handle)
        return false;
    const int rc = noted(libusb_control_transfer(m_handle, kVendorOutType, std::uint8_t(request), 0, 0,
                                                 const_cast<unsigned char*>(data.data()), std::uint16_t(data.size()),
                                                 usb::kOutTimeoutMs));
    return rc == int(data.size());
}

int LibusbPath::vendorIn(int request, std::span<std::uint8_t> buffer)
{
    if (!m_handle)
        return -1;
    const int rc = noted(libusb_control_transfer(m_handle, kVendorInType, std::uint8_t(request), 0, 0, buffer.data(),
                                                 std::uint16_t(buffer.size()), usb::kInTimeoutMs));
    return rc < 0 ? -1 : rc;
}

void LibusbPath::resetPipes()
{
    if (!m_handle)
        return;
    // libusb has no pipe abort of its own: no transfer is in flight between our blocking calls,
    // so clearing the halt (which also resets the data toggle) of both data pipes is the reset.
    libusb_clear_halt(m_handle, usb::kCommandEndpoint);
    libusb_clear_halt(m_handle, usb::kNewerInEndpoint);
}

} // namespace seiran

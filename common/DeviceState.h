#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace seiran {

inline const QString kInterfaceUsb = QStringLiteral("USB");
inline const QString kInterfaceRemote = QStringLiteral("リモート");

// UsbPath values. Both run on libusb on this platform; they differ in what the user can observe:
// the kernel-driver path resets the pipes after opening a newer instrument, clears the
// destination before each read and, with ReportTransferErrors on, logs failed transfers.
inline constexpr int kUsbPathDriver = 0;
inline constexpr int kUsbPathLibrary = 1;

// The status block of the instrument, as read at start-up.
struct DeviceStatusBlock {
    std::array<std::uint8_t, 12> bytes{};

    // Byte 2: the firmware level (newer instruments: 1 reads data with vendor request 0x37).
    int firmwareLevel() const { return bytes[2]; }
    // Byte 8 bits 4 and 5: FPGA configuration status of newer instruments.
    bool nStatus() const { return (bytes[8] & 0x10) != 0; }
    bool confDone() const { return (bytes[8] & 0x20) != 0; }
    // Byte 9: 1 selects the alternative block transfer.
    bool altTransferFlag() const { return bytes[9] == 1; }
    // Byte 10: the sequence number the instrument expects next.
    int acknowledgedSequence() const { return bytes[10]; }
    // Byte 11: trace pointer, 0 to 127.
    int tracePointer() const { return bytes[11]; }
};

// The device state kept by the device command layer and read by the rest of the program.
struct DeviceState {
    int DeviceType = 0;                     // product ID of the instrument, 1 to 15
    QString InterfaceKind = kInterfaceUsb;  // "USB" or "リモート"
    int UsbPath = kUsbPathLibrary;
    bool InterfaceError = false;
    int CommandSequence = 0;                // modulo 256 on USB
    DeviceStatusBlock DeviceStatus;
    bool AltTransferMode = false;           // set at start-up from status byte 9
    bool ReportTransferErrors = false;      // diagnostic messages of the transfers

    int FirmwareLevel() const { return DeviceStatus.firmwareLevel(); }
    bool isNewerGeneration() const { return DeviceType > 9; }
    bool isUsb() const { return InterfaceKind == kInterfaceUsb; }
    bool isRemote() const { return InterfaceKind == kInterfaceRemote; }
};

} // namespace seiran

#include "DeviceCommands.h"

#include "DeviceMessages.h"
#include "MessageLog.h"
#include "RemoteExchange.h"

#include <algorithm>
#include <cstring>

namespace seiran {

namespace {

constexpr int kAckPollReads = 5;

void putWord16(std::uint8_t* out, std::uint32_t value)
{
    out[0] = std::uint8_t(value);
    out[1] = std::uint8_t(value >> 8);
}

void putWord32(std::uint8_t* out, std::uint32_t value)
{
    out[0] = std::uint8_t(value);
    out[1] = std::uint8_t(value >> 8);
    out[2] = std::uint8_t(value >> 16);
    out[3] = std::uint8_t(value >> 24);
}

// Little-endian bytes of `words`, `length` of them, into `out`; missing words count as 0.
void packBytes(std::uint8_t* out, int length, std::span<const std::uint32_t> words)
{
    for (int i = 0; i < length; ++i) {
        const std::size_t word = std::size_t(i) / 4;
        const std::uint32_t value = word < words.size() ? words[word] : 0;
        out[i] = std::uint8_t(value >> (8 * (i % 4)));
    }
}

// byteCount bytes of `in` as little-endian words into dest (a partial last word is zero-padded).
void unpackWords(const std::uint8_t* in, int byteCount, std::span<std::uint32_t> dest)
{
    const std::size_t words = std::min(dest.size(), std::size_t(byteCount + 3) / 4);
    for (std::size_t w = 0; w < words; ++w) {
        std::uint32_t value = 0;
        for (int b = 0; b < 4; ++b) {
            const int index = int(w) * 4 + b;
            if (index < byteCount)
                value |= std::uint32_t(in[index]) << (8 * b);
        }
        dest[w] = value;
    }
}

// Vendor requests and the module-0 command that carries each over the remote link.
struct RemoteForm {
    int request;
    int byteCount; // of the remote command; the code is the request itself
};
constexpr RemoteForm kRemoteForms[] = {
    {vendor::kProbeLevel, 8},
    {vendor::kFpgaReset, 0},
    {vendor::kStatusBlock, vendor::kStatusBlockBytes},
    {vendor::kConfigBegin, 0},
};

const RemoteForm* remoteFormOf(int request)
{
    for (const RemoteForm& form : kRemoteForms)
        if (form.request == request)
            return &form;
    return nullptr;
}

std::uint32_t commandWord(int module, int command)
{
    return std::uint32_t(module * 4096 + command) & 0xFFFFu;
}

QString hex(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

} // namespace

DeviceCommands::DeviceCommands(DeviceState& state, MessageLog& log)
    : m_state(state)
    , m_log(log)
{
}

bool DeviceCommands::refusedForInterfaceError()
{
    if (!m_state.InterfaceError)
        return false;
    ++m_failures;
    m_log.AddMessage(msg::kInterfaceErrorRefusal);
    return true;
}

void DeviceCommands::noteFailure()
{
    ++m_failures;
    // A vanished instrument fails everything from now on: refuse, as after a failed open, instead
    // of letting every caller wait out its own transfers.
    if (m_usb && m_usb->instrumentGone() && !m_state.InterfaceError && m_state.isUsb()) {
        m_state.InterfaceError = true;
        m_log.AddMessage(msg::kInstrumentGone);
    }
}

bool DeviceCommands::driverDiagnostics() const
{
    return m_state.UsbPath == kUsbPathDriver && m_state.ReportTransferErrors;
}

void DeviceCommands::SendCommand(int module, int command, int byteCount,
                                 std::span<const std::uint32_t> params)
{
    if (refusedForInterfaceError())
        return;
    if (m_state.isUsb()) {
        sendUsb(module, command, byteCount, params);
    } else if (m_state.isRemote()) {
        if (m_remote)
            m_remote->sendCommand(module, command, byteCount, params);
    }
}

void DeviceCommands::ReceiveData(int module, int command, int byteCount, std::span<std::uint32_t> dest)
{
    if (refusedForInterfaceError())
        return;
    if (m_state.isUsb()) {
        receiveUsb(module, command, byteCount, dest);
    } else if (m_state.isRemote()) {
        if (m_remote)
            m_remote->receiveData(module, command, byteCount, dest);
    }
}

void DeviceCommands::WriteVendorCommand(int request, int length, std::span<const std::uint32_t> data)
{
    if (refusedForInterfaceError() || !m_state.isUsb())
        return;
    if (length < 0 || length > usb::kMaxVendorOutBytes) {
        m_log.AddMessage(msg::kVendorLengthOutOfRange);
        return;
    }
    packBytes(m_vendorBuffer.data(), length, data);
    vendorOut(request, std::span(m_vendorBuffer.data(), std::size_t(length)));
}

void DeviceCommands::ReadVendorCommand(int request, int length, std::span<std::uint32_t> dest)
{
    if (refusedForInterfaceError() || !m_state.isUsb())
        return;
    if (length < 0 || length > usb::kMaxReadBytes) {
        m_log.AddMessage(msg::kVendorLengthOutOfRange);
        return;
    }
    vendorIn(request, length);
    unpackWords(m_readBuffer.data(), length, dest);
}

void DeviceCommands::WriteVendorOrRemote(int request, int length, std::span<const std::uint32_t> data)
{
    if (!m_state.isRemote()) {
        WriteVendorCommand(request, length, data);
        return;
    }
    if (const RemoteForm* form = remoteFormOf(request))
        SendCommand(cmd::kSystemModule, request, form->byteCount, data);
}

void DeviceCommands::ReadVendorOrRemote(int request, int length, std::span<std::uint32_t> dest)
{
    if (!m_state.isRemote()) {
        ReadVendorCommand(request, length, dest);
        return;
    }
    if (const RemoteForm* form = remoteFormOf(request))
        ReceiveData(cmd::kSystemModule, request, form->byteCount, dest);
}

void DeviceCommands::sendUsb(int module, int command, int byteCount, std::span<const std::uint32_t> params)
{
    const bool newer = m_state.isNewerGeneration();
    if (newer && byteCount % 8 != 0) {
        ++m_failures;
        m_log.AddMessage(msg::kParamCountNotMultipleOf8);
        m_log.AddMessage(QStringLiteral("PrmCount=%1 Command=%2").arg(byteCount).arg(hex(command, 4)));
        return;
    }
    // A USB frame holds at most 128 parameter bytes; longer blocks exist only on the remote link.
    if (byteCount < 0 || byteCount > usb::kMaxFrameParamBytes) {
        ++m_failures;
        m_log.AddMessage(msg::kParamCountOutOfRange);
        m_log.AddMessage(QStringLiteral("PrmCount=%1 Command=%2").arg(byteCount).arg(hex(command, 4)));
        return;
    }

    const std::uint32_t word = commandWord(module, command);
    const int paramCount = byteCount / 4;
    std::uint8_t* out = m_frame.data();
    putWord16(out, word);
    int header = 2;
    if (newer) {
        m_state.CommandSequence = (m_state.CommandSequence + 1) % 256;
        putWord16(out + 2, std::uint32_t(m_state.CommandSequence));
        putWord16(out + 4, 0);
        header = 6;
    }
    for (int i = 0; i < paramCount; ++i)
        putWord32(out + header + 4 * i, std::size_t(i) < params.size() ? params[std::size_t(i)] : 0);

    const int endpoint = (!newer && byteCount >= 32) ? usb::kLongFrameEndpoint : usb::kCommandEndpoint;
    writeFrame(endpoint, header + 4 * paramCount);
    if (newer)
        pollAcknowledgement(msg::kSendSequenceError, int(word));
}

void DeviceCommands::receiveUsb(int module, int command, int byteCount, std::span<std::uint32_t> dest)
{
    const bool newer = m_state.isNewerGeneration();
    if (newer && byteCount % 8 != 0) {
        ++m_failures;
        m_log.AddMessage(msg::kReadCountNotMultipleOf8);
        m_log.AddMessage(QStringLiteral("USBRCount=%1 Command=%2").arg(byteCount).arg(hex(command, 4)));
        return;
    }
    if (byteCount < 0 || byteCount > usb::kMaxReadBytes) {
        ++m_failures;
        m_log.AddMessage(msg::kReadCountOutOfRange);
        m_log.AddMessage(QStringLiteral("USBRCount=%1 Command=%2").arg(byteCount).arg(hex(command, 4)));
        return;
    }

    const std::uint32_t word = commandWord(module, command);
    if (!newer) {
        putWord16(m_frame.data(), word);
        writeFrame(usb::kCommandEndpoint, 2);
        readPipeInto(byteCount);
        unpackWords(m_readBuffer.data(), byteCount, dest.first(std::min(dest.size(), std::size_t(byteCount / 4))));
        return;
    }

    m_state.CommandSequence = (m_state.CommandSequence + 1) % 256;
    putWord16(m_frame.data(), word);
    putWord16(m_frame.data() + 2, std::uint32_t(m_state.CommandSequence));
    putWord16(m_frame.data() + 4, std::uint32_t(byteCount));
    writeFrame(usb::kCommandEndpoint, 6);
    pollAcknowledgement(msg::kReceiveSequenceError, int(word));

    if (m_state.FirmwareLevel() == 1) {
        vendorIn(vendor::kReadData, byteCount);
    } else {
        std::uint8_t announce[2];
        putWord16(announce, std::uint32_t(byteCount));
        vendorOut(vendor::kAnnounceInLength, announce);
        readPipeInto(byteCount);
    }
    unpackWords(m_readBuffer.data(), byteCount, dest.first(std::min(dest.size(), std::size_t(byteCount / 4))));
}

void DeviceCommands::pollAcknowledgement(const QString& errorText, int commandWord)
{
    const int expected = (m_state.CommandSequence + 1) % 256;
    int received = -1;
    for (int read = 0; read < kAckPollReads; ++read) {
        vendorIn(vendor::kStatusBlock, vendor::kStatusBlockBytes);
        received = m_readBuffer[10];
        if (received == expected)
            return;
    }
    if (!m_state.ReportTransferErrors)
        return;
    m_log.AddMessage(QStringLiteral("%1 Command=%2 SequenceNo+1=%3 rcvSQNo=%4")
                         .arg(errorText, hex(commandWord, 4))
                         .arg(m_state.CommandSequence + 1)
                         .arg(received));
    m_state.ReportTransferErrors = false;
}

bool DeviceCommands::writeFrame(int endpoint, int length)
{
    const bool ok = m_usb && m_usb->writePipe(endpoint, std::span(m_frame.data(), std::size_t(length)));
    if (!ok) {
        if (driverDiagnostics())
            m_log.AddMessage(msg::kWriteTransferError);
        noteFailure();
    }
    return ok;
}

void DeviceCommands::clearBeyond(int received, int length)
{
    // What did arrive of a short read stays; the rest, and everything of a failed read, is 0.
    const int from = std::clamp(received, 0, length);
    std::fill(m_readBuffer.begin() + from, m_readBuffer.begin() + length, std::uint8_t(0));
}

bool DeviceCommands::readPipeInto(int length)
{
    std::fill_n(m_readBuffer.begin(), length, std::uint8_t(0));
    const int got = m_usb ? m_usb->readPipe(usb::inEndpointFor(m_state.DeviceType),
                                            std::span(m_readBuffer.data(), std::size_t(length)))
                          : -1;
    const bool ok = got == length;
    if (!ok) {
        clearBeyond(got, length);
        if (driverDiagnostics())
            m_log.AddMessage(msg::kReadTransferError);
        noteFailure();
    }
    return ok;
}

bool DeviceCommands::vendorOut(int request, std::span<const std::uint8_t> data)
{
    const bool ok = m_usb && m_usb->vendorOut(request, data);
    if (!ok) {
        logVendorFailure(request);
        noteFailure();
    }
    return ok;
}

bool DeviceCommands::vendorIn(int request, int length)
{
    std::fill_n(m_readBuffer.begin(), length, std::uint8_t(0));
    const int got = m_usb ? m_usb->vendorIn(request, std::span(m_readBuffer.data(), std::size_t(length))) : -1;
    const bool ok = got == length;
    if (!ok) {
        clearBeyond(got, length);
        logVendorFailure(request);
        noteFailure();
    }
    return ok;
}

void DeviceCommands::logVendorFailure(int request)
{
    if (!driverDiagnostics())
        return;
    m_log.AddMessage(msg::kVendorTransferError);
    m_log.AddMessage(QStringLiteral("Vendor Command = $") + hex(request, 2));
}

OpenCode DeviceCommands::openUsb()
{
    if (!m_usb) {
        m_state.InterfaceError = true;
        m_log.AddMessage(msg::kOpenNotFound);
        return OpenCode::NotFound;
    }
    const UsbOpenResult result = m_usb->open();
    for (const QString& line : result.details)
        m_log.AddMessage(line);
    m_state.DeviceType = result.deviceType;
    m_state.InterfaceError = result.code != OpenCode::Opened;
    if (m_state.InterfaceError) {
        m_log.AddMessage(openCodeMessage(result.code));
        return result.code;
    }
    if (m_state.UsbPath == kUsbPathDriver && m_state.isNewerGeneration())
        m_usb->resetPipes();
    return result.code;
}

void DeviceCommands::closeUsb()
{
    if (m_usb)
        m_usb->close();
}

} // namespace seiran

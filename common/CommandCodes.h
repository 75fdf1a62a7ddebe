#pragma once

#include <cstdint>

// Every command code and vendor request the programs exchange with the instrument. The command
// word of a frame is module * 4096 + code; module 0 takes instrument-wide commands, module 8 the
// instrument-wide level, clock and delay settings.
namespace seiran::cmd {

// Module numbers with a fixed meaning.
inline constexpr int kSystemModule = 0;
inline constexpr int kSettingsModule = 8;

// Analyzer module commands.
inline constexpr int kPreStartFollow = 0x00;    // sent 5 ms after kPreStart on some modules
inline constexpr int kStartCapture = 0x10;
inline constexpr int kStopCapture = 0x11;
inline constexpr int kSamplingInterval = 0x21;
inline constexpr int kTriggerRising = 0x22;
inline constexpr int kTriggerFalling = 0x23;
inline constexpr int kTriggerPosition = 0x24;
inline constexpr int kAnalyzerReserved25 = 0x25;
inline constexpr int kTriggerLevelValue = 0x26;
inline constexpr int kTriggerLevelCare = 0x27;
inline constexpr int kArmTrigger = 0x28;
inline constexpr int kPrepareTrimmedRead = 0x29;
inline constexpr int kPreStart = 0x2A;
inline constexpr int kRunMode = 0x2B;
inline constexpr int kSamplingEdge = 0x2C;
inline constexpr int kInputGroup = 0x2D;

// Module reads.
inline constexpr int kModuleStatus = 0x30;      // word 0 status, word 1 property (old layout)
inline constexpr int kCapturedEntries = 0x31;
inline constexpr int kModuleProperty = 0x32;    // word 0 property (new layout)
inline constexpr int kMemoryBlock = 0x33;       // 2048 bytes of sample memory
inline constexpr int kAllModuleStatus = 0x34;   // remote only: 16 status words
inline constexpr int kAllModuleProperty = 0x35; // remote only: 16 property words
inline constexpr int kPointerWord = 0x38;

// Instrument-wide settings.
inline constexpr int kSamplingDelay = 0x41;     // module 8
inline constexpr int kProbeLevel = 0x42;        // module 0, remote form of the vendor request
inline constexpr int kAfterReset = 0x43;        // module 8, value 1 after an FPGA reset
inline constexpr int kOutputLevel = 0x44;       // module 8
inline constexpr int kClockSource = 0x45;       // module 8

// Generator module commands.
inline constexpr int kStartGeneration = 0x90;
inline constexpr int kStopGeneration = 0x91;
inline constexpr int kGenDataCount = 0xA0;
inline constexpr int kGenInterval = 0xA1;
inline constexpr int kGenPatternEntry = 0xA2;
inline constexpr int kGenTimes = 0xA3;
inline constexpr int kGenLoadFraming = 0xA4;
inline constexpr int kGenAfterLoad = 0xA5;
inline constexpr int kGenPackedWords = 0xA6;    // 32 bytes
inline constexpr int kGenRangeStart = 0xA7;
inline constexpr int kGenRangeEnd = 0xA8;
inline constexpr int kGenEntriesRemote = 0xA9;  // up to 1024 bytes, remote only
inline constexpr int kGenPackedBlockRemote = 0xAA; // 1024 bytes, remote only
inline constexpr int kGenSixteenEntries = 0xAB; // 128 bytes

// Remote login (module 0, remote link only).
inline constexpr int kRemoteLogin = 0xC1;
inline constexpr int kRemoteLoginResult = 0xC2;
inline constexpr int kRemoteInstrument = 0xC3;

// FPGA configuration (module 0).
inline constexpr int kFpgaReset = 0xE0;         // older instruments; remote form on newer ones
inline constexpr int kStatusBlock = 0xE1;
inline constexpr int kConfigBegin = 0xF1;
inline constexpr int kConfigEight = 0xF2;
inline constexpr int kConfigLineTail = 0xF3;
inline constexpr int kConfigTrailer = 0xF4;
inline constexpr int kConfigStatus = 0xF5;      // older instruments: nSTATUS, CONF_DONE
inline constexpr int kConfigThirtyTwo = 0xF6;
inline constexpr int kConfigBlockRemote = 0xF7; // 1024 bytes, remote only

// The codes carried by ReceiveData (every other code is a SendCommand).
constexpr bool isReadCommand(int code)
{
    switch (code) {
    case kModuleStatus: case kCapturedEntries: case kModuleProperty: case kMemoryBlock:
    case kAllModuleStatus: case kAllModuleProperty: case kPointerWord:
    case kRemoteLoginResult: case kRemoteInstrument: case kStatusBlock: case kConfigStatus:
        return true;
    default:
        return false;
    }
}

} // namespace seiran::cmd

// USB vendor requests.
namespace seiran::vendor {

inline constexpr int kAnnounceInLength = 0x36;  // W, 2 bytes: byte count of the next IN read
inline constexpr int kReadData = 0x37;          // V, n bytes (FirmwareLevel 1)
inline constexpr int kProbeLevel = 0x42;        // W, 2 bytes
inline constexpr int kFpgaReset = 0xE0;         // W, 0 bytes
inline constexpr int kStatusBlock = 0xE1;       // V, 12 bytes; also the acknowledgement poll
inline constexpr int kTraceBuffer = 0xE2;       // V, 128 bytes
inline constexpr int kSelectPropertySlot = 0xE3;// W, 1 byte
inline constexpr int kConfigBegin = 0xF1;       // W, 0 bytes
inline constexpr int kConfigData = 0xF8;        // W, 64, 32, 8 or 1 bytes

inline constexpr int kStatusBlockBytes = 12;
inline constexpr int kTraceBufferBytes = 128;

} // namespace seiran::vendor

// USB endpoints of the instrument.
namespace seiran::usb {

inline constexpr int kCommandEndpoint = 0x02;    // OUT: every frame of newer instruments, short frames of older ones
inline constexpr int kLongFrameEndpoint = 0x06;  // OUT: older instruments, 32 parameter bytes or more
inline constexpr int kOlderInEndpoint = 0x85;    // IN of older instruments
inline constexpr int kNewerInEndpoint = 0x86;    // IN of newer instruments

inline constexpr int kMaxFrameParamBytes = 128;  // parameter bytes one USB frame carries
inline constexpr int kMaxReadBytes = 4096;       // bytes one read returns
inline constexpr int kMaxVendorOutBytes = 128;

inline constexpr int kOutTimeoutMs = 1000;
inline constexpr int kInTimeoutMs = 2000;

// Instruments of type 10 and above frame with a sequence number and acknowledge it.
constexpr bool isNewerGeneration(int deviceType) { return deviceType > 9; }
constexpr int inEndpointFor(int deviceType)
{
    return isNewerGeneration(deviceType) ? kNewerInEndpoint : kOlderInEndpoint;
}

} // namespace seiran::usb

// Device control codes of the parallel port: the system port driver's public ones and the maker's
// drivers' private requests, with the status bits both sides agree on. No Windows header.
#pragma once
#include <cstdint>

// The system's parallel port interface (device type 0x16, buffered, any access).
constexpr uint32_t kIoctlParQueryInformation = 0x160004;  // reply: 1 status byte
constexpr uint32_t kIoctlParSetInformation = 0x160008;    // input: 1 byte, 1 = initialise
constexpr uint32_t kIoctlParGetDeviceCaps = 0x160024;     // reply: as the port gives it
constexpr uint32_t kIoctlParQueryDeviceId = 0x160030;     // reply: length-prefixed IEEE 1284 device ID

// Bits of the status byte of kIoctlParQueryInformation.
constexpr uint8_t kParallelInit = 0x01;
constexpr uint8_t kParallelPaperEmpty = 0x04;
constexpr uint8_t kParallelOffLine = 0x08;
constexpr uint8_t kParallelBusy = 0x40;
constexpr uint8_t kParallelSelected = 0x80;

// The maker's private requests, by number. The Windows 9x virtual device takes the number itself
// as its code; the NT kernel driver takes ParDriverCode(n, true).
enum ParRequest : uint32_t {
    kParSetPortMode = 2,
    kParSetTimeouts = 3,
    kParSelectPort = 4,
    kParShutdownSecond = 5,
    kParInitLast = 6,
    kParShutdownFirst = 7,
    kParCloseFirst = 10,
    kParWriteData = 12,
    kParCloseSecond = 13,
    kParReadData = 15,
    kParReadDeviceId = 16,
    kParCloseThird = 17,
    kParQueryValue = 18,
    kParGetCapabilities = 23,
};

// NT driver: device type 0x16, function 0x800 + n, buffered, any access.
constexpr uint32_t ParDriverCode(uint32_t request, bool ntDriver)
{
    return ntDriver ? 0x162000u + 4u * request : request;
}

// The request number behind a code of either driver; -1 when the code is neither.
constexpr int ParRequestOfCode(uint32_t code)
{
    if (code >= 0x162000u && code < 0x162000u + 4u * 64u && (code & 3u) == 0) return static_cast<int>((code - 0x162000u) / 4u);
    if (code < 64u) return static_cast<int>(code);
    return -1;
}

// Statuses in the driver's replies: 0 done; 6 a read that returned fewer bytes than asked.
constexpr uint16_t kParStatusOk = 0;
constexpr uint16_t kParStatusPartialRead = 6;

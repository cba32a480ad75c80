// The maker's USB driver interface: its device control codes (device type 0x8094), the statuses
// this library gives, and the request records, all little-endian. No Windows header.
#pragma once
#include <cstdint>

namespace usb_driver {

constexpr uint32_t kGetDescriptor = 0x80942006;
constexpr uint32_t kGetConfiguration = 0x80942018;
constexpr uint32_t kSetConfiguration = 0x80942024;
constexpr uint32_t kClassInRequest = 0x80942032;
constexpr uint32_t kResetDevice = 0x80942054;
constexpr uint32_t kGetDriverInfo = 0x8094206C;
constexpr uint32_t kBindPipe = 0x80942078;
constexpr uint32_t kAbortPipe = 0x80942084;

constexpr uint16_t kInterfaceVersion = 0x0141;

constexpr uint32_t kStatusStall = 0xE0000004;
constexpr uint32_t kStatusNoMemory = 0xE0000100;
constexpr uint32_t kStatusFailed = 0xE0001000;
constexpr uint32_t kStatusTimeout = 0xE000100C;
constexpr uint32_t kStatusCancelledPowerDown = 0xE000101B;
constexpr uint32_t kStatusVersionMismatch = 0xE000101C;
constexpr uint32_t kStatusNotFound = 0xE0001100;
constexpr uint32_t kStatusNotOpen = 0xE0001102;
constexpr uint32_t kStatusNoSuchInstance = 0xE0001104;
constexpr uint32_t kStatusInvalidParameter = 0xE0001105;

#pragma pack(push, 1)
struct GetDescriptorRecord {
    uint32_t recipient;     // 0: the device
    uint8_t type;
    uint8_t index;
    uint16_t language;
};
struct ClassRequestRecord {
    uint32_t flags;
    uint32_t type;          // 1: class request
    uint32_t recipient;
    uint8_t reservedBits;
    uint8_t request;
    uint16_t value;
    uint16_t index;
};
struct InterfaceEntry {
    uint16_t interfaceIndex;
    uint16_t alternateSetting;
    uint32_t maxTransferSize;
};
struct SetConfigurationRecord {
    uint16_t configurationIndex;
    uint16_t interfaceCount;
    InterfaceEntry interfaces[32];
};
struct DriverInfo {
    uint16_t interfaceVersion;
    uint8_t unused[10];
};
#pragma pack(pop)

static_assert(sizeof(GetDescriptorRecord) == 8);
static_assert(sizeof(ClassRequestRecord) == 18);
static_assert(sizeof(SetConfigurationRecord) == 260);
static_assert(sizeof(DriverInfo) == 12);

}  // namespace usb_driver

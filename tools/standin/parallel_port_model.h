// ParallelPortModel: the stand-in's parallel port with a printer on it, as its drivers show it: the
// status byte (busy, paper out, error), the IEEE 1284 device ID, the system port driver's public
// requests and the maker's drivers' private ones. No Windows header: the caller's memory and the
// printer are reached through ParallelHost.
//
// Test commands (after the word PARALLEL):
//   LINES [busy] [paperout] [error] | LINES ready   the printer's condition lines (default ready)
//   STATUS <hex byte>                              a raw status byte instead (LINES returns to lines)
//   DEVICEID <text> | DEVICEID -                   the device ID text; "-" a printer without one
//   COUNT                                          OK <open handles> <selected port or 0>
#pragma once
#include "standin_protocol.h"
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// What the model needs from outside: the memory of the process that sent a private request (the
// maker's drivers take buffer addresses) and the printer's data channel.
class ParallelHost {
public:
    virtual ~ParallelHost() = default;
    virtual bool ReadCaller(uint32_t address, void* out, uint32_t length) = 0;
    virtual bool WriteCaller(uint32_t address, const void* data, uint32_t length) = 0;
    virtual bool SendToPrinter(const uint8_t* data, size_t length) = 0;
    // Takes up to max bytes the printer has sent; returns how many.
    virtual size_t TakeFromPrinter(uint8_t* out, size_t max) = 0;
};

// The code family a handle speaks: the system's port driver, or one of the maker's drivers.
enum class ParallelDriver { SystemPort, Vxd9x, NtKernel };

// Driver statuses of the private requests beyond done (0) and partial read (6).
constexpr uint16_t kParStatusBadRequest = 1;    // unknown request or wrong input size
constexpr uint16_t kParStatusNoPort = 3;        // no port selected, or not this port
constexpr uint16_t kParStatusTimeout = 4;       // the printer did not take the data in time

class ParallelPortModel {
public:
    // port: the number of the modelled port (1 for LPT1).
    explicit ParallelPortModel(unsigned port = 1);

    unsigned Port() const { return m_port; }
    // The name a client opens for the handle kind, or nullopt ("\\.\LPT1", "\\.\VEL1284.VXD", "\\.\Orlith1").
    std::optional<ParallelDriver> DriverOfPath(const std::string& path) const;

    uint8_t StatusByte() const;
    // Whether the printer takes data now (not busy, paper in, no error).
    bool TakesData() const;
    // The device ID as the port reads it: two length bytes (big-endian, counting themselves), the text.
    Bytes DeviceIdReply() const;

    // One control request of a handle of the given kind.
    Reply Control(ParallelDriver driver, uint32_t code, const Bytes& input, uint32_t outCapacity, ParallelHost& host);

    // A test command (the words after "PARALLEL"); nullopt when it is not one.
    std::optional<std::string> Command(const std::vector<std::string>& words);

    void HandleOpened();
    void HandleClosed();

private:
    Reply Public(uint32_t code, const Bytes& input, uint32_t outCapacity);
    Reply Private(int request, const Bytes& input, ParallelHost& host);
    Reply Transfer(int request, uint32_t address, uint32_t length, ParallelHost& host);

    mutable std::mutex m_lock;
    unsigned m_port;
    bool m_busy = false;
    bool m_paperOut = false;
    bool m_error = false;
    std::optional<uint8_t> m_rawStatus;   // set by STATUS
    std::string m_deviceId = "MFG:Kestrix Test;MDL:Virtual LPT Printer;CMD:RAW;CLS:PRINTER;DES:Stand-in;";
    bool m_hasDeviceId = true;
    unsigned m_selected = 0;              // port chosen by SelectPort on the maker's drivers
    uint32_t m_mode = 0;
    uint32_t m_timeouts[2] = {0, 0};
    unsigned m_openHandles = 0;
};

}  // namespace standin

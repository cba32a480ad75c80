// StandinDevice and DeviceHandle: what a modelled device (the USB printer, the parallel port)
// gives the stand-in's pipe server. The server owns the pipes; a device answers the requests.
#pragma once
#include <windows.h>

#include "pipe_io.h"
#include "standin_protocol.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// One open handle of a device: its control requests and its data pipe.
class DeviceHandle {
public:
    virtual ~DeviceHandle() = default;
    // A device control request; the reply's data is cut to outCapacity by the server.
    virtual Reply Control(uint32_t code, const Bytes& input, uint32_t outCapacity) = 0;
    // Carries the handle's data over its pipe until the client closes it or StopEvent is set.
    virtual void ServeData(PipeIo& pipe) = 0;
    // Set when the device goes away, or the client closed the handle: every wait of this handle's
    // connections ends.
    virtual HANDLE StopEvent() const = 0;
    // Whether the handle's data pipe carries data (a bound endpoint, a port's data), so that a
    // read or write the client still makes on it after closing the handle is to be watched for.
    virtual bool CarriesData() const { return false; }
};

class StandinDevice {
public:
    virtual ~StandinDevice() = default;
    // Device-interface paths of the class ("{GUID}") that are present now.
    virtual std::vector<std::string> InterfacePaths(const std::string& interfaceClass) = 0;
    // Whether path (a device name or an interface path) is one of this device's names.
    virtual bool Answers(const std::string& path) const = 0;
    // Opens a handle; nullptr with status set (a Win32 error) when the device is not there.
    virtual std::shared_ptr<DeviceHandle> Open(const std::string& path, uint32_t& status) = 0;
    // A test command; nullopt when the words are not this device's.
    virtual std::optional<std::string> Command(const std::vector<std::string>& words) = 0;
};

}  // namespace standin

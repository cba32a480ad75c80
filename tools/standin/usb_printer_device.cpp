// The stand-in's USB printer: descriptors, the driver's control requests, endpoint data.
#include "usb_printer_device.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>

#include "usb_driver_codes.h"

namespace standin {
namespace {

// The driver's statuses for the requests it refuses (its control codes and the stall status are the
// transport's own, from usb_driver_codes.h).
constexpr uint32_t kStatusInputTooSmall = 0xE0001001;
constexpr uint32_t kStatusOutputTooSmall = 0xE0001002;
constexpr uint32_t kStatusNotConfigured = 0xE0001006;
constexpr uint32_t kStatusAlreadyBound = 0xE0001008;
constexpr uint32_t kStatusNotBound = 0xE0001009;
constexpr uint32_t kStatusRemoved = 0xE000100A;
constexpr uint32_t kStatusUnsupported = 0xE000100B;
constexpr uint32_t kStatusPipeNotFound = 0xE0001013;
constexpr uint32_t kStatusInvalidParameter = 0xE0001018;
constexpr uint32_t kStatusOneInterface = 0xE000101D;

constexpr const char* kInterfaceClass = "{325DDF96-938C-11D3-9E34-0080C82727F4}";
constexpr const char* kInterfacePath = "\\\\?\\usb#vid_4b58&pid_0107#vp0001#{325ddf96-938c-11d3-9e34-0080c82727f4}";
constexpr const char* kDeviceName = "\\\\.\\VELUSB_Device0";
constexpr uint16_t kVendor = 0x4B58;
constexpr uint16_t kProduct = 0x0107;
const char* const kStrings[] = {nullptr, "Kestrix Test", "Virtual Receipt Printer", "VP0001"};
constexpr const char* kDeviceId = "MFG:Kestrix Test;CMD:VPCMD;MDL:Virtual Receipt Printer;CLS:PRINTER;";

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return tolower(static_cast<unsigned char>(x)) == tolower(static_cast<unsigned char>(y));
           });
}

uint16_t U16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | uint32_t(U16(b, at + 2)) << 16; }

Bytes DeviceDescriptor()
{
    return Bytes{18,   1,    0x00, 0x02, 0, 0, 0, 64, kVendor & 0xFF, kVendor >> 8, kProduct & 0xFF, kProduct >> 8,
                 0x00, 0x01, 1,    2,    3, 1};
}

Bytes StringDescriptor(uint8_t index)
{
    if (index == 0) return Bytes{4, 3, 0x09, 0x04};   // English (United States)
    Bytes out{0, 3};
    for (const char* c = kStrings[index]; *c; ++c) {
        out.push_back(static_cast<uint8_t>(*c));
        out.push_back(0);
    }
    out[0] = static_cast<uint8_t>(out.size());
    return out;
}

}  // namespace

// ---- one open handle ----

class UsbPrinterDevice::Handle : public DeviceHandle {
public:
    explicit Handle(UsbPrinterDevice& device)
        : m_device(device), m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_bound(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~Handle() override
    {
        CloseHandle(m_stop);
        CloseHandle(m_bound);
    }
    Reply Control(uint32_t code, const Bytes& input, uint32_t outCapacity) override
    {
        return m_device.Control(*this, code, input, outCapacity);
    }
    void ServeData(PipeIo& pipe) override;
    HANDLE StopEvent() const override { return m_stop; }
    bool CarriesData() const override { return m_endpoint != 0; }

    void Stop() { SetEvent(m_stop); }
    bool Stopped() const { return WaitForSingleObject(m_stop, 0) == WAIT_OBJECT_0; }
    uint8_t Endpoint() const { return m_endpoint; }
    void Bind(uint8_t endpoint)
    {
        m_endpoint = endpoint;
        SetEvent(m_bound);
    }

private:
    void CarryOut(PipeIo& pipe, PrinterChannel channel);
    void CarryIn(PipeIo& pipe, PrinterChannel channel);

    UsbPrinterDevice& m_device;
    HANDLE m_stop;
    HANDLE m_bound;
    std::atomic<uint8_t> m_endpoint{0};
};

void UsbPrinterDevice::Handle::ServeData(PipeIo& pipe)
{
    // A handle that is never bound (the device handle of control requests) only waits for its close.
    HANDLE waits[2] = {m_bound, m_stop};
    for (;;) {
        DWORD r = WaitForMultipleObjects(2, waits, FALSE, 200);
        if (r == WAIT_OBJECT_0) break;
        if (r != WAIT_TIMEOUT || !pipe.ClientPresent()) return;
    }
    uint8_t endpoint = m_endpoint;
    bool interrupt = (endpoint & 0x0F) >= 3;   // as the descriptors give them
    if (endpoint & 0x80)
        CarryIn(pipe, interrupt ? PrinterChannel::Usm : PrinterChannel::Main);
    else
        CarryOut(pipe, interrupt ? PrinterChannel::RealTime : PrinterChannel::Main);
}

void UsbPrinterDevice::Handle::CarryOut(PipeIo& pipe, PrinterChannel channel)
{
    std::vector<uint8_t> buffer(65536);
    DWORD got = 0;
    while (pipe.Read(buffer.data(), static_cast<DWORD>(buffer.size()), got))
        m_device.m_bridge.Send(channel, buffer.data(), got);
}

void UsbPrinterDevice::Handle::CarryIn(PipeIo& pipe, PrinterChannel channel)
{
    for (;;) {
        if (!m_device.m_bridge.WaitIncoming(channel, m_stop, 100)) {
            if (Stopped() || !pipe.ClientPresent()) return;
            continue;
        }
        std::vector<uint8_t> bytes = m_device.m_bridge.PeekIncoming(channel, 16384);
        if (bytes.empty()) continue;
        // Taken from the device only once the host side has it.
        if (!pipe.Write(bytes.data(), static_cast<DWORD>(bytes.size()))) return;
        m_device.m_bridge.ConsumeIncoming(channel, bytes.size());
    }
}

// ---- the device ----

UsbPrinterDevice::UsbPrinterDevice(PrinterBridge& bridge) : m_bridge(bridge) {}

Bytes UsbPrinterDevice::ConfigurationDescriptors(const std::vector<uint8_t>& endpoints)
{
    Bytes out{9, 2, 0, 0, 1, 1, 0, 0xC0, 50};
    Bytes printerInterface{9, 4, 0, 0, static_cast<uint8_t>(endpoints.size()), 7, 1, 2, 0};
    out.insert(out.end(), printerInterface.begin(), printerInterface.end());
    for (uint8_t address : endpoints) {
        bool interrupt = (address & 0x0F) >= 3;
        Bytes endpoint{7, 5, address, static_cast<uint8_t>(interrupt ? 3 : 2), static_cast<uint8_t>(interrupt ? 8 : 0),
                       static_cast<uint8_t>(interrupt ? 0 : 2), static_cast<uint8_t>(interrupt ? 10 : 0)};
        out.insert(out.end(), endpoint.begin(), endpoint.end());
    }
    out[2] = static_cast<uint8_t>(out.size());
    out[3] = static_cast<uint8_t>(out.size() >> 8);
    return out;
}

std::vector<std::string> UsbPrinterDevice::InterfacePaths(const std::string& interfaceClass)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_present || !SameText(interfaceClass, kInterfaceClass)) return {};
    return {kInterfacePath};
}

bool UsbPrinterDevice::Answers(const std::string& path) const
{
    return SameText(path, kInterfacePath) || SameText(path, kDeviceName);
}

std::shared_ptr<DeviceHandle> UsbPrinterDevice::Open(const std::string&, uint32_t& status)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_present) {
        status = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    auto handle = std::make_shared<Handle>(*this);
    m_handles.erase(std::remove_if(m_handles.begin(), m_handles.end(), [](auto& w) { return w.expired(); }),
                    m_handles.end());
    m_handles.push_back(handle);
    return handle;
}

bool UsbPrinterDevice::IsPortStatusRequest(uint32_t code, const Bytes& input)
{
    return code == usb_driver::kClassInRequest && input.size() >= sizeof(usb_driver::ClassRequestRecord) &&
           U32(input, 4) == 1 && input[13] == 1;
}

void UsbPrinterDevice::HoldStatusAnswer(Handle& handle)
{
    // The delay in force is asked anew as the answer waits: a shorter one releases it.
    for (const DWORD start = GetTickCount(); GetTickCount() - start < m_statusDelayMs.load();)
        if (WaitForSingleObject(handle.StopEvent(), 10) != WAIT_TIMEOUT) break;
}

Reply UsbPrinterDevice::Control(Handle& handle, uint32_t code, const Bytes& input, uint32_t outCapacity)
{
    if (IsPortStatusRequest(code, input) && m_statusDelayMs.load() != 0) HoldStatusAnswer(handle);
    std::lock_guard<std::mutex> hold(m_lock);
    Reply reply;
    if (!m_present || handle.Stopped()) {
        reply.status = kStatusRemoved;
        return reply;
    }
    switch (code) {
    case usb_driver::kGetDescriptor:
        reply = Descriptor(input);
        break;
    case usb_driver::kGetConfiguration:
        reply.data = {m_configuration};
        break;
    case usb_driver::kSetConfiguration:
        if (input.size() < sizeof(usb_driver::SetConfigurationRecord)) {
            reply.status = kStatusInputTooSmall;
        } else if (U16(input, 2) != 1) {
            reply.status = kStatusOneInterface;
        } else if (U16(input, 0) != 0 || U16(input, 4) != 0 || U16(input, 6) != 0) {
            reply.status = kStatusInvalidParameter;
        } else {
            m_configuration = 1;
        }
        break;
    case usb_driver::kClassInRequest:
        reply = ClassRequest(input);
        break;
    case usb_driver::kResetDevice:
        m_configuration = 0;
        break;
    case usb_driver::kGetDriverInfo:
        reply.data.assign(sizeof(usb_driver::DriverInfo), 0);
        reply.data[0] = static_cast<uint8_t>(m_driverVersion);
        reply.data[1] = static_cast<uint8_t>(m_driverVersion >> 8);
        break;
    case usb_driver::kBindPipe:
        if (input.size() < 1) {
            reply.status = kStatusInputTooSmall;
        } else if (handle.Endpoint() != 0) {
            reply.status = kStatusAlreadyBound;
        } else if (m_configuration == 0) {
            reply.status = kStatusNotConfigured;
        } else if (input[0] == 0 || std::find(m_endpoints.begin(), m_endpoints.end(), input[0]) == m_endpoints.end()) {
            reply.status = kStatusPipeNotFound;
        } else {
            handle.Bind(input[0]);
        }
        break;
    case usb_driver::kAbortPipe:
        if (handle.Endpoint() == 0) reply.status = kStatusNotBound;
        break;
    default:
        reply.status = kStatusUnsupported;
        break;
    }
    if (reply.status == 0 && reply.data.size() > outCapacity && code != usb_driver::kGetDescriptor &&
        code != usb_driver::kClassInRequest)
        reply.status = kStatusOutputTooSmall;
    return reply;
}

Reply UsbPrinterDevice::Descriptor(const Bytes& input)
{
    Reply reply;
    if (input.size() < sizeof(usb_driver::GetDescriptorRecord)) {
        reply.status = kStatusInputTooSmall;
        return reply;
    }
    uint32_t recipient = U32(input, 0);
    uint8_t type = input[4];
    uint8_t index = input[5];
    if (recipient != 0) {
        reply.status = usb_driver::kStatusStall;
    } else if (type == 1 && index == 0) {
        reply.data = DeviceDescriptor();
    } else if (type == 2 && index == 0) {
        reply.data = ConfigurationDescriptors(m_endpoints);
    } else if (type == 3 && index < 4) {
        reply.data = StringDescriptor(index);
    } else {
        reply.status = usb_driver::kStatusStall;
    }
    return reply;   // longer than the caller's buffer: cut, as a short control transfer
}

Reply UsbPrinterDevice::ClassRequest(const Bytes& input)
{
    Reply reply;
    if (input.size() < sizeof(usb_driver::ClassRequestRecord)) {
        reply.status = kStatusInputTooSmall;
        return reply;
    }
    uint32_t type = U32(input, 4);
    uint8_t request = input[13];
    if (type != 1) {
        reply.status = usb_driver::kStatusStall;
    } else if (request == 0) {   // GET_DEVICE_ID: big-endian length that counts itself, then the text
        std::string id = kDeviceId;
        size_t length = id.size() + 2;
        reply.data = {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
        reply.data.insert(reply.data.end(), id.begin(), id.end());
    } else if (request == 1) {   // GET_PORT_STATUS
        reply.data = {m_portStatus};
    } else {
        reply.status = usb_driver::kStatusStall;
    }
    return reply;
}

void UsbPrinterDevice::Unplug()
{
    m_present = false;
    m_configuration = 0;
    for (auto& weak : m_handles)
        if (auto handle = weak.lock()) handle->Stop();
    m_handles.clear();
}

std::optional<std::string> UsbPrinterDevice::Command(const std::vector<std::string>& words)
{
    if (words.size() < 2 || !SameText(words[0], "USB")) return std::nullopt;
    std::string verb = words[1];
    for (char& c : verb) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    std::lock_guard<std::mutex> hold(m_lock);
    if (verb == "UNPLUG") {
        Unplug();
        return "OK";
    }
    if (verb == "PLUG") {
        m_present = true;
        return "OK";
    }
    if (verb == "STATUS" && words.size() == 4 && SameText(words[2], "DELAY")) {
        m_statusDelayMs = static_cast<DWORD>(std::strtoul(words[3].c_str(), nullptr, 10));
        return "OK";
    }
    if (verb == "STATUS" && words.size() == 3) {
        m_portStatus = static_cast<uint8_t>(std::strtoul(words[2].c_str(), nullptr, 16));
        return "OK";
    }
    if (verb == "ENDPOINTS" && words.size() == 3) {
        std::vector<uint8_t> endpoints;
        std::string list = words[2];
        size_t at = 0;
        while (at < list.size()) {
            size_t comma = list.find(',', at);
            std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
            if (!item.empty() && item != "-") endpoints.push_back(static_cast<uint8_t>(std::strtoul(item.c_str(), nullptr, 16)));
            if (comma == std::string::npos) break;
            at = comma + 1;
        }
        m_endpoints = endpoints;
        return "OK";
    }
    if (verb == "CONFIGURATION" && words.size() == 3) {
        // As a device that lost its configuration (a reset of its own): bound pipes still carry data.
        m_configuration = static_cast<uint8_t>(std::strtoul(words[2].c_str(), nullptr, 10));
        return "OK";
    }
    if (verb == "VERSION" && words.size() == 3) {
        m_driverVersion = static_cast<uint16_t>(std::strtoul(words[2].c_str(), nullptr, 16));
        return "OK";
    }
    if (verb == "COUNT") {
        size_t open = 0;
        for (auto& weak : m_handles)
            if (!weak.expired()) ++open;
        return "OK " + std::to_string(open) + " " + std::to_string(m_configuration);
    }
    return "ERR usage: USB UNPLUG|PLUG|STATUS <hex>|STATUS DELAY <ms>|ENDPOINTS <hex,...>|CONFIGURATION <n>|VERSION <hex>|COUNT";
}

}  // namespace standin

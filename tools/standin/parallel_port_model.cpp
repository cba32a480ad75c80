// The stand-in's parallel port: status byte, device ID and the answers of both driver families.
#include "parallel_port_model.h"
#include "parallel_codes.h"
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace standin {
namespace {

// Win32 errors a driver call ends with (as the client's last error).
constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInsufficientBuffer = 122;

constexpr uint16_t kParStatusBadAddress = 2;
constexpr uint32_t kCapabilityEcr = 0x01;
constexpr uint32_t kChunk = 65536;   // caller memory is copied in pieces of this size

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

uint32_t U32(const Bytes& input, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, input.data() + at, sizeof v);
    return v;
}

uint16_t U16(const Bytes& input, size_t at)
{
    uint16_t v = 0;
    std::memcpy(&v, input.data() + at, sizeof v);
    return v;
}

Reply StatusReply(uint16_t status)
{
    Reply reply;
    reply.data = {static_cast<uint8_t>(status), static_cast<uint8_t>(status >> 8)};
    return reply;
}

// status, two bytes, a 32-bit value (little-endian, as the drivers' records are).
Reply ValueReply(uint16_t status, uint32_t value)
{
    Reply reply = StatusReply(status);
    reply.data.insert(reply.data.end(), {0, 0});
    for (int i = 0; i < 4; ++i) reply.data.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return reply;
}

Reply Failure(uint32_t error)
{
    Reply reply;
    reply.status = error;
    return reply;
}

}  // namespace

ParallelPortModel::ParallelPortModel(unsigned port) : m_port(port) {}

std::optional<ParallelDriver> ParallelPortModel::DriverOfPath(const std::string& path) const
{
    std::string name = Upper(path);
    std::string digit = std::to_string(m_port);
    if (name == "\\\\.\\LPT" + digit) return ParallelDriver::SystemPort;
    if (name == "\\\\.\\VEL1284.VXD") return ParallelDriver::Vxd9x;
    if (name == "\\\\.\\ORLITH" + digit) return ParallelDriver::NtKernel;
    return std::nullopt;
}

uint8_t ParallelPortModel::StatusByte() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_rawStatus) return *m_rawStatus;
    // A printer in error drops its select line: the port shows it off line.
    uint8_t status = m_error ? kParallelOffLine : kParallelSelected;
    if (m_busy) status |= kParallelBusy;
    if (m_paperOut) status |= kParallelPaperEmpty;
    return status;
}

bool ParallelPortModel::TakesData() const
{
    uint8_t status = StatusByte();
    return !(status & (kParallelBusy | kParallelPaperEmpty | kParallelOffLine)) && (status & kParallelSelected);
}

Bytes ParallelPortModel::DeviceIdReply() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    size_t length = 2 + (m_hasDeviceId ? m_deviceId.size() : 0);
    Bytes reply{static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    if (m_hasDeviceId) reply.insert(reply.end(), m_deviceId.begin(), m_deviceId.end());
    return reply;
}

Reply ParallelPortModel::Control(ParallelDriver driver, uint32_t code, const Bytes& input, uint32_t outCapacity,
                                 ParallelHost& host)
{
    if (driver == ParallelDriver::SystemPort) return Public(code, input, outCapacity);
    int request = ParRequestOfCode(code);
    // Each driver knows only its own form of the codes.
    bool ntForm = code >= 0x162000u;
    if (request < 0 || ntForm != (driver == ParallelDriver::NtKernel)) return Failure(kErrorInvalidFunction);
    Reply reply = Private(request, input, host);
    if (reply.status == 0 && reply.data.size() > outCapacity) return Failure(kErrorInsufficientBuffer);
    return reply;
}

Reply ParallelPortModel::Public(uint32_t code, const Bytes& input, uint32_t outCapacity)
{
    Reply reply;
    switch (code) {
    case kIoctlParQueryInformation:
        if (outCapacity < 1) return Failure(kErrorInsufficientBuffer);
        reply.data = {StatusByte()};
        return reply;
    case kIoctlParSetInformation:
        if (input.size() != 1 || input[0] != kParallelInit) return Failure(kErrorInvalidParameter);
        return reply;   // the printer is reset: nothing of the model changes
    case kIoctlParGetDeviceCaps:
        reply.data = {static_cast<uint8_t>(kCapabilityEcr), 0, 0, 0};
        return reply;
    case kIoctlParQueryDeviceId:
        reply.data = DeviceIdReply();
        if (reply.data.size() > outCapacity) reply.data.resize(outCapacity);
        return reply;
    default: return Failure(kErrorInvalidFunction);
    }
}

Reply ParallelPortModel::Private(int request, const Bytes& input, ParallelHost& host)
{
    auto inputIs = [&](size_t size) { return input.size() == size; };
    std::unique_lock<std::mutex> hold(m_lock);
    switch (request) {
    case kParSetPortMode:
        if (!inputIs(4)) return StatusReply(kParStatusBadRequest);
        m_mode = U32(input, 0);
        return StatusReply(kParStatusOk);
    case kParSetTimeouts:
        if (!inputIs(8)) return StatusReply(kParStatusBadRequest);
        m_timeouts[0] = U32(input, 0);
        m_timeouts[1] = U32(input, 4);
        return StatusReply(kParStatusOk);
    case kParSelectPort:
        if (!inputIs(4)) return StatusReply(kParStatusBadRequest);
        if (U16(input, 0) != m_port) return StatusReply(kParStatusNoPort);
        m_selected = m_port;
        return StatusReply(kParStatusOk);
    case kParShutdownSecond:
        m_selected = 0;
        return StatusReply(kParStatusOk);
    case kParInitLast:
    case kParShutdownFirst:
    case kParCloseFirst:
    case kParCloseSecond:
    case kParCloseThird:
        if (!inputIs(0)) return StatusReply(kParStatusBadRequest);
        return StatusReply(kParStatusOk);
    case kParQueryValue:
        if (!inputIs(4)) return ValueReply(kParStatusBadRequest, 0);
        return ValueReply(kParStatusOk, m_mode);
    case kParGetCapabilities:
        if (!inputIs(0)) return ValueReply(kParStatusBadRequest, 0);
        return ValueReply(kParStatusOk, kCapabilityEcr);
    case kParWriteData:
    case kParReadData:
    case kParReadDeviceId: {
        if (!inputIs(8)) return ValueReply(kParStatusBadRequest, 0);
        if (m_selected != m_port) return ValueReply(kParStatusNoPort, 0);
        hold.unlock();   // the transfer asks the model's state again
        return Transfer(request, U32(input, 0), U32(input, 4), host);
    }
    default: return StatusReply(kParStatusBadRequest);
    }
}

Reply ParallelPortModel::Transfer(int request, uint32_t address, uint32_t length, ParallelHost& host)
{
    if (request == kParWriteData) {
        // A printer that cannot take data lets the driver's write time out.
        if (!TakesData()) return ValueReply(kParStatusTimeout, 0);
        std::vector<uint8_t> chunk;
        uint32_t done = 0;
        while (done < length) {
            uint32_t piece = std::min(length - done, kChunk);
            chunk.resize(piece);
            if (!host.ReadCaller(address + done, chunk.data(), piece)) return ValueReply(kParStatusBadAddress, done);
            if (!host.SendToPrinter(chunk.data(), piece)) return ValueReply(kParStatusTimeout, done);
            done += piece;
        }
        return ValueReply(kParStatusOk, done);
    }
    Bytes bytes;
    if (request == kParReadDeviceId) {
        bytes = DeviceIdReply();
        if (bytes.size() > length) bytes.resize(length);
        // Only a device ID cut short is a partial read.
        bool whole = bytes.size() == DeviceIdReply().size();
        if (!bytes.empty() && !host.WriteCaller(address, bytes.data(), static_cast<uint32_t>(bytes.size())))
            return ValueReply(kParStatusBadAddress, 0);
        return ValueReply(whole ? kParStatusOk : kParStatusPartialRead, static_cast<uint32_t>(bytes.size()));
    }
    bytes.resize(std::min(length, kChunk));
    size_t got = host.TakeFromPrinter(bytes.data(), bytes.size());
    if (got && !host.WriteCaller(address, bytes.data(), static_cast<uint32_t>(got)))
        return ValueReply(kParStatusBadAddress, 0);
    return ValueReply(got == length ? kParStatusOk : kParStatusPartialRead, static_cast<uint32_t>(got));
}

std::optional<std::string> ParallelPortModel::Command(const std::vector<std::string>& words)
{
    if (words.empty()) return std::nullopt;
    std::string verb = Upper(words[0]);
    std::lock_guard<std::mutex> hold(m_lock);
    if (verb == "LINES") {
        bool busy = false, paperOut = false, error = false;
        for (size_t i = 1; i < words.size(); ++i) {
            std::string line = Upper(words[i]);
            if (line == "BUSY") busy = true;
            else if (line == "PAPEROUT") paperOut = true;
            else if (line == "ERROR") error = true;
            else if (line != "READY") return "ERR unknown line " + words[i];
        }
        m_busy = busy;
        m_paperOut = paperOut;
        m_error = error;
        m_rawStatus.reset();
        return "OK";
    }
    if (verb == "STATUS" && words.size() == 2) {
        char* end = nullptr;
        unsigned long value = std::strtoul(words[1].c_str(), &end, 16);
        if (!end || *end || value > 0xFF) return "ERR status is one hex byte";
        m_rawStatus = static_cast<uint8_t>(value);
        return "OK";
    }
    if (verb == "DEVICEID" && words.size() >= 2) {
        bool has = words[1] != "-";
        std::string text;
        // The words were split at blanks: join them again with one blank.
        for (size_t i = 1; has && i < words.size(); ++i) {
            if (i > 1) text += ' ';
            text += words[i];
        }
        if (text.size() > 0xFFFF - 2) return "ERR device ID too long";
        m_hasDeviceId = has;
        m_deviceId = text;
        return "OK";
    }
    if (verb == "COUNT") return "OK " + std::to_string(m_openHandles) + " " + std::to_string(m_selected);
    return "ERR usage: PARALLEL LINES [busy] [paperout] [error]|STATUS <hex>|DEVICEID <text>|-|COUNT";
}

void ParallelPortModel::HandleOpened()
{
    std::lock_guard<std::mutex> hold(m_lock);
    ++m_openHandles;
}

void ParallelPortModel::HandleClosed()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_openHandles) --m_openHandles;
}

}  // namespace standin

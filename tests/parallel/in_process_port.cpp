// The test's in-process parallel port behind the driver seam.
#include "in_process_port.h"
#include <cstring>
#include <string>

InProcessPort* InProcessPort::s_current = nullptr;

InProcessPort::InProcessPort() : m_table(standin::SystemDriverAccess())
{
    m_table.OpenDevice = &InProcessPort::Open;
    m_table.IoControl = &InProcessPort::IoControl;
    m_table.CloseDevice = &InProcessPort::Close;
    s_current = this;
    standin::SetDriverAccess(&m_table);
}

InProcessPort::~InProcessPort()
{
    for (std::thread& completion : m_completions) completion.join();
    standin::SetDriverAccess(nullptr);
    s_current = nullptr;
    for (auto& [client, open] : m_handles) CloseHandle(client);
    for (HANDLE server : m_servers) CloseHandle(server);
}

HANDLE InProcessPort::Open(const char* path, DWORD, DWORD, DWORD, DWORD flags)
{
    InProcessPort& self = *s_current;
    self.opened.push_back(path);
    auto driver = self.model.DriverOfPath(path);
    if (self.failOpen || !driver) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    static int serial = 0;
    std::string name = "\\\\.\\pipe\\kx-parallel-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(++serial);
    HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0,
                                     nullptr);
    HANDLE client = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                flags & FILE_FLAG_OVERLAPPED, nullptr);
    if (server == INVALID_HANDLE_VALUE || client == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    self.m_servers.push_back(server);
    self.m_handles[client] = {*driver, server};
    self.m_lastServer = server;
    ++self.openHandles;
    return client;
}

BOOL InProcessPort::IoControl(HANDLE device, DWORD code, void* in, DWORD inLength, void* out, DWORD outLength,
                              DWORD* returned, OVERLAPPED* overlapped)
{
    InProcessPort& self = *s_current;
    auto it = self.m_handles.find(device);
    if (it == self.m_handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    self.m_codes.push_back(code);
    standin::Bytes input;
    if (in && inLength) input.assign(static_cast<uint8_t*>(in), static_cast<uint8_t*>(in) + inLength);
    self.lastInput = input;
    standin::Reply reply = self.model.Control(it->second.driver, code, input, out ? outLength : 0, self);
    if (overlapped && self.pendingMs >= 0) {
        // The reply lands in the caller's buffer and record when the request completes.
        overlapped->Internal = STATUS_PENDING;
        self.m_completions.emplace_back([reply, out, outLength, overlapped, delay = self.pendingMs] {
            Sleep(static_cast<DWORD>(delay));
            DWORD count = static_cast<DWORD>(std::min<size_t>(reply.data.size(), out ? outLength : 0));
            if (count) std::memcpy(out, reply.data.data(), count);
            overlapped->InternalHigh = count;
            overlapped->Internal = reply.status;
            SetEvent(overlapped->hEvent);
        });
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    DWORD count = static_cast<DWORD>(std::min<size_t>(reply.data.size(), out ? outLength : 0));
    if (count) std::memcpy(out, reply.data.data(), count);
    if (returned) *returned = count;
    if (overlapped) {
        overlapped->Internal = reply.status;
        overlapped->InternalHigh = count;
    }
    if (reply.status) {
        SetLastError(reply.status);
        return FALSE;
    }
    return TRUE;
}

BOOL InProcessPort::Close(HANDLE device)
{
    InProcessPort& self = *s_current;
    auto it = self.m_handles.find(device);
    if (it == self.m_handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // The server end stays for PipeBytes until the end of the test.
    self.m_handles.erase(it);
    ++self.closes;
    --self.openHandles;
    return CloseHandle(device);
}

std::vector<uint8_t> InProcessPort::PipeBytes()
{
    std::vector<uint8_t> bytes;
    if (!m_lastServer) return bytes;
    DWORD available = 0;
    if (!PeekNamedPipe(m_lastServer, nullptr, 0, nullptr, &available, nullptr) || available == 0) return bytes;
    bytes.resize(available);
    DWORD got = 0;
    ReadFile(m_lastServer, bytes.data(), available, &got, nullptr);
    bytes.resize(got);
    return bytes;
}

std::vector<uint32_t> InProcessPort::TakeCodes()
{
    std::vector<uint32_t> codes;
    codes.swap(m_codes);
    return codes;
}

bool InProcessPort::ReadCaller(uint32_t address, void* out, uint32_t length)
{
    std::memcpy(out, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)), length);
    return true;
}

bool InProcessPort::WriteCaller(uint32_t address, const void* data, uint32_t length)
{
    std::memcpy(reinterpret_cast<void*>(static_cast<uintptr_t>(address)), data, length);
    return true;
}

bool InProcessPort::SendToPrinter(const uint8_t* data, size_t length)
{
    printed.insert(printed.end(), data, data + length);
    return true;
}

size_t InProcessPort::TakeFromPrinter(uint8_t* out, size_t max)
{
    size_t n = std::min(max, toSend.size());
    for (size_t i = 0; i < n; ++i) {
        out[i] = toSend.front();
        toSend.pop_front();
    }
    return n;
}

// The stand-in's control and data pipes.
#include "pipe_server.h"

#include <cctype>
#include <cstdint>
#include <thread>
#include <vector>

namespace standin {
namespace {

constexpr DWORD kPipeBuffer = 65536;
constexpr DWORD kDataConnectTimeoutMs = 10000;   // a handle's client connects right after Open

// outBuffer 0: a write to the client ends only once the client has read it.
HANDLE MakePipe(const std::string& name, bool message, DWORD instances, DWORD outBuffer = kPipeBuffer)
{
    DWORD type = message ? (PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE) : (PIPE_TYPE_BYTE | PIPE_READMODE_BYTE);
    return CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, type | PIPE_WAIT, instances,
                            outBuffer, kPipeBuffer, 0, nullptr);
}

}  // namespace

PipeServer::PipeServer(std::string ns, std::vector<StandinDevice*> devices)
    : m_ns(std::move(ns)), m_devices(std::move(devices)), m_quit(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

PipeServer::~PipeServer() { CloseHandle(m_quit); }

bool PipeServer::Run(HANDLE stop)
{
    std::string name = m_ns + kControlPipe;
    HANDLE waits[2] = {m_quit, stop};
    for (;;) {
        HANDLE pipe = MakePipe(name, true, PIPE_UNLIMITED_INSTANCES);
        if (pipe == INVALID_HANDLE_VALUE) return false;
        OVERLAPPED ov{};
        ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        bool connected = ConnectNamedPipe(pipe, &ov) != FALSE;
        DWORD error = GetLastError();
        if (!connected && error == ERROR_PIPE_CONNECTED) connected = true;
        if (!connected && error == ERROR_IO_PENDING) {
            HANDLE all[3] = {ov.hEvent, waits[0], waits[1]};
            DWORD r = WaitForMultipleObjects(stop ? 3 : 2, all, FALSE, INFINITE);
            if (r != WAIT_OBJECT_0) {
                CancelIo(pipe);
                CloseHandle(ov.hEvent);
                CloseHandle(pipe);
                return true;
            }
            DWORD unused = 0;
            connected = GetOverlappedResult(pipe, &ov, &unused, FALSE) != FALSE;
        }
        CloseHandle(ov.hEvent);
        if (!connected) {
            CloseHandle(pipe);
            continue;
        }
        std::thread([this, pipe] { ServeControl(pipe); }).detach();
    }
}

void PipeServer::ServeControl(HANDLE pipe)
{
    OpenHandle handle;   // set once Open succeeded on this connection
    PipeIo io(pipe, m_quit);
    std::vector<uint8_t> buffer(kMaxMessage + 16);
    for (;;) {
        DWORD got = 0;
        if (!io.Read(buffer.data(), static_cast<DWORD>(buffer.size()), got)) break;
        auto request = DecodeRequest(buffer.data(), got);
        Reply reply;
        if (!request) {
            reply.status = ERROR_INVALID_DATA;
        } else {
            reply = Handle(*request, handle);
            if (request->operation == Operation::Control && reply.data.size() > request->outCapacity)
                reply.data.resize(request->outCapacity);
        }
        Bytes message = EncodeReply(reply);
        if (!io.Write(message.data(), static_cast<DWORD>(message.size()))) break;
        // An open handle's connection ends with its device (removed: the client's next request fails).
        if (handle.device) io.SetStop(handle.device->StopEvent());
    }
    // The client ended the connection of a device still there: it closed the handle.
    if (handle.device && WaitForSingleObject(handle.device->StopEvent(), 0) == WAIT_TIMEOUT) {
        *handle.closedByClient = true;
        SetEvent(handle.device->StopEvent());
    }
}

Reply PipeServer::OpenDevice(const std::string& path, OpenHandle& handle)
{
    Reply reply;
    StandinDevice* device = nullptr;
    for (StandinDevice* d : m_devices)
        if (d->Answers(path)) device = d;
    if (!device) {
        reply.status = ERROR_FILE_NOT_FOUND;
        return reply;
    }
    std::shared_ptr<DeviceHandle> opened = device->Open(path, reply.status);
    if (!opened) {
        if (reply.status == 0) reply.status = ERROR_FILE_NOT_FOUND;
        return reply;
    }
    std::string name = m_ns + kDataPipePrefix + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(m_nextData++);
    // Nothing waits in the pipe on its way to the client: data is taken from the device as the
    // client reads it, and a read of a closed handle shows (WatchClosedHandle).
    HANDLE data = MakePipe(name, false, 1, 0);
    if (data == INVALID_HANDLE_VALUE) {
        reply.status = GetLastError();
        return reply;
    }
    auto closedByClient = std::make_shared<std::atomic<bool>>(false);
    // The data pipe lives as long as its client keeps it open or the device is there.
    std::thread([this, opened, closedByClient, data]() mutable {
        PipeIo io(data, opened->StopEvent());
        if (!io.WaitClient(kDataConnectTimeoutMs)) return;
        opened->ServeData(io);
        if (*closedByClient && opened->CarriesData() && io.ClientPresent()) {
            io.SetStop(m_quit);
            opened.reset();   // the handle itself is gone; its pipe stays with the client
            WatchClosedHandle(io.Pipe());
        }
    }).detach();
    handle = {opened, closedByClient};
    reply.data.assign(name.begin(), name.end());
    return reply;
}

void PipeServer::WatchClosedHandle(HANDLE pipe)
{
    // A marker byte offered to a read (it is taken only by one, nothing waits in the pipe) and a
    // read of whatever the client writes.
    OVERLAPPED offer{}, take{};
    offer.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    take.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    uint8_t marker = 0;
    std::vector<uint8_t> written(kPipeBuffer);
    bool offering = false, taking = false, open = offer.hEvent && take.hEvent;
    while (open) {
        DWORD done = 0;
        if (!offering) {
            ResetEvent(offer.hEvent);
            if (WriteFile(pipe, &marker, 1, nullptr, &offer)) {
                ++m_staleRequests;
                continue;
            }
            offering = open = GetLastError() == ERROR_IO_PENDING;
        }
        if (open && !taking) {
            ResetEvent(take.hEvent);
            if (ReadFile(pipe, written.data(), static_cast<DWORD>(written.size()), nullptr, &take)) {
                ++m_staleRequests;
                continue;
            }
            taking = open = GetLastError() == ERROR_IO_PENDING;
        }
        if (!open) break;
        HANDLE waits[3] = {offer.hEvent, take.hEvent, m_quit};
        const DWORD r = WaitForMultipleObjects(3, waits, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0) {
            offering = false;
            open = GetOverlappedResult(pipe, &offer, &done, FALSE) != FALSE;
        } else if (r == WAIT_OBJECT_0 + 1) {
            taking = false;
            open = GetOverlappedResult(pipe, &take, &done, FALSE) != FALSE;
        } else {
            break;
        }
        if (open) ++m_staleRequests;   // a read or a write of the closed handle
    }
    CancelIoEx(pipe, nullptr);
    DWORD done = 0;
    if (offering) GetOverlappedResult(pipe, &offer, &done, TRUE);
    if (taking) GetOverlappedResult(pipe, &take, &done, TRUE);
    if (offer.hEvent) CloseHandle(offer.hEvent);
    if (take.hEvent) CloseHandle(take.hEvent);
}

std::string PipeServer::Command(const std::string& text)
{
    std::vector<std::string> words = SplitWords(text);
    if (words.empty()) return "ERR empty command";
    for (char& c : words[0]) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (words[0] == "PING") return "OK standin";
    if (words[0] == "QUIT") {
        SetEvent(m_quit);
        return "OK";
    }
    // STALE: a client's driver access met a request to a handle that is not open (it reports it
    // here); STALE COUNT: how many so far, with the reads and writes that reached the data pipes
    // of closed handles.
    if (words[0] == "STALE") {
        if (words.size() == 1) {
            ++m_staleRequests;
            return "OK";
        }
        return "OK " + std::to_string(m_staleRequests.load());
    }
    for (StandinDevice* device : m_devices)
        if (auto answer = device->Command(words)) return *answer;
    return "ERR unknown command " + words[0];
}

Reply PipeServer::Handle(const Request& request, OpenHandle& handle)
{
    Reply reply;
    switch (request.operation) {
    case Operation::List:
        for (StandinDevice* device : m_devices) {
            std::vector<std::string> paths = device->InterfacePaths(request.text);
            Bytes joined = JoinPaths(paths);
            reply.data.insert(reply.data.end(), joined.begin(), joined.end());
        }
        return reply;
    case Operation::Open:
        if (handle.device) {
            reply.status = ERROR_ALREADY_EXISTS;   // one handle per connection
            return reply;
        }
        return OpenDevice(request.text, handle);
    case Operation::Control:
        if (!handle.device) {
            reply.status = ERROR_INVALID_HANDLE;
            return reply;
        }
        return handle.device->Control(request.code, request.input, request.outCapacity);
    case Operation::Command: {
        std::string answer = Command(request.text);
        reply.data.assign(answer.begin(), answer.end());
        return reply;
    }
    }
    reply.status = ERROR_INVALID_FUNCTION;
    return reply;
}

}  // namespace standin

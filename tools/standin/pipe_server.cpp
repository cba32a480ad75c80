// The stand-in's control and data pipes.
#include "pipe_server.h"

#include <cctype>
#include <thread>

namespace standin {
namespace {

constexpr DWORD kPipeBuffer = 65536;
constexpr DWORD kDataConnectTimeoutMs = 10000;   // a handle's client connects right after Open

HANDLE MakePipe(const std::string& name, bool message, DWORD instances)
{
    DWORD type = message ? (PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE) : (PIPE_TYPE_BYTE | PIPE_READMODE_BYTE);
    return CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, type | PIPE_WAIT, instances,
                            kPipeBuffer, kPipeBuffer, 0, nullptr);
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
    std::shared_ptr<DeviceHandle> handle;   // set once Open succeeded on this connection
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
        if (handle) io.SetStop(handle->StopEvent());
    }
}

Reply PipeServer::OpenDevice(const std::string& path, std::shared_ptr<DeviceHandle>& handle)
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
    HANDLE data = MakePipe(name, false, 1);
    if (data == INVALID_HANDLE_VALUE) {
        reply.status = GetLastError();
        return reply;
    }
    // The data pipe lives as long as its client keeps it open or the device is there.
    std::thread([opened, data] {
        PipeIo io(data, opened->StopEvent());
        if (io.WaitClient(kDataConnectTimeoutMs)) opened->ServeData(io);
    }).detach();
    handle = opened;
    reply.data.assign(name.begin(), name.end());
    return reply;
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
    // here); STALE COUNT: how many so far.
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

Reply PipeServer::Handle(const Request& request, std::shared_ptr<DeviceHandle>& handle)
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
        if (handle) {
            reply.status = ERROR_ALREADY_EXISTS;   // one handle per connection
            return reply;
        }
        return OpenDevice(request.text, handle);
    case Operation::Control:
        if (!handle) {
            reply.status = ERROR_INVALID_HANDLE;
            return reply;
        }
        return handle->Control(request.code, request.input, request.outCapacity);
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

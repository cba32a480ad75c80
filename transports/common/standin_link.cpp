// The client end of the stand-in driver's control pipe.
#include "standin_link.h"

#include <cstdlib>
#include <mutex>

namespace standin {
namespace {
constexpr DWORD kBetweenInstancesMs = 500;
}  // namespace

bool StandinLink::Connect(const std::string& ns, DWORD timeoutMs)
{
    Close();
    std::string name = ns + kControlPipe;
    DWORD start = GetTickCount();
    for (;;) {
        m_pipe = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (m_pipe != INVALID_HANDLE_VALUE) break;
        DWORD error = GetLastError();
        DWORD waited = GetTickCount() - start;
        // All instances busy: the stand-in makes a new one as soon as it took the last. Under Wine
        // a client that comes between two instances may also find no pipe at all for a moment.
        bool retry = error == ERROR_PIPE_BUSY || (error == ERROR_FILE_NOT_FOUND && waited < kBetweenInstancesMs);
        if (!retry || waited >= timeoutMs) {
            SetLastError(error == ERROR_PIPE_BUSY ? ERROR_SEM_TIMEOUT : error);
            return false;
        }
        if (error == ERROR_PIPE_BUSY)
            WaitNamedPipeA(name.c_str(), 50);
        else
            Sleep(10);
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(m_pipe, &mode, nullptr, nullptr)) {
        DWORD error = GetLastError();
        Close();
        SetLastError(error);
        return false;
    }
    return true;
}

void StandinLink::Close()
{
    if (m_pipe != INVALID_HANDLE_VALUE) CloseHandle(m_pipe);
    m_pipe = INVALID_HANDLE_VALUE;
}

std::optional<Reply> StandinLink::Transact(const Request& request)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_pipe == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_PIPE_NOT_CONNECTED);
        return std::nullopt;
    }
    Bytes message = EncodeRequest(request);
    DWORD done = 0;
    if (!WriteFile(m_pipe, message.data(), static_cast<DWORD>(message.size()), &done, nullptr))
        return std::nullopt;
    Bytes reply(kMaxMessage + 8);
    DWORD got = 0;
    if (!ReadFile(m_pipe, reply.data(), static_cast<DWORD>(reply.size()), &got, nullptr)) return std::nullopt;
    auto decoded = DecodeReply(reply.data(), got);
    if (!decoded) SetLastError(ERROR_INVALID_DATA);
    return decoded;
}

std::string StandinNamespace()
{
    const char* ns = std::getenv(kNamespaceVariable);
    if (!ns || !*ns)
        return std::string();
    // The redirect is for tests on this machine: a remote pipe or any other path is not followed.
    if (!IsLocalPipeNamespace(ns)) {
        static std::once_flag said;
        std::call_once(said, [] {
            OutputDebugStringA("*** KESTRIX_DRIVER_STANDIN ignored: not a local pipe name (\\\\.\\pipe\\...)\n");
        });
        return std::string();
    }
    return std::string(ns);
}

std::string StandinCommand(const std::string& ns, const std::string& text)
{
    StandinLink link;
    if (!link.Connect(ns)) return "ERR link " + std::to_string(GetLastError());
    Request request;
    request.operation = Operation::Command;
    request.text = text;
    auto reply = link.Transact(request);
    if (!reply) return "ERR link " + std::to_string(GetLastError());
    return std::string(reply->data.begin(), reply->data.end());
}

}  // namespace standin

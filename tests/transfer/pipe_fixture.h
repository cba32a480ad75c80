// A fixture with the pipe transport (as Vorbeck.dll beside the test) connected through Dorvane:
// the test holds the pipe's server end, the engine writes and reads the client end.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "dorvane.h"
#include "framework/thread.h"
#include "message_window.h"
#include "messages.h"
#include "pipe_control.h"
#include "progress_wait.h"
#include "transfer.h"

// A message-only window that collects what the engine posts.
class CPostBox : public test_support::MessageWindow {
public:
    // Every waiting message of the engine's range, in the order posted.
    std::vector<MSG> Take() { return MessageWindow::Take(WM_APP, WM_APP + 100); }
};

// Reads the pipe's server end on a thread of its own until stopped.
class CPipeDrain {
public:
    explicit CPipeDrain(HANDLE pipe) : m_pipe(pipe) { m_thread.Start(&CPipeDrain::Run, this); }
    ~CPipeDrain() { Stop(); }
    // Ends the drain; what it read stays in Bytes().
    void Stop()
    {
        m_stop = true;
        m_thread.Join();
    }
    // Waits until at least count bytes arrived (or none came for a while).
    bool WaitFor(size_t count)
    {
        return test_support::WaitWhileMoving([&] { return m_count.load() >= count; }, [&] { return m_count.load(); });
    }
    const std::vector<char>& Bytes() const { return m_bytes; }

private:
    static unsigned Run(void* self)
    {
        static_cast<CPipeDrain*>(self)->Loop();
        return 0;
    }
    void Loop()
    {
        OVERLAPPED record = {};
        record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        char buffer[4096];
        while (!m_stop) {
            DWORD done = 0;
            ResetEvent(record.hEvent);
            if (!ReadFile(m_pipe, buffer, sizeof buffer, &done, &record)) {
                if (GetLastError() != ERROR_IO_PENDING)
                    break;
                while (!m_stop && WaitForSingleObject(record.hEvent, 20) == WAIT_TIMEOUT) {
                }
                if (m_stop) {
                    CancelIoEx(m_pipe, &record);
                    GetOverlappedResult(m_pipe, &record, &done, TRUE);
                    m_bytes.insert(m_bytes.end(), buffer, buffer + done);
                    break;
                }
                if (!GetOverlappedResult(m_pipe, &record, &done, FALSE))
                    break;
            }
            m_bytes.insert(m_bytes.end(), buffer, buffer + done);
            m_count += done;
        }
        CloseHandle(record.hEvent);
    }

    HANDLE m_pipe;
    std::atomic<bool> m_stop{false};
    std::atomic<size_t> m_count{0};
    std::vector<char> m_bytes;
    CThread m_thread;
};

inline PipeControl* PipeTransportControl()
{
    HMODULE module = LoadLibraryA("Vorbeck.dll");
    if (!module)
        return nullptr;
    auto get = reinterpret_cast<PFN_PipeGetControl>(GetProcAddress(module, "PipeGetControl"));
    return get ? get() : nullptr;
}

// Bytes 0, 1, 2, ... 250, 0, 1, ... so a shifted or lost byte shows.
inline std::vector<char> Pattern(size_t size)
{
    std::vector<char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// A file in the temporary folder, deleted with the object.
class CTempFile {
public:
    CTempFile(const char* stem, const std::vector<char>& bytes)
    {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        m_name = std::string(folder) + stem + "-" + std::to_string(GetCurrentProcessId()) + ".bin";
        FILE* file = std::fopen(m_name.c_str(), "wb");
        if (file) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
    }
    ~CTempFile() { DeleteFileA(m_name.c_str()); }
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
};

class PipeTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(m_post.Handle(), nullptr);
        m_control = PipeTransportControl();
        ASSERT_NE(m_control, nullptr) << "pipe transport Vorbeck.dll missing beside the test";
        static int serial = 0;
        std::snprintf(m_control->pipeName, sizeof m_control->pipeName, "\\\\.\\pipe\\kx-transfer-%lu-%d",
                      GetCurrentProcessId(), ++serial);
        m_control->checkResult = 2;
        m_control->openResult = 1;
        m_control->faultAfterWrites = -1;
        m_control->keepWrites = m_control->keepReads = 0;
        m_control->commPacketSize = 8;
        m_control->stringPacketSize = 2;
        m_control->downloadPacketSize = 4096;
        m_control->checkCalls = m_control->openCalls = m_control->closeCalls = m_control->writeCalls = 0;
        m_control->pendingWrites = 0;
        m_server = CreateNamedPipeA(m_control->pipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                    PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, kPipeBuffer, kPipeBuffer,
                                    0, nullptr);
        ASSERT_NE(m_server, INVALID_HANDLE_VALUE);
        ASSERT_NE(Comm_OpenSetup(m_post.Handle(), kDorvaneSerial, 1), 0);
        DWORD port = 0;
        int a4 = 0, a5 = 0, a6 = 0, a7 = 0, a8 = 0;
        ASSERT_NE(Comm_UpdateConnection(0, port, nullptr, a4, a5, a6, a7, a8), 0);
        Comm_SetConnect(Comm_IsPortAvailable());
        ASSERT_TRUE(CreateAbortEvent());
        ResetEvent(g_TransferAbortEvent);
        g_Transfer.SetNotifyWindow(m_post.Handle());
        g_Transfer.SetParams(0, 0, 0, 0, 0, 0);
        g_Transfer.SetRepeat(0, 1, 0);
    }
    void TearDown() override
    {
        g_Transfer.StopThreads();
        Comm_BreakDownCommPort();
        Comm_CloseCleanuo();
        if (m_server != INVALID_HANDLE_VALUE)
            CloseHandle(m_server);
        m_post.Take();
    }

    // Waits until a write found the pipe full: nobody reads it, so the writer waits there.
    bool WriterWaitsForRoom()
    {
        return test_support::WaitWhileMoving([&] { return m_control->pendingWrites > 0; },
                                             [&] { return m_control->writeCalls; });
    }

    static constexpr DWORD kPipeBuffer = 4096;
    CPostBox m_post;
    PipeControl* m_control = nullptr;
    HANDLE m_server = INVALID_HANDLE_VALUE;
};

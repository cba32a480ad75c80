// A test transport over a named pipe: Open connects to the pipe the test made, Write and Read are
// WriteFile and ReadFile on it with the object's overlapped records.
#include "comm_info.h"
#include "pipe_control.h"

namespace {

PipeControl g_control = {"", 2, 1, -1, 8, 2, 4096, 0, 0, 0, 0, 0, 0, 0, {}, 0};

class CPipeInfo final : public CCommInfo {
public:
    explicit CPipeInfo(int isWinNT) : CCommInfo(isWinNT)
    {
        m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;
        m_OverlappedTX.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_OverlappedRX.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_OverlappedRXUsm.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_bBidirectional = 1;
        m_bPortAvailable = 1;
        m_bOpened = 0;
        m_bAsyncRead = 1;
        m_nDownloadPacketSize = g_control.downloadPacketSize;
        m_nCommPacketSize = g_control.commPacketSize;
        m_nStringPacketSize = g_control.stringPacketSize;
        m_dwReadTimeout = INFINITE;
        ++g_control.objectsAlive;
    }
    CCommInfo* Destroy(unsigned flags) override { return DestroyCommInfo(this, flags); }
    ~CPipeInfo()
    {
        Close();
        CloseHandle(m_OverlappedTX.hEvent);
        CloseHandle(m_OverlappedRX.hEvent);
        CloseHandle(m_OverlappedRXUsm.hEvent);
        --g_control.objectsAlive;
    }

    int IsConnected() override { return m_bOpened; }
    int Open(int, DWORD*, char*, int*, int*, int*, int*, int*) override
    {
        ++g_control.openCalls;
        if (!g_control.openResult)
            return 0;
        HANDLE pipe = CreateFileA(g_control.pipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            PostError(GetLastError());
            return 0;
        }
        m_hCommPortTX = m_hCommPortRX = pipe;
        m_bOpened = 1;
        m_nCommPacketSize = g_control.commPacketSize;
        m_nStringPacketSize = g_control.stringPacketSize;
        m_nDownloadPacketSize = g_control.downloadPacketSize;
        return 1;
    }
    BOOL Write(HANDLE h, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov) override
    {
        int call = g_control.writeCalls++;
        if (call < 64)
            g_control.writeSizes[call] = length;
        if (g_control.faultAfterWrites >= 0 && call >= g_control.faultAfterWrites) {
            *written = 0;
            SetLastError(ERROR_WRITE_FAULT);
            return FALSE;
        }
        if (g_control.keepWrites)
            return KeepPending(ov);
        if (WriteFile(h, data, length, written, ov))
            return TRUE;
        if (GetLastError() == ERROR_IO_PENDING)
            ++g_control.pendingWrites;
        return FALSE;
    }
    // Pending in the record as a driver leaves it; no cancel reaches it.
    static BOOL KeepPending(OVERLAPPED* ov)
    {
        ov->Internal = STATUS_PENDING;
        ResetEvent(ov->hEvent);
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    BOOL Read(HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov) override
    {
        if (g_control.keepReads)
            return KeepPending(ov);
        return ReadFile(h, buffer, length, read, ov);
    }
    int RequestStatus(void*, DWORD, DWORD*, OVERLAPPED*) override { return 0; }
    int DecodeStatus(void*, DWORD, DWORD*) override { return 0; }
    int EnumDevices(int*, int*, const char*, int* count, PortRow*) override
    {
        *count = 0;
        return 0;
    }
    int CheckSettings(DWORD, int, int, int, int, int, int) override
    {
        ++g_control.checkCalls;
        return g_control.checkResult;
    }
    int Close() override
    {
        if (m_hCommPortRX) {
            ++g_control.closeCalls;
            CloseHandle(m_hCommPortRX);
        }
        m_hCommPortTX = m_hCommPortRX = nullptr;
        m_bOpened = 0;
        return 1;
    }
    int Init() override { return 1; }
};

}  // namespace

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    auto* info = new CPipeInfo(isWinNT);
    info->SetNotifyWindow(notifyWnd);
    return info;
}

extern "C" PipeControl* PipeGetControl()
{
    return &g_control;
}

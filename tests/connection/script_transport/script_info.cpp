// A transport whose answers the test scripts and which records what the main dialog asked of it:
// how often it was set up, checked, opened, closed and dropped, in order. Writes take every byte.
#include "script_control.h"

#include <cstdio>
#include <cstring>

namespace {

ScriptControl g_control = {};

void Note(char event)
{
    if (g_control.eventCount < static_cast<int>(sizeof g_control.events) - 1)
        g_control.events[g_control.eventCount++] = event;
}

// Keeps its caller while the delay the test gives lasts; counted once it waits.
void Delay(const volatile DWORD& delayMs, int& held)
{
    if (delayMs == 0)
        return;
    ++held;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < delayMs;)
        Sleep(10);
}

class CScriptInfo final : public CCommInfo {
public:
    explicit CScriptInfo(int isWinNT) : CCommInfo(isWinNT)
    {
        m_nDownloadPacketSize = 4096;
        m_nCommPacketSize = 4096;
        m_nStringPacketSize = 256;
        m_dwReadTimeout = 100;
        m_bAsyncRead = g_control.asyncRead;
        m_hCommPortTX = reinterpret_cast<HANDLE>(1);
        m_OverlappedTX.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_OverlappedRX.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    CCommInfo* Destroy(unsigned flags) override { return DestroyCommInfo(this, flags); }
    ~CScriptInfo()
    {
        CloseHandle(m_OverlappedTX.hEvent);
        CloseHandle(m_OverlappedRX.hEvent);
        g_control.dropCalls++;
        Note('D');
    }

    int IsConnected() override
    {
        Delay(g_control.presenceDelayMs, g_control.presenceHeld);
        return m_bOpened;
    }
    int Open(int restart, DWORD*, char*, int* channel, int*, int*, int*, int*) override
    {
        g_control.openCalls++;
        g_control.lastRestart = restart;
        m_nOpenedChannel = *channel;
        Note('O');
        m_bOpened = g_control.openResult != 0;
        m_bPortAvailable = g_control.portAvailable;
        m_bBidirectional = g_control.bidirectional;
        return g_control.openResult;
    }
    // Pending in the record as a driver leaves it; no cancel reaches it.
    static BOOL Kept(OVERLAPPED* ov)
    {
        ov->Internal = STATUS_PENDING;
        ResetEvent(ov->hEvent);
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    BOOL Write(HANDLE, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov) override
    {
        if (g_control.keepWrites)
            return Kept(ov);
        g_control.writtenChannel = m_nOpenedChannel;
        for (DWORD i = 0; i < length; ++i, ++g_control.writtenCount)
            if (g_control.writtenCount < static_cast<int>(sizeof g_control.written))
                g_control.written[g_control.writtenCount] = static_cast<const char*>(data)[i];
        *written = length;
        return TRUE;
    }
    BOOL Read(HANDLE, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov) override
    {
        if (g_control.keepReads && ov == &m_OverlappedRX) {
            ++g_control.readsKept;
            return Kept(ov);
        }
        *read = 0;
        if (g_control.toReadCount > 0 && length >= static_cast<DWORD>(g_control.toReadCount)) {
            std::memcpy(buffer, g_control.toRead, static_cast<size_t>(g_control.toReadCount));
            *read = static_cast<DWORD>(g_control.toReadCount);
            if (!g_control.readRepeats)
                g_control.toReadCount = 0;
        } else {
            Sleep(10);   // nothing yet: a reader polls
        }
        return TRUE;
    }
    int GetProperties(char* text) override
    {
        Note('P');
        std::snprintf(text, kClientPropertiesChars, "Scripted port");
        return 1;
    }
    int RequestStatus(void*, DWORD, DWORD*, OVERLAPPED*) override { return g_control.requestStatus; }
    int DecodeStatus(void*, DWORD, DWORD*) override
    {
        Delay(g_control.statusDelayMs, g_control.statusHeld);
        return 0;
    }
    int EnumDevices(int*, int*, const char* prefix, int* count, PortRow* rows) override
    {
        int filled = 0;
        for (int i = 0; i < g_control.ports && filled < *count; ++i)
            std::snprintf(rows[filled++], kPortRowChars, "%s%d", prefix ? prefix : "DEV", i + 1);
        *count = filled;
        return 1;
    }
    int CheckSettings(DWORD, int, int, int, int, int, int) override
    {
        g_control.checkCalls++;
        Note('V');
        return g_control.checkResult;
    }
    int Close() override
    {
        g_control.closeCalls++;
        Note('C');
        m_bOpened = 0;
        return 1;
    }
    int Init() override { return 1; }

private:
    int m_nOpenedChannel = 0;
};

} // namespace

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    g_control.factoryCalls++;
    Note('F');
    auto* info = new CScriptInfo(isWinNT);
    info->SetNotifyWindow(notifyWnd);
    return info;
}

extern "C" ScriptControl* ScriptGetControl()
{
    return &g_control;
}

// A transport for the settings-page tests: it lists the names the test gives it, answers the
// settings check as told and records the calls; the port it opens carries no data.
#include <algorithm>
#include <cstring>

#include "comm_info.h"
#include "page_control.h"

namespace {

PageControl g_control = {{}, 0, -1, 1, 0, 0, 2, 1, 0, 0, "", 0, {}, 0};

class CPageInfo final : public CCommInfo {
public:
    explicit CPageInfo(int isWinNT) : CCommInfo(isWinNT)
    {
        m_hCommPortTX = m_hCommPortRX = m_hCommPortRXUsm = nullptr;
        m_bBidirectional = 1;
        m_bPortAvailable = 1;
        m_bOpened = 0;
        m_bAsyncRead = 0;
        m_nDownloadPacketSize = m_nCommPacketSize = m_nStringPacketSize = 64;
        m_dwReadTimeout = INFINITE;
    }

    CCommInfo* Destroy(unsigned flags) override { return DestroyCommInfo(this, flags); }
    int IsConnected() override { return m_bOpened; }
    int Open(int, DWORD*, char*, int*, int*, int*, int*, int*) override
    {
        ++g_control.openCalls;
        m_bOpened = g_control.openResult;
        return g_control.openResult;
    }
    BOOL Write(HANDLE, const void*, DWORD, DWORD* written, OVERLAPPED*) override
    {
        *written = 0;
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    BOOL Read(HANDLE, void*, DWORD, DWORD* read, OVERLAPPED*) override
    {
        *read = 0;
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    int GetProperties(char* text) override
    {
        std::strcat(text, "Page transport report");
        return 1;
    }
    int RequestStatus(void*, DWORD, DWORD*, OVERLAPPED*) override { return 0; }
    int DecodeStatus(void*, DWORD, DWORD*) override { return 0; }
    int EnumDevices(int* a1, int* a2, const char* prefix, int* count, PortRow* rows) override
    {
        ++g_control.enumCalls;
        g_control.enumCapacity = *count;
        std::strncpy(g_control.enumPrefix, prefix ? prefix : "", sizeof g_control.enumPrefix - 1);
        if (!prefix) {
            *a1 = g_control.usmFlag;
            *a2 = g_control.realTimeFlag;
        }
        const int fill = std::max(0, std::min({*count, g_control.nameCount, kPageTransportRows}));
        for (int i = 0; i < fill; ++i)
            std::memcpy(rows[i], g_control.names[i], kPortRowChars);
        *count = g_control.claimCount >= 0 ? g_control.claimCount : fill;
        return g_control.listResult;
    }
    int CheckSettings(DWORD port, int sizeIndex, int a3, int a4, int a5, int a6, int a7) override
    {
        ++g_control.checkCalls;
        const int args[7] = {static_cast<int>(port), sizeIndex, a3, a4, a5, a6, a7};
        std::copy(args, args + 7, g_control.checkArgs);
        return m_bOpened ? g_control.checkResult : 2;
    }
    int Close() override
    {
        m_bOpened = 0;
        return 1;
    }
    int Init() override { return 1; }
};

} // namespace

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    auto* info = new CPageInfo(isWinNT);
    info->SetNotifyWindow(notifyWnd);
    return info;
}

extern "C" PageControl* PageGetControl()
{
    return &g_control;
}

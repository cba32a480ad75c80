// The Comm_* exports: one transport object, driven through its CCommInfo slots and fields.
#define DORVANE_BUILD
#include "dorvane.h"
#include "comm_info.h"
#include "immediate_read.h"
#include "transport_library.h"
#include <algorithm>
#include <atomic>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

// The one transport object. Set up and dropped on the user-interface thread. Every call that uses it
// counts itself among its users while it does, and dropping it waits until none is left, so no
// call of another thread ever runs in a freed object.
std::atomic<CCommInfo*> g_pInfo{nullptr};
std::atomic<int> g_nInfoUsers{0};
// How long dropping the transport waits for calls still inside it; after that it is left allocated.
constexpr DWORD kDropWaitMs = 5000;
// Open was called since the last Close: dropping the transport closes the port first.
std::atomic<bool> g_bPortOpened{false};
// The last Open succeeded and has not been closed since.
std::atomic<bool> g_bPortOpen{false};
// What Comm_SetConnect recorded for the open port.
std::atomic<int> g_bConnected{0};

CImmediateRead g_ImmediateRead;

// The transport for the length of one call (null when none is set up).
class InfoUse {
public:
    InfoUse()
    {
        ++g_nInfoUsers;   // counted before the pointer is read: a drop that follows waits for this call
        m_info = g_pInfo.load();
    }
    ~InfoUse() { --g_nInfoUsers; }
    InfoUse(const InfoUse&) = delete;
    InfoUse& operator=(const InfoUse&) = delete;

    explicit operator bool() const { return m_info != nullptr; }
    CCommInfo* operator->() const { return m_info; }
    CCommInfo& operator*() const { return *m_info; }

private:
    CCommInfo* m_info;
};

// True once no call is inside a transport any more; false after timeoutMs.
bool WaitForNoUser(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (g_nInfoUsers.load() > 0) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(1);
    }
    return true;
}

// A request still in flight on one of the transport's records: the driver may yet write into the
// object (it did not end after its cancel), so the object is never freed and its port never used.
bool HasRequestInFlight(const CCommInfo& info)
{
    for (const OVERLAPPED* record : {&info.m_OverlappedTX, &info.m_OverlappedRX, &info.m_OverlappedRXUsm})
        if (!HasOverlappedIoCompleted(record))
            return true;
    return false;
}

// Closes the port of info and forgets everything that belonged to it.
int ClosePort(CCommInfo& info)
{
    int result = info.Close();
    g_bPortOpened = false;
    g_bPortOpen = false;
    g_bConnected = 0;
    g_ImmediateRead.Forget();
    return result;
}

}  // namespace

int Comm_OpenSetup(HWND window, int iface, int isWinNT)
{
    Comm_CloseCleanuo();
    if (iface < 0 || iface >= kTransportInterfaceCount)
        return 0;
    TransportFactory found = FindTransportFactory(iface);
    CCommInfo* info = found.factory ? found.factory(window, isWinNT) : nullptr;
    if (!info) {
        PostMessageA(window, WM_COMM_ERROR, static_cast<WPARAM>(found.errorId), 0);
        return 0;
    }
    g_pInfo = info;
    return 1;
}

int Comm_IsOpened()
{
    return g_pInfo.load() ? 1 : 0;
}

int Comm_CloseCleanuo()
{
    CCommInfo* info = g_pInfo.exchange(nullptr);
    if (!info)
        return 1;
    // New calls no longer find it; the calls already inside end first. One that does not end, or
    // a request still in flight on its records, keeps the object (and its port) as it is: never
    // freed under them.
    const bool callInside = !WaitForNoUser(kDropWaitMs);
    if (callInside || HasRequestInFlight(*info)) {
        OutputDebugStringA(callInside ? "Dorvane: a call is still inside the transport; it is not dropped\n"
                                      : "Dorvane: a request of the transport is still in flight; it is not dropped\n");
        g_bPortOpened = false;
        g_bPortOpen = false;
        g_bConnected = 0;
        return 1;
    }
    if (g_bPortOpened)
        ClosePort(*info);
    DeleteCommInfo(info);  // slot 0: the transport library's own destructors and storage
    return 1;
}

int Comm_IsConnectionValid(DWORD portOrDevice, int sizeIndex, int a3, int a4, int a5, int a6, int a7)
{
    InfoUse info;
    // With nothing set up there is nothing open: the caller's open then reports the failure.
    return info ? info->CheckSettings(portOrDevice, sizeIndex, a3, a4, a5, a6, a7) : 2;
}

int Comm_UpdateConnection(int restart, DWORD& portOrDevice, char* name, int& a4, int& a5, int& a6, int& a7,
                          int& a8)
{
    InfoUse info;
    if (!info)
        return 0;
    g_bPortOpened = true;
    int result = info->Open(restart, &portOrDevice, name, &a4, &a5, &a6, &a7, &a8);
    g_bPortOpen = result != 0;
    if (!result)
        g_bConnected = 0;
    return result;
}

int Comm_IsConnected()
{
    return g_pInfo.load() && g_bPortOpen ? g_bConnected.load() : 0;
}

int Comm_BreakDownCommPort()
{
    InfoUse info;
    return info ? ClosePort(*info) : 0;
}

int Comm_SetConnect(int flag)
{
    g_bConnected = flag;
    return 1;
}

int Comm_IsPortAvailable()
{
    InfoUse info;
    return info ? info->m_bPortAvailable : 0;
}

int Comm_IsBidirectional()
{
    InfoUse info;
    return info ? info->m_bBidirectional : 0;
}

int Comm_IsAsyncRead()
{
    InfoUse info;
    return info ? info->m_bAsyncRead : 0;
}

int Comm_IsDevicePresent()
{
    InfoUse info;
    return info ? info->IsConnected() : 0;
}

HANDLE Comm_GethCommPortTX()
{
    InfoUse info;
    return info ? info->m_hCommPortTX : nullptr;
}

HANDLE Comm_GethCommPortRX()
{
    InfoUse info;
    return info ? info->m_hCommPortRX : nullptr;
}

HANDLE Comm_GethCommPortRXUsm()
{
    InfoUse info;
    return info ? info->m_hCommPortRXUsm : nullptr;
}

OVERLAPPED* Comm_GetOverlappedTX()
{
    InfoUse info;
    return info ? &info->m_OverlappedTX : nullptr;
}

OVERLAPPED* Comm_GetOverlappedRX()
{
    InfoUse info;
    return info ? &info->m_OverlappedRX : nullptr;
}

OVERLAPPED* Comm_GetOverlappedRXUsm()
{
    InfoUse info;
    return info ? &info->m_OverlappedRXUsm : nullptr;
}

BOOL Comm_WritePort(HANDLE handle, const void* data, DWORD count, DWORD* done, OVERLAPPED* record)
{
    InfoUse info;
    if (!info) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return info->Write(handle, data, count, done, record);
}

BOOL Comm_ReadPort(HANDLE handle, void* buffer, DWORD count, DWORD* done, OVERLAPPED* record)
{
    InfoUse info;
    if (!info) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (record)
        return info->Read(handle, buffer, count, done, record);
    return g_ImmediateRead.Read(*info, handle ? handle : info->m_hCommPortRX, buffer, count, done);
}

int Comm_InitGetDeviceStatus(void* buffer, DWORD size, DWORD& bytes, OVERLAPPED* record)
{
    InfoUse info;
    return info ? info->RequestStatus(buffer, size, &bytes, record) : 0;
}

int Comm_GetDeviceStatus(void* buffer, DWORD length, DWORD& word)
{
    // Length 0 (nothing requested yet) goes to the transport as well: the serial one reads the modem
    // lines without a reply, the others answer 0 or leave the word.
    InfoUse info;
    return info ? info->DecodeStatus(buffer, length, &word) : 0;
}

DWORD Comm_GetReadTimeout()
{
    InfoUse info;
    return info ? info->m_dwReadTimeout : INFINITE;
}

unsigned Comm_GetDownloadPacketSize()
{
    InfoUse info;
    return info ? info->m_nDownloadPacketSize : 0;
}

unsigned Comm_GetCommPacketSize()
{
    InfoUse info;
    return info ? info->m_nCommPacketSize : 0;
}

unsigned Comm_GetStringPacketSize()
{
    InfoUse info;
    return info ? info->m_nStringPacketSize : 0;
}

int Comm_GetPortParams(int& a1, int& a2, const char* prefix, int& count, char (*rows)[128])
{
    InfoUse info;
    const int capacity = count;
    if (!info || !rows || capacity <= 0) {
        count = 0;
        return 0;
    }
    int result = info->EnumDevices(&a1, &a2, prefix, &count, rows);
    // Never report more rows than the caller's array holds, and keep every row a terminated text.
    count = std::clamp(count, 0, capacity);
    for (int i = 0; i < count; ++i)
        rows[i][kPortRowChars - 1] = '\0';
    return result;
}

int Comm_SetDeviceParams(char* command)
{
    InfoUse info;
    return info && command ? info->SetDeviceParams(command) : 0;
}

int Comm_ShowPortProperties(char* text, size_t capacity)
{
    InfoUse info;
    if (!info || !text || capacity == 0)
        return 0;
    // The transport's slot takes the text alone: it fills one of the size the main program hands over,
    // and as much of its report as the caller's buffer holds is appended from there.
    static_assert(kPortPropertiesChars == kClientPropertiesChars);
    std::vector<char> report(kPortPropertiesChars, '\0');
    int result = info->GetProperties(report.data());
    report.back() = '\0';
    size_t used = strnlen(text, capacity - 1);
    size_t appended = std::min(std::strlen(report.data()), capacity - 1 - used);
    std::memcpy(text + used, report.data(), appended);
    text[used + appended] = '\0';
    return result;
}

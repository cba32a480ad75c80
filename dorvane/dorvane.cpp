// The Comm_* exports: one transport object, driven through its CCommInfo slots and fields.
#define DORVANE_BUILD
#include "dorvane.h"
#include "comm_info.h"
#include "immediate_read.h"
#include "transport_library.h"
#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace {

// The one transport object. Set up and dropped on the user-interface thread; the worker threads that
// use it are stopped by the main program before it is dropped.
std::atomic<CCommInfo*> g_pInfo{nullptr};
// Open was called since the last Close: dropping the transport closes the port first.
std::atomic<bool> g_bPortOpened{false};
// The last Open succeeded and has not been closed since.
std::atomic<bool> g_bPortOpen{false};
// What Comm_SetConnect recorded for the open port.
std::atomic<int> g_bConnected{0};

CImmediateRead g_ImmediateRead;

CCommInfo* Info()
{
    return g_pInfo.load();
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
    return Info() ? 1 : 0;
}

int Comm_CloseCleanuo()
{
    CCommInfo* info = g_pInfo.exchange(nullptr);
    if (!info)
        return 1;
    if (g_bPortOpened)
        ClosePort(*info);
    DeleteCommInfo(info);  // slot 0: the transport library's own destructors and storage
    return 1;
}

int Comm_IsConnectionValid(DWORD portOrDevice, int sizeIndex, int a3, int a4, int a5, int a6, int a7)
{
    CCommInfo* info = Info();
    // With nothing set up there is nothing open: the caller's open then reports the failure.
    return info ? info->CheckSettings(portOrDevice, sizeIndex, a3, a4, a5, a6, a7) : 2;
}

int Comm_UpdateConnection(int restart, DWORD& portOrDevice, char* name, int& a4, int& a5, int& a6, int& a7,
                          int& a8)
{
    CCommInfo* info = Info();
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
    return Info() && g_bPortOpen ? g_bConnected.load() : 0;
}

int Comm_BreakDownCommPort()
{
    CCommInfo* info = Info();
    return info ? ClosePort(*info) : 0;
}

int Comm_SetConnect(int flag)
{
    g_bConnected = flag;
    return 1;
}

int Comm_IsPortAvailable()
{
    CCommInfo* info = Info();
    return info ? info->m_bPortAvailable : 0;
}

int Comm_IsBidirectional()
{
    CCommInfo* info = Info();
    return info ? info->m_bBidirectional : 0;
}

int Comm_IsAsyncRead()
{
    CCommInfo* info = Info();
    return info ? info->m_bAsyncRead : 0;
}

int Comm_IsDevicePresent()
{
    CCommInfo* info = Info();
    return info ? info->IsConnected() : 0;
}

HANDLE Comm_GethCommPortTX()
{
    CCommInfo* info = Info();
    return info ? info->m_hCommPortTX : nullptr;
}

HANDLE Comm_GethCommPortRX()
{
    CCommInfo* info = Info();
    return info ? info->m_hCommPortRX : nullptr;
}

HANDLE Comm_GethCommPortRXUsm()
{
    CCommInfo* info = Info();
    return info ? info->m_hCommPortRXUsm : nullptr;
}

OVERLAPPED* Comm_GetOverlappedTX()
{
    CCommInfo* info = Info();
    return info ? &info->m_OverlappedTX : nullptr;
}

OVERLAPPED* Comm_GetOverlappedRX()
{
    CCommInfo* info = Info();
    return info ? &info->m_OverlappedRX : nullptr;
}

OVERLAPPED* Comm_GetOverlappedRXUsm()
{
    CCommInfo* info = Info();
    return info ? &info->m_OverlappedRXUsm : nullptr;
}

BOOL Comm_WritePort(HANDLE handle, const void* data, DWORD count, DWORD* done, OVERLAPPED* record)
{
    CCommInfo* info = Info();
    if (!info) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return info->Write(handle, data, count, done, record);
}

BOOL Comm_ReadPort(HANDLE handle, void* buffer, DWORD count, DWORD* done, OVERLAPPED* record)
{
    CCommInfo* info = Info();
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
    CCommInfo* info = Info();
    return info ? info->RequestStatus(buffer, size, &bytes, record) : 0;
}

int Comm_GetDeviceStatus(void* buffer, DWORD length, DWORD& word)
{
    // Length 0 (nothing requested yet) goes to the transport as well: the serial one reads the modem
    // lines without a reply, the others answer 0 or leave the word.
    CCommInfo* info = Info();
    return info ? info->DecodeStatus(buffer, length, &word) : 0;
}

DWORD Comm_GetReadTimeout()
{
    CCommInfo* info = Info();
    return info ? info->m_dwReadTimeout : INFINITE;
}

unsigned Comm_GetDownloadPacketSize()
{
    CCommInfo* info = Info();
    return info ? info->m_nDownloadPacketSize : 0;
}

unsigned Comm_GetCommPacketSize()
{
    CCommInfo* info = Info();
    return info ? info->m_nCommPacketSize : 0;
}

unsigned Comm_GetStringPacketSize()
{
    CCommInfo* info = Info();
    return info ? info->m_nStringPacketSize : 0;
}

int Comm_GetPortParams(int& a1, int& a2, const char* prefix, int& count, char (*rows)[128])
{
    CCommInfo* info = Info();
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
    CCommInfo* info = Info();
    return info && command ? info->SetDeviceParams(command) : 0;
}

int Comm_ShowPortProperties(char* text, size_t capacity)
{
    CCommInfo* info = Info();
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

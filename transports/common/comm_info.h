// CCommInfo: the object interface every transport library implements, the factory
// convention and the two messages a transport posts to its notify window.
#pragma once
#include <windows.h>
#include <cstddef>
#include <type_traits>

#define WM_COMM_ERROR   (WM_APP + 14)   // wParam: CommError catalogue id; lParam: CommErrorArgs* or 0
#define WM_SYSTEM_ERROR (WM_APP + 15)   // wParam: Win32 or Winsock error code

// Chunk sizes selected by the size index the client passes to CheckSettings.
constexpr unsigned kPacketSizes[9] = {1, 2, 4, 8, 16, 32, 256, 1024, 4096};
constexpr int kPacketSizeCount = 9;

// Rows that EnumDevices fills are 128 characters each.
constexpr int kPortRowChars = 128;
typedef char PortRow[kPortRowChars];
// The rows of the main program's port and USB device lists: what EnumDevices fills at most when the
// count on entry gives no capacity.
constexpr int kClientPortRows = 50;

// Arguments of communication errors 1 and 10: the two "%s" fields of the catalogue text.
struct CommErrorArgs {
    int count;              // always 2
    char portName[128];
    char detail[128];
};

// Slot 0's flag: free the object's storage once its destructors have run.
constexpr unsigned kDestroyFree = 1;

// The client hands GetProperties a text of this many characters (zeroed by the main program).
constexpr size_t kClientPropertiesChars = 8192;

// The virtual functions are the slot table a client built by any compiler calls by index, in this
// order and with these arguments (this in ECX, callee cleans): slot 0 is Destroy, 1 IsConnected ...
// 14 Init. Hence no virtual destructor: this compiler gives one two slots, which shifts the rest.
class CCommInfo {
public:
    explicit CCommInfo(int isWinNT);

    // Runs the object's destructors and, with kDestroyFree, frees its storage; returns the object.
    virtual CCommInfo* Destroy(unsigned flags) = 0;
    virtual int IsConnected();
    virtual int Open(int restart, DWORD* portOrDevice, char* name, int* a4, int* a5, int* a6, int* a7,
                     int* a8) = 0;
    virtual BOOL Write(HANDLE h, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov) = 0;
    virtual BOOL Read(HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov) = 0;
    // Appends the device-properties report to the terminated text. A transport writes no further than
    // its kPropertiesChars-th character of text (the terminator stays within); the base writes nothing.
    static constexpr size_t kPropertiesChars = 0;
    virtual int GetProperties(char* text);
    virtual int RequestStatus(void* buffer, DWORD length, DWORD* result, OVERLAPPED* ov) = 0;
    virtual int DecodeStatus(void* buffer, DWORD length, DWORD* status) = 0;
    // Sets *count to the rows filled. A count above 0 on entry is the caller's capacity; 0 or less
    // (a client may zero it, the count being output only) means the main program's lists:
    // kClientPortRows rows, or for Ethernet devices the most one discovery lists.
    virtual int EnumDevices(int* a1, int* a2, const char* prefix, int* count, PortRow* rows) = 0;
    virtual int CheckSettings(DWORD portOrDevice, int sizeIndex, int a3, int a4, int a5, int a6, int a7) = 0;
    virtual int SetDeviceParams(char* command);
    virtual int CheckPortOwner();
    virtual int OpenPort();
    virtual int Close() = 0;
    virtual int Init() = 0;

    void SetNotifyWindow(HWND wnd) { m_hNotifyWnd = wnd; }
    void PostNotify(int id, CommErrorArgs* args);
    void PostError(DWORD code);

    // Fields the client reads directly, in this order.
    HANDLE m_hCommPortTX;
    HANDLE m_hCommPortRX;
    HANDLE m_hCommPortRXUsm;
    OVERLAPPED m_OverlappedRX;
    OVERLAPPED m_OverlappedTX;
    OVERLAPPED m_OverlappedRXUsm;
    int m_bBidirectional;
    int m_bPortAvailable;
    int m_bOpened;
    int m_bAsyncRead;
    unsigned m_nDownloadPacketSize;
    unsigned m_nCommPacketSize;
    unsigned m_nStringPacketSize;
    DWORD m_dwReadTimeout;
    int m_bWinNT;
    HWND m_hNotifyWnd;

protected:
    // Only slot 0 ends a transport object's life.
    ~CCommInfo() = default;
};

// Slot 0 of a transport class: its own destructor, then with kDestroyFree the storage that the
// factory's new gave it.
template <typename Info>
CCommInfo* DestroyCommInfo(Info* info, unsigned flags)
{
    static_assert(std::is_final_v<Info>, "slot 0 destroys the whole object: nothing may derive further");
    info->~Info();
    if (flags & kDestroyFree)
        ::operator delete(info);
    return info;
}

// How the client drops an object it owns.
inline void DeleteCommInfo(CCommInfo* info)
{
    if (info)
        info->Destroy(kDestroyFree);
}

// The one export of every transport library (plain name, ordinal 1).
typedef CCommInfo* (*PFN_GetNewInfoPtr)(HWND notifyWnd, int isWinNT);
extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT);

#if !defined(_WIN64)
// The layout is what Dorvane reads; offsetof on a class with virtuals is fine with GCC.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(OVERLAPPED) == 20, "the transports expect the 32-bit OVERLAPPED");
static_assert(offsetof(CCommInfo, m_hCommPortTX) == 4, "fields follow the vtable pointer");
static_assert(offsetof(CCommInfo, m_hCommPortRX) == 8);
static_assert(offsetof(CCommInfo, m_hCommPortRXUsm) == 12);
static_assert(offsetof(CCommInfo, m_OverlappedRX) == 16);
static_assert(offsetof(CCommInfo, m_OverlappedTX) == 36);
static_assert(offsetof(CCommInfo, m_OverlappedRXUsm) == 56);
static_assert(offsetof(CCommInfo, m_bBidirectional) == 76);
static_assert(offsetof(CCommInfo, m_bPortAvailable) == 80);
static_assert(offsetof(CCommInfo, m_bOpened) == 84);
static_assert(offsetof(CCommInfo, m_bAsyncRead) == 88);
static_assert(offsetof(CCommInfo, m_nDownloadPacketSize) == 92);
static_assert(offsetof(CCommInfo, m_nCommPacketSize) == 96);
static_assert(offsetof(CCommInfo, m_nStringPacketSize) == 100);
static_assert(offsetof(CCommInfo, m_dwReadTimeout) == 104);
static_assert(offsetof(CCommInfo, m_bWinNT) == 108);
static_assert(offsetof(CCommInfo, m_hNotifyWnd) == 112);
static_assert(sizeof(CCommInfo) == 116);
// A virtual destructor would take slots 0 and 1 (tests/transport_base/transport_abi_test.c checks
// every slot by index).
static_assert(!std::has_virtual_destructor_v<CCommInfo>);
#pragma GCC diagnostic pop
#endif

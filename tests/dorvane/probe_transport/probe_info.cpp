// A transport that records every call made to it, so tests see which slot each Comm_* reaches.
#include "probe_control.h"
#include <algorithm>
#include <cstring>

namespace {

ProbeControl g_control;

template <class T> uintptr_t Arg(T* p) { return reinterpret_cast<uintptr_t>(p); }
uintptr_t Arg(int v) { return static_cast<uintptr_t>(v); }
uintptr_t Arg(DWORD v) { return static_cast<uintptr_t>(v); }
uintptr_t Arg(HANDLE v) { return reinterpret_cast<uintptr_t>(v); }

template <class... A>
void Record(int slot, A... args)
{
    g_control.calls[slot]++;
    if (g_control.orderCount < 64)
        g_control.order[g_control.orderCount++] = slot;
    g_control.lastSlot = slot;
    std::memset(g_control.lastArgs, 0, sizeof g_control.lastArgs);
    uintptr_t values[] = {0, Arg(args)...};
    std::copy(values + 1, values + 1 + sizeof...(args), g_control.lastArgs);
}

class CProbeInfo final : public CCommInfo {
public:
    explicit CProbeInfo(int isWinNT) : CCommInfo(isWinNT) {}
    CCommInfo* Destroy(unsigned flags) override { return DestroyCommInfo(this, flags); }
    ~CProbeInfo() { Record(kSlotDestructor); }

    int IsConnected() override { Record(kSlotIsConnected); return g_control.result; }
    int Open(int restart, DWORD* port, char* name, int* a4, int* a5, int* a6, int* a7, int* a8) override
    {
        Record(kSlotOpen, restart, port, name, a4, a5, a6, a7, a8);
        return g_control.result;
    }
    BOOL Write(HANDLE h, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov) override
    {
        Record(kSlotWrite, h, data, length, written, ov);
        return g_control.result;
    }
    BOOL Read(HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov) override
    {
        Record(kSlotRead, h, buffer, length, read, ov);
        DWORD n = std::min(length, g_control.readLength);
        switch (g_control.readMode) {
        case kReadAtOnce:
            std::memcpy(buffer, g_control.readData, n);
            *read = n;
            return g_control.result;
        case kReadPendingDone:
            std::memcpy(buffer, g_control.readData, n);
            ov->Internal = 0;
            ov->InternalHigh = n;
            SetEvent(ov->hEvent);
            SetLastError(ERROR_IO_PENDING);
            return FALSE;
        case kReadPendingOpen:
            g_control.pendingRecord = ov;
            g_control.pendingBuffer = static_cast<char*>(buffer);
            g_control.pendingLength = length;
            ov->Internal = STATUS_PENDING;
            SetLastError(ERROR_IO_PENDING);
            return FALSE;
        case kReadSystem:
            return ReadFile(h, buffer, length, read, ov);
        case kReadFails:
            break;
        }
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    int GetProperties(char* text) override
    {
        Record(kSlotGetProperties, text);
        std::strcat(text, g_control.properties);
        return g_control.result;
    }
    int RequestStatus(void* buffer, DWORD length, DWORD* result, OVERLAPPED* ov) override
    {
        Record(kSlotRequestStatus, buffer, length, result, ov);
        return g_control.result;
    }
    int DecodeStatus(void* buffer, DWORD length, DWORD* status) override
    {
        Record(kSlotDecodeStatus, buffer, length, status);
        Sleep(g_control.decodeMs);
        g_control.dropsWhenDecodeEnded = g_control.calls[kSlotDestructor];
        return g_control.result;
    }
    int EnumDevices(int* a1, int* a2, const char* prefix, int* count, PortRow* rows) override
    {
        Record(kSlotEnumDevices, a1, a2, prefix, count, rows);
        g_control.enumCapacity = *count;
        int fill = std::min(*count, g_control.devicesToList);
        for (int i = 0; i < fill; ++i)
            std::memset(rows[i], 'A' + i, kPortRowChars);  // no terminator: the caller's rows must stay texts
        *count = g_control.devicesToList;                  // claims more than it was given room for
        return g_control.result;
    }
    int CheckSettings(DWORD port, int sizeIndex, int a3, int a4, int a5, int a6, int a7) override
    {
        Record(kSlotCheckSettings, port, sizeIndex, a3, a4, a5, a6, a7);
        return g_control.result;
    }
    int SetDeviceParams(char* command) override { Record(kSlotSetDeviceParams, command); return g_control.result; }
    int CheckPortOwner() override { Record(kSlotCheckPortOwner); return g_control.result; }
    int OpenPort() override { Record(kSlotOpenPort); return g_control.result; }
    int Close() override { Record(kSlotClose); return g_control.result; }
    int Init() override { Record(kSlotInit); return g_control.result; }
};

}  // namespace

extern "C" CCommInfo* GetNewInfoPtr(HWND notifyWnd, int isWinNT)
{
    g_control.factoryCalls++;
    g_control.factoryWindow = notifyWnd;
    g_control.factoryWinNT = isWinNT;
    if (g_control.factoryFails)
        return nullptr;
    auto* info = new CProbeInfo(isWinNT);
    info->SetNotifyWindow(notifyWnd);
    g_control.object = info;
    return info;
}

extern "C" ProbeControl* ProbeGetControl()
{
    return &g_control;
}

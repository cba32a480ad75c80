// CParallelInfo: the parallel port transport (LPT1 and the like) behind Tasquel's GetNewInfoPtr:
// the system's port driver on the NT family, the maker's own driver otherwise.
#pragma once
#include "comm_info.h"
#include "par_drv.h"
#include "serial_system.h"
#include <atomic>
#include <cstdint>
#include <memory>

// Requests the status poll issues (m_nRequest).
enum ParallelRequest : int {
    kRequestNone = -1,
    kRequestLineStatus = 0,
    kRequestDeviceId = 1,
    kRequestCapabilities = 2,
    kRequestInitialise = 3,
};

constexpr size_t kParallelReplySize = 512;

class CParallelInfo final : public CCommInfo {
public:
    // system: the spooler's printer list (EnumPrintersA); the driver-mode driver is made here.
    explicit CParallelInfo(int isWinNT, const SerialSystem& system = RealSerialSystem());
    ~CParallelInfo();

    CCommInfo* Destroy(unsigned flags) override;

    int Open(int restart, DWORD* port, char* name, int* a4, int* a5, int* a6, int* a7, int* a8) override;
    BOOL Write(HANDLE h, const void* data, DWORD length, DWORD* written, OVERLAPPED* ov) override;
    BOOL Read(HANDLE h, void* buffer, DWORD length, DWORD* read, OVERLAPPED* ov) override;
    // The report is cut at this many characters of text; the longest (a whole driver-mode device ID
    // with its hex dump) would not fit the client's text.
    static constexpr size_t kPropertiesChars = 8000;
    int GetProperties(char* text) override;
    int RequestStatus(void* buffer, DWORD length, DWORD* result, OVERLAPPED* ov) override;
    int DecodeStatus(void* buffer, DWORD length, DWORD* status) override;
    int EnumDevices(int* a1, int* a2, const char* prefix, int* count, PortRow* rows) override;
    int CheckSettings(DWORD port, int sizeIndex, int a3, int a4, int a5, int a6, int a7) override;
    int CheckPortOwner() override;
    int OpenPort() override;
    int Close() override;
    int Init() override;

    bool DriverMode() const { return m_pParDrv != nullptr; }

    int m_nPortIndex;
    char m_szPortName[12];
    std::unique_ptr<CParDrv> m_pParDrv;
    // Placed by Open or GetProperties, taken by the status poll on another thread.
    std::atomic<int> m_nRequest;
    DWORD m_dwLastIoctl;
    uint8_t m_abReply[kParallelReplySize];
    unsigned m_nReplyLength;
    HANDLE m_hRequestDone;

private:
    int OpenSystemPort();
    int OpenDriverPort();
    // Writes the byte that wakes the port for a device-ID request and waits (boundedly) for it.
    void WakePort();
    // The driver's closing requests and shutdown; nothing when it is not open.
    void ReleaseDriver();
    void CloseEvents();
    int DriverProperties(char* text, size_t capacity);
    int SystemPortProperties(char* text, size_t capacity);

    const SerialSystem* m_pSystem;
};

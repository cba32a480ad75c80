// CParDrv: access to the maker's own parallel-port drivers (the Windows 9x virtual device and the NT
// kernel driver run as a service), driven synchronously by their private control requests.
#pragma once
#include "driver_services.h"
#include <windows.h>
#include <cstdint>

class CParDrv {
public:
    explicit CParDrv(const DriverServices& services = RealDriverServices());
    virtual ~CParDrv();
    CParDrv(const CParDrv&) = delete;
    CParDrv& operator=(const CParDrv&) = delete;

    // Opens the driver (the NT form first makes sure its service runs); 1 open, 0 failed.
    int OpenDriver(int ntDriver, uint16_t port, int overlapped);
    // Opens the driver and prepares m_nPortNumber for transfers; 1 when the driver was opened.
    int InitPort(int ntDriver);
    // The driver's shutdown requests, then CloseDriver.
    int ShutdownPort();
    // 1 when there was nothing to close, else CloseHandle's result.
    int CloseDriver();

    int WriteData(const void* data, DWORD length, DWORD* count);
    int ReadData(void* buffer, DWORD length, DWORD* count);
    int ReadDeviceId(void* buffer, DWORD length, DWORD* count);
    int GetCapabilities(uint32_t* capabilities);
    int SetPortMode(uint32_t mode);
    int SetTimeouts(uint32_t first, uint32_t second);
    int SelectPort(uint16_t port, uint16_t select);
    int QueryValue(uint32_t value);
    // A request that carries no data (the init, shutdown and closing requests).
    int PlainRequest(uint32_t request);

    // The NT driver's service, on an open service-manager handle; 1 or 0.
    int IsServiceRunning(SC_HANDLE manager);
    int IsServiceStopped(SC_HANDLE manager);
    int StartDriverService(SC_HANDLE manager);
    int StopDriverService(SC_HANDLE manager);
    int DeleteDriverService(SC_HANDLE manager);
    int InstallDriverService(SC_HANDLE manager);
    // The driver file: the directory of the module, the service name, ".SYS".
    void BuildDriverPath(HMODULE instance);

    bool IsOpen() const { return m_hDevice != INVALID_HANDLE_VALUE && m_hDevice != nullptr; }

    char m_szDriverPath[MAX_PATH];
    char m_szServiceName[16];
    HANDLE m_hDevice;
    int m_bNtDriver;
    uint32_t m_dwModeRegister;
    int m_bModeFlag;
    uint16_t m_nPortNumber;

private:
    // Sends request n; the reply must be replySize bytes with status 0 (or 6 when a partial read
    // is accepted) in its first 16 bits.
    int Transact(uint32_t request, const void* input, DWORD inputLength, void* reply, DWORD replySize,
                 bool acceptPartial = false);
    // The 8-byte replies: status, two bytes, a 32-bit value.
    int TransactValue(uint32_t request, const void* input, DWORD inputLength, uint32_t* value, bool acceptPartial);
    // Read requests that hand the driver the address of the caller's buffer.
    int TransferRequest(uint32_t request, const void* buffer, DWORD length, DWORD* count, bool acceptPartial);
    int ServiceIsIn(SC_HANDLE manager, DWORD state);

    const DriverServices* m_pServices;
};

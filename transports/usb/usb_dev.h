// CUsbDev: one open handle to a device of the maker's USB driver with the driver's control
// requests; and the device list of the driver's interface class (SETUPAPI.DLL loaded by name).
// The driver is reached only through the driver access seam (real driver or stand-in).
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "usb_driver_codes.h"

class CUsbDev {
public:
    CUsbDev();
    virtual ~CUsbDev();
    CUsbDev(const CUsbDev&) = delete;
    CUsbDev& operator=(const CUsbDev&) = delete;

    // Opens device n: through list (the interface path of its n-th interface of the class) or,
    // without a list, by the name \\.\VELUSB_Device<n>. 0 or a status; 0 at once when already open.
    // Open, Close and every request hold the object's lock: a request never meets a handle that
    // another thread is closing or replacing.
    DWORD Open(int deviceNumber, HDEVINFO list, const GUID* interfaceClass);
    void Close();
    bool IsOpen() const { return m_hDevice != nullptr; }
    HANDLE GetHandle() const { return m_hDevice; }

    // One control request, waited for at most kControlWaitMs and then cancelled. A request that
    // does not end after its cancel gives kStatusTimeout: its handle is closed and never used
    // again, and the block it writes into is left to it (see TakeHandleLost).
    DWORD IoControl(DWORD code, void* in, DWORD inLength, void* out, DWORD outLength, DWORD* returned);
    // True once after a request lost its handle as above.
    bool TakeHandleLost();

    DWORD GetDescriptor(void* buffer, DWORD* length, DWORD recipient, BYTE type, BYTE index, WORD language);
    DWORD GetDeviceDescriptor(void* buffer);   // 18 bytes
    DWORD GetConfigurationDescriptor(void* buffer, DWORD* length, BYTE index);
    DWORD GetStringDescriptor(void* buffer, DWORD* length, BYTE index, WORD language);
    DWORD GetConfiguration(BYTE* value);
    DWORD SetConfiguration(const usb_driver::SetConfigurationRecord& record);
    DWORD ClassInRequest(void* buffer, DWORD* length, const usb_driver::ClassRequestRecord& record);
    DWORD ResetDevice();
    DWORD GetDriverInfo(usb_driver::DriverInfo* info);

    // A copy of the record every control request uses (its event is auto-reset).
    OVERLAPPED GetOverlapped() const { return m_Overlapped; }

protected:
    HANDLE m_hDevice;
    OVERLAPPED m_Overlapped;
    CRITICAL_SECTION m_Lock;   // open, close and one control request at a time
    bool m_bHandleLost = false;
    BYTE* m_pDetail;           // interface detail of the last Open through a list
};

// The present devices exposing interfaceClass; NULL when SETUPAPI.DLL, its function or the list
// is missing.
HDEVINFO CreateDeviceList(const GUID* interfaceClass);
void DestroyDeviceList(HDEVINFO list);

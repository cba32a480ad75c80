// CUsbDevPipe: a handle of the USB driver bound to one endpoint, with the overlapped transfers
// of the driver's worker loops.
#pragma once
#include "transfer_pool.h"
#include "usb_dev.h"

class CUsbDevPipe : public CUsbDev {
public:
    CUsbDevPipe() = default;
    ~CUsbDevPipe() override = default;

    // Opens this object's own handle to the device and binds it to the endpoint.
    DWORD Bind(int deviceNumber, BYTE endpoint, HDEVINFO list, const GUID* interfaceClass);
    DWORD AbortPipe();

    // ReadFile / WriteFile of the buffer on the pipe's handle: 1 when done or pending, else 0.
    int SubmitRead(CTransferBuffer* buffer);
    int SubmitWrite(CTransferBuffer* buffer);
    // The buffer's status once complete; a pending transfer waits up to timeoutMs for its event.
    DWORD WaitForCompletion(CTransferBuffer* buffer, DWORD timeoutMs = INFINITE);

private:
    int Submit(CTransferBuffer* buffer, bool write);
};

// Binding, aborting and the overlapped transfers of a USB driver pipe.
#include "usb_dev_pipe.h"

using namespace usb_driver;

DWORD CUsbDevPipe::Bind(int deviceNumber, BYTE endpoint, HDEVINFO list, const GUID* interfaceClass)
{
    DWORD status = Open(deviceNumber, list, interfaceClass);
    if (status != 0) return status;
    return IoControl(kBindPipe, &endpoint, 1, nullptr, 0, nullptr);
}

DWORD CUsbDevPipe::AbortPipe() { return IoControl(kAbortPipe, nullptr, 0, nullptr, 0, nullptr); }

int CUsbDevPipe::Submit(CTransferBuffer* buffer, bool write)
{
    BOOL done = write ? WriteFile(m_hDevice, buffer->m_pData, buffer->m_nRequested, &buffer->m_nCount, &buffer->m_Overlapped)
                      : ReadFile(m_hDevice, buffer->m_pData, buffer->m_nRequested, &buffer->m_nCount, &buffer->m_Overlapped);
    buffer->m_dwStatus = done ? 0 : GetLastError();
    return (buffer->m_dwStatus == 0 || buffer->m_dwStatus == ERROR_IO_PENDING) ? 1 : 0;
}

int CUsbDevPipe::SubmitRead(CTransferBuffer* buffer) { return Submit(buffer, false); }
int CUsbDevPipe::SubmitWrite(CTransferBuffer* buffer) { return Submit(buffer, true); }

DWORD CUsbDevPipe::WaitForCompletion(CTransferBuffer* buffer, DWORD timeoutMs)
{
    if (buffer->m_dwStatus != ERROR_IO_PENDING) return buffer->m_dwStatus;
    if (WaitForSingleObject(buffer->m_Overlapped.hEvent, timeoutMs) == WAIT_TIMEOUT) return kStatusTimeout;
    buffer->m_dwStatus =
        GetOverlappedResult(m_hDevice, &buffer->m_Overlapped, &buffer->m_nCount, FALSE) ? 0 : GetLastError();
    return buffer->m_dwStatus;
}

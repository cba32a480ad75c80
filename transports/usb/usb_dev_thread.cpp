// The worker loops of the USB driver's reader and writer pipes.
#include "usb_dev_thread.h"

#include <cstring>

using namespace usb_driver;

void CUsbDevThread::PrepareBuffer(CTransferBuffer* buffer)
{
    if (buffer->m_pData) memset(buffer->m_pData, 0, buffer->m_nSize);
    buffer->m_nRequested = buffer->m_nSize;
    buffer->m_nCount = 0;
}

void CUsbDevThread::Append(CTransferBuffer* buffer)
{
    buffer->m_pNext = nullptr;
    if (m_pLastPending)
        m_pLastPending->m_pNext = buffer;
    else
        m_pFirstPending = buffer;
    m_pLastPending = buffer;
}

CTransferBuffer* CUsbDevThread::TakeFirst()
{
    CTransferBuffer* buffer = m_pFirstPending;
    if (buffer) {
        m_pFirstPending = buffer->m_pNext;
        if (!m_pFirstPending) m_pLastPending = nullptr;
        buffer->m_pNext = nullptr;
    }
    return buffer;
}

void CUsbDevThread::Drain()
{
    while (CTransferBuffer* buffer = TakeFirst()) {
        WaitForCompletion(buffer);
        m_Pool.Put(buffer);
    }
}

void CUsbDevThread::TransferLoop(bool write)
{
    if (m_Pool.FreeCount() == 0) return;
    m_pFirstPending = m_pLastPending = nullptr;
    if (!m_bTerminate) {
        unsigned errors = 0;
        while (errors <= m_nMaxErrorCount) {
            while (CTransferBuffer* buffer = m_Pool.Get()) {
                PrepareBuffer(buffer);
                if (buffer->m_bFinished && write) {
                    m_Pool.Put(buffer);
                    Drain();
                    return;
                }
                if (!write && (buffer->m_bFinished || buffer->m_nRequested == 0)) {
                    m_Pool.Put(buffer);
                    break;
                }
                if (write)
                    SubmitWrite(buffer);
                else
                    SubmitRead(buffer);
                Append(buffer);
            }
            CTransferBuffer* first = m_pFirstPending;
            if (!first) break;
            DWORD status = WaitForCompletion(first);
            if (status != 0) {
                OnBufferError(first);
                if (status != kStatusCancelledPowerDown) ++errors;
            } else {
                errors = 0;
            }
            TakeFirst();
            if (!write) ProcessBuffer(first);
            m_Pool.Put(first);
            if (m_bTerminate) break;
        }
    }
    Drain();
}

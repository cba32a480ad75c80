// CTransferBuffer (one overlapped transfer of a pipe) and CTransferPool (a locked free list of
// them), the buffers of the USB driver's worker loops.
#pragma once
#include <windows.h>

class CTransferBuffer {
public:
    CTransferBuffer() = default;
    ~CTransferBuffer();
    CTransferBuffer(const CTransferBuffer&) = delete;
    CTransferBuffer& operator=(const CTransferBuffer&) = delete;

    DWORD m_nRequested = 0;
    DWORD m_nCount = 0;
    DWORD m_dwStatus = 0;            // 0 done, ERROR_IO_PENDING, else a system or driver status
    CTransferBuffer* m_pNext = nullptr;
    int m_bFinished = 0;             // ends a write loop, and a read loop's filling
    DWORD m_dwUnused = 0;
    BYTE* m_pData = nullptr;
    DWORD m_nSize = 0;
    OVERLAPPED m_Overlapped{};       // its event belongs to the buffer
    int m_bOwnsData = 0;
};

class CTransferPool {
public:
    CTransferPool();
    ~CTransferPool();
    CTransferPool(const CTransferPool&) = delete;
    CTransferPool& operator=(const CTransferPool&) = delete;

    CTransferBuffer* Get();   // NULL when empty
    void Put(CTransferBuffer* buffer);
    void Free();
    DWORD FreeCount() const { return m_nFree; }

private:
    CTransferBuffer* m_pHead;
    DWORD m_nFree;
    CRITICAL_SECTION m_Lock;
    CTransferBuffer* m_pBuffers;   // allocated as one array
    BYTE* m_pDataBlock;
};

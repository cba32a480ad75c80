// Transfer buffers and their pool.
#include "transfer_pool.h"

CTransferBuffer::~CTransferBuffer()
{
    if (m_Overlapped.hEvent) CloseHandle(m_Overlapped.hEvent);
    if (m_bOwnsData) delete[] m_pData;
}

CTransferPool::CTransferPool() : m_pHead(nullptr), m_nFree(0), m_pBuffers(nullptr), m_pDataBlock(nullptr)
{
    InitializeCriticalSection(&m_Lock);
}

CTransferPool::~CTransferPool()
{
    Free();
    DeleteCriticalSection(&m_Lock);
}

CTransferBuffer* CTransferPool::Get()
{
    EnterCriticalSection(&m_Lock);
    CTransferBuffer* buffer = m_pHead;
    if (buffer) {
        m_pHead = buffer->m_pNext;
        buffer->m_pNext = nullptr;
        --m_nFree;
    }
    LeaveCriticalSection(&m_Lock);
    return buffer;
}

void CTransferPool::Put(CTransferBuffer* buffer)
{
    EnterCriticalSection(&m_Lock);
    buffer->m_pNext = m_pHead;
    m_pHead = buffer;
    ++m_nFree;
    LeaveCriticalSection(&m_Lock);
}

void CTransferPool::Free()
{
    EnterCriticalSection(&m_Lock);
    delete[] m_pBuffers;
    m_pBuffers = nullptr;
    delete[] m_pDataBlock;
    m_pDataBlock = nullptr;
    m_pHead = nullptr;
    m_nFree = 0;
    LeaveCriticalSection(&m_Lock);
}

// CRingBuffer: every operation holds the ring's own lock; only the write index is also atomic,
// for the display thread's unlocked look at it.
#include "ring_buffer.h"

CRingBuffer::CRingBuffer()
{
    Reset();
}

void CRingBuffer::Reset()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    m_nRead = 0;
    m_nWrite.store(0, std::memory_order_release);
    m_nCount = 0;
    m_nPut = 0;
    m_bReset = 1;
}

void CRingBuffer::Put(const char* bytes, unsigned n)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    int write = m_nWrite.load(std::memory_order_relaxed);
    for (unsigned i = 0; i < n; ++i) {
        m_Bytes[write] = static_cast<unsigned char>(bytes[i]);
        write = (write + 1) & kMask;
        if (m_nCount == kSize)
            m_nRead = (m_nRead + 1) & kMask;  // the oldest unread byte was just overwritten
        else
            ++m_nCount;
    }
    m_nPut += n;
    m_nWrite.store(write, std::memory_order_release);
}

unsigned char CRingBuffer::Get()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_nCount == 0)
        return 0;
    unsigned char byte = m_Bytes[m_nRead];
    m_nRead = (m_nRead + 1) & kMask;
    --m_nCount;
    return byte;
}

unsigned char CRingBuffer::PeekAt(int index)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Bytes[index & kMask];
}

unsigned char CRingBuffer::Peek(unsigned offset, int relative)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    unsigned slot = relative ? static_cast<unsigned>(m_nRead) + offset : offset;
    return m_Bytes[slot & kMask];
}

int CRingBuffer::GetCount()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_nCount;
}

int CRingBuffer::TakeResetFlag()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    int flag = m_bReset;
    m_bReset = 0;
    return flag;
}

CRingBuffer::Snapshot CRingBuffer::CopySince(unsigned long long from, unsigned char (&out)[kSize])
{
    std::lock_guard<std::mutex> lock(m_Lock);
    Snapshot snap{m_nPut, m_nPut, 0};
    if (from > m_nPut)
        return snap;  // the ring was reset since from was taken
    const unsigned long long oldestHeld = m_nPut > static_cast<unsigned long long>(kSize) ? m_nPut - kSize : 0;
    snap.first = from > oldestHeld ? from : oldestHeld;
    snap.count = static_cast<int>(m_nPut - snap.first);
    for (int i = 0; i < snap.count; ++i)
        out[i] = m_Bytes[(snap.first + static_cast<unsigned>(i)) & kMask];
    return snap;
}

// CRingBuffer: a 4096-byte circular buffer of received bytes with its own lock, shared by the
// reader threads (producers), the firmware engine (consumer) and the receive display (peeks).
#pragma once
#include <atomic>
#include <mutex>

class CRingBuffer {
public:
    static constexpr int kSize = 4096;
    static constexpr int kMask = kSize - 1;

    // Starts reset, so the reset flag is up until the display first takes it.
    CRingBuffer();
    CRingBuffer(const CRingBuffer&) = delete;
    CRingBuffer& operator=(const CRingBuffer&) = delete;

    // Empties the ring and raises the reset flag.
    void Reset();
    // Appends n bytes. When more than kSize bytes would be unread, the oldest are overwritten and
    // the read index moves on with them, so a reader always gets the newest kSize bytes in order.
    void Put(const char* bytes, unsigned n);
    // Takes the oldest unread byte; on an empty ring returns 0 and changes nothing.
    unsigned char Get();
    // The byte in slot index & kMask; nothing changes.
    unsigned char PeekAt(int index);
    // relative nonzero: the byte offset places after the read index; else the byte in slot offset & kMask.
    unsigned char Peek(unsigned offset, int relative);
    // Unread bytes, at most kSize.
    int GetCount();
    // The reset flag, cleared by taking it.
    int TakeResetFlag();
    // Next free slot, read without the lock by the display thread to see how far the writers got.
    int GetWriteIndex() const { return m_nWrite.load(std::memory_order_acquire); }

    // What the receive display takes: the bytes put since byte number from (counted from the last
    // reset) that the ring still holds, oldest first, copied under one lock so none is overwritten
    // while it is copied. Bytes the ring no longer holds lie between from and first.
    struct Snapshot {
        unsigned long long first;  // number of the first byte copied
        unsigned long long end;    // bytes put since the last reset; below from after a reset
        int count;                 // bytes copied: end - first, at most kSize
    };
    Snapshot CopySince(unsigned long long from, unsigned char (&out)[kSize]);

private:
    int m_nRead = 0;
    std::atomic<int> m_nWrite{0};
    int m_nCount = 0;
    unsigned char m_Bytes[kSize] = {};
    int m_bReset = 0;
    unsigned long long m_nPut = 0;  // bytes put since the last reset; its low bits are the write index
    std::mutex m_Lock;
};

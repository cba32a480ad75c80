// CRingBuffer: overflow keeps the newest bytes in order, empty reads, wrap-around, peeks, the reset
// flag, and one producer with one consumer and a peeking display running at once.
#include "core/ring_buffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Bytes 0, 1, 2 ... cycling through 251 values, so a shift by 256 or 4096 shows.
std::vector<char> Sequence(unsigned first, unsigned n)
{
    std::vector<char> bytes(n);
    for (unsigned i = 0; i < n; ++i)
        bytes[i] = static_cast<char>((first + i) % 251);
    return bytes;
}

unsigned char SequenceByte(unsigned i)
{
    return static_cast<unsigned char>(i % 251);
}

} // namespace

TEST(RingBuffer, OverflowKeepsTheNewestBytesInOrder)
{
    auto ring = std::make_unique<CRingBuffer>();
    std::vector<char> bytes = Sequence(0, 5000);
    ring->Put(bytes.data(), 5000);

    EXPECT_EQ(ring->GetCount(), CRingBuffer::kSize);
    EXPECT_EQ(ring->GetWriteIndex(), 904);
    for (int i = 0; i < 904; ++i)
        ASSERT_EQ(ring->PeekAt(i), SequenceByte(4096 + i)) << "slot " << i;
    for (unsigned i = 904; i < 5000; ++i)
        ASSERT_EQ(ring->Get(), SequenceByte(i)) << "byte " << i;
    EXPECT_EQ(ring->GetCount(), 0);
}

TEST(RingBuffer, GetOnEmptyRingChangesNothing)
{
    auto ring = std::make_unique<CRingBuffer>();
    EXPECT_EQ(ring->Get(), 0);
    EXPECT_EQ(ring->Get(), 0);
    EXPECT_EQ(ring->GetCount(), 0);

    const char byte = 'A';
    ring->Put(&byte, 1);
    EXPECT_EQ(ring->GetCount(), 1);
    EXPECT_EQ(ring->Get(), 'A');
    EXPECT_EQ(ring->GetCount(), 0);
}

TEST(RingBuffer, BytesComeOutInOrderAcrossTheWrap)
{
    auto ring = std::make_unique<CRingBuffer>();
    std::vector<char> first = Sequence(0, 4000);
    ring->Put(first.data(), 4000);
    for (int i = 0; i < 4000; ++i)
        ring->Get();
    std::vector<char> second = Sequence(4000, 300);
    ring->Put(second.data(), 300);

    EXPECT_EQ(ring->GetWriteIndex(), 204);
    EXPECT_EQ(ring->GetCount(), 300);
    // Relative peeks follow the read index across the end of the array.
    EXPECT_EQ(ring->Peek(95, 1), SequenceByte(4095));
    EXPECT_EQ(ring->Peek(96, 1), SequenceByte(4096));
    for (unsigned i = 4000; i < 4300; ++i)
        ASSERT_EQ(ring->Get(), SequenceByte(i)) << "byte " << i;
}

TEST(RingBuffer, AbsolutePeeksIgnoreTheReadIndexAndNoPeekConsumes)
{
    auto ring = std::make_unique<CRingBuffer>();
    std::vector<char> bytes = Sequence(0, 10);
    ring->Put(bytes.data(), 10);
    ring->Get();
    ring->Get();

    EXPECT_EQ(ring->Peek(3, 0), SequenceByte(3));
    EXPECT_EQ(ring->PeekAt(3), SequenceByte(3));
    EXPECT_EQ(ring->PeekAt(3 + CRingBuffer::kSize), SequenceByte(3));
    EXPECT_EQ(ring->Peek(3, 1), SequenceByte(5));
    EXPECT_EQ(ring->GetCount(), 8);
}

TEST(RingBuffer, ResetEmptiesAndRaisesTheFlagOnce)
{
    auto ring = std::make_unique<CRingBuffer>();
    EXPECT_EQ(ring->TakeResetFlag(), 1);  // raised by construction
    EXPECT_EQ(ring->TakeResetFlag(), 0);

    std::vector<char> bytes = Sequence(0, 100);
    ring->Put(bytes.data(), 100);
    ring->Get();
    ring->Reset();
    EXPECT_EQ(ring->GetCount(), 0);
    EXPECT_EQ(ring->GetWriteIndex(), 0);
    EXPECT_EQ(ring->Get(), 0);
    ring->Put(bytes.data(), 1);
    EXPECT_EQ(ring->Get(), SequenceByte(0));  // the read index went back to slot 0
    EXPECT_EQ(ring->TakeResetFlag(), 1);
    EXPECT_EQ(ring->TakeResetFlag(), 0);
}

TEST(RingBuffer, ConcurrentProducerAndConsumerKeepOrder)
{
    auto ring = std::make_unique<CRingBuffer>();
    constexpr unsigned kTotal = 300000;
    constexpr unsigned kChunk = 37;
    std::atomic<bool> done{false};

    // The producer never lets the ring overflow, so every byte must arrive once, in order.
    std::thread producer([&] {
        for (unsigned sent = 0; sent < kTotal && !done.load();) {
            unsigned n = std::min(kChunk, kTotal - sent);
            if (ring->GetCount() > CRingBuffer::kSize - static_cast<int>(n)) {
                std::this_thread::yield();
                continue;
            }
            std::vector<char> bytes = Sequence(sent, n);
            ring->Put(bytes.data(), n);
            sent += n;
        }
    });
    // The display looks at the write index without the lock and peeks behind it.
    std::thread display([&] {
        while (!done.load()) {
            int write = ring->GetWriteIndex();
            EXPECT_TRUE(write >= 0 && write < CRingBuffer::kSize) << write;
            ring->PeekAt(write - 1);
        }
    });

    unsigned received = 0;
    unsigned firstWrong = kTotal;
    while (received < kTotal) {
        if (ring->GetCount() == 0) {
            std::this_thread::yield();
            continue;
        }
        if (ring->Get() != SequenceByte(received)) {
            firstWrong = received;
            break;
        }
        ++received;
    }
    done = true;
    producer.join();
    display.join();
    EXPECT_EQ(firstWrong, kTotal) << "first byte out of order";
    EXPECT_EQ(ring->GetCount(), 0);
}

// The receive lists' rows: 16 bytes a row, the last row filled up by later batches, the ASCII
// column, the notice row for bytes the display skipped, and the ring snapshot the display takes.
#include "core/hex_rows.h"
#include "core/ring_buffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<unsigned char> Range(int first, int count)
{
    std::vector<unsigned char> bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>(first + i));
    return bytes;
}

struct Shown {
    std::string hex;
    std::string ascii;
};

std::vector<Shown> Rows(const CHexRows& rows)
{
    std::vector<Shown> shown;
    for (std::size_t i = 0; i < rows.RowCount(); ++i)
        shown.push_back({rows.HexText(i), rows.AsciiText(i)});
    return shown;
}

bool operator==(const Shown& a, const Shown& b)
{
    return a.hex == b.hex && a.ascii == b.ascii;
}

void PrintTo(const Shown& s, std::ostream* os)
{
    *os << "[" << s.hex << "|" << s.ascii << "]";
}

TEST(HexRows, BatchesFillRowsOfSixteenAcrossBatchBoundaries)
{
    CHexRows rows;
    const std::vector<unsigned char> first = Range(0x00, 20);
    rows.Append(first.data(), first.size());
    EXPECT_EQ(rows.LastRowBytes(), 4);
    const std::vector<unsigned char> second = {0x41, 0x42, 0x43, 0x44, 0x45};
    rows.Append(second.data(), second.size());
    EXPECT_EQ(rows.LastRowBytes(), 9);
    const std::vector<Shown> expected = {
        {"00 01 02 03 04 05 06 07 - 08 09 0A 0B 0C 0D 0E 0F ", std::string(16, ' ')},
        {"10 11 12 13 41 42 43 44 - 45 ", "    ABCDE"},
    };
    EXPECT_EQ(Rows(rows), expected);
}

TEST(HexRows, AsciiColumnShowsPrintableAndDelete)
{
    struct Case {
        std::vector<unsigned char> bytes;
        std::string ascii;
    };
    const Case cases[] = {
        {{0x7F, 0x80}, "\x7F "},
        {{0x1F, 0x20, 0x7E, 0xFF}, "  ~ "},
        {{0x5C, 0x00, 0x41}, "\\ A"},
    };
    for (const Case& c : cases) {
        CHexRows rows;
        rows.Append(c.bytes.data(), c.bytes.size());
        ASSERT_EQ(rows.RowCount(), 1u);
        EXPECT_EQ(rows.AsciiText(0), c.ascii);
    }
}

TEST(HexRows, FullRowIsFiftyCharactersAndEndsTheRow)
{
    CHexRows rows;
    const std::vector<unsigned char> bytes = Range(0xF0, 16);
    rows.Append(bytes.data(), bytes.size());
    EXPECT_EQ(rows.LastRowBytes(), 0);
    EXPECT_EQ(rows.HexText(0).size(), CHexRows::kHexTextSize);
    rows.Append(bytes.data(), 1);
    EXPECT_EQ(rows.RowCount(), 2u);
    EXPECT_EQ(rows.HexText(1), "F0 ");
}

TEST(HexRows, SkippedBytesEndTheRowWithANoticeAndTheNextByteStartsARow)
{
    CHexRows rows;
    const std::vector<unsigned char> bytes = Range(0x30, 3);
    rows.Append(bytes.data(), bytes.size());
    rows.AppendSkipped(12345);
    rows.Append(bytes.data(), bytes.size());
    const std::vector<Shown> expected = {
        {"30 31 32 ", "012"},
        {"*** 12345 bytes skipped ***", ""},
        {"30 31 32 ", "012"},
    };
    EXPECT_EQ(Rows(rows), expected);
    EXPECT_EQ(rows.LastRowBytes(), 3);
}

TEST(HexRows, ClearInTheMiddleOfARowStartsAFreshFirstRow)
{
    CHexRows rows;
    const std::vector<unsigned char> bytes = Range(0x41, 5);
    rows.Append(bytes.data(), bytes.size());
    rows.AppendSkipped(1);
    rows.Clear();
    EXPECT_EQ(rows.RowCount(), 0u);
    EXPECT_EQ(rows.LastRowBytes(), 0);
    rows.Append(bytes.data(), 1);
    EXPECT_EQ(Rows(rows), (std::vector<Shown>{{"41 ", "A"}}));
}

TEST(HexRows, EndedRowStaysPartialAndTheNextByteStartsANewOne)
{
    CHexRows rows;
    rows.Append(reinterpret_cast<const unsigned char*>("abc"), 3);
    rows.EndRow();
    rows.Append(reinterpret_cast<const unsigned char*>("d"), 1);
    EXPECT_EQ(Rows(rows), (std::vector<Shown>{{"61 62 63 ", "abc"}, {"64 ", "d"}}));
    EXPECT_EQ(rows.ByteCount(), 4u);
}

TEST(HexRows, RowsOutsideTheListAreEmpty)
{
    CHexRows rows;
    EXPECT_EQ(rows.HexText(0), "");
    EXPECT_EQ(rows.AsciiText(7), "");
}

// --- the ring snapshot the display takes ---

TEST(RingSnapshot, WrapFrom4090To10GivesOneBatchOfSixteenInOrder)
{
    CRingBuffer ring;
    unsigned char out[CRingBuffer::kSize];
    std::vector<char> filler(4090, 'x');
    ring.Put(filler.data(), static_cast<unsigned>(filler.size()));
    const unsigned long long seen = ring.CopySince(0, out).end;
    ASSERT_EQ(seen, 4090u);
    std::vector<char> next;
    for (int i = 0; i < 16; ++i)
        next.push_back(static_cast<char>(i));
    ring.Put(next.data(), 16);
    EXPECT_EQ(ring.GetWriteIndex(), 10);
    const CRingBuffer::Snapshot snap = ring.CopySince(seen, out);
    EXPECT_EQ(snap.first, seen);
    ASSERT_EQ(snap.count, 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(out[i], i);
}

TEST(RingSnapshot, MoreThanTheRingHoldsGivesTheNewestBytesAndTheSkippedCount)
{
    CRingBuffer ring;
    unsigned char out[CRingBuffer::kSize];
    std::vector<char> bytes(10000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    ring.Put(bytes.data(), static_cast<unsigned>(bytes.size()));
    const CRingBuffer::Snapshot snap = ring.CopySince(0, out);
    EXPECT_EQ(snap.end, 10000u);
    EXPECT_EQ(snap.first, 10000u - CRingBuffer::kSize);  // the display reports these as skipped
    ASSERT_EQ(snap.count, CRingBuffer::kSize);
    for (int i = 0; i < snap.count; ++i)
        ASSERT_EQ(out[i], static_cast<unsigned char>((snap.first + i) % 251)) << i;
}

TEST(RingSnapshot, ResetShowsAsAnEndBelowWhatWasSeen)
{
    CRingBuffer ring;
    unsigned char out[CRingBuffer::kSize];
    ring.Put("abcdef", 6);
    const unsigned long long seen = ring.CopySince(0, out).end;
    ring.Reset();
    ring.Put("xy", 2);
    const CRingBuffer::Snapshot snap = ring.CopySince(seen, out);
    EXPECT_LT(snap.end, seen);
    EXPECT_EQ(snap.count, 0);
    const CRingBuffer::Snapshot fromStart = ring.CopySince(0, out);
    ASSERT_EQ(fromStart.count, 2);
    EXPECT_EQ(out[0], 'x');
}

// A writer puts a counting pattern as fast as it can; every byte the display takes is the byte of
// its number, and the bytes taken plus the bytes skipped are all the bytes put.
TEST(RingSnapshot, DisplayUnderAFloodSeesOnlyCorrectBytesAndCountsTheRest)
{
    CRingBuffer ring;
    constexpr unsigned long long kTotal = 4u << 20;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        char chunk[512];
        for (unsigned long long n = 0; n < kTotal; n += sizeof chunk) {
            for (std::size_t i = 0; i < sizeof chunk; ++i)
                chunk[i] = static_cast<char>((n + i) % 251);
            ring.Put(chunk, sizeof chunk);
        }
        done = true;
    });
    static unsigned char out[CRingBuffer::kSize];
    unsigned long long seen = 0, shown = 0, skipped = 0;
    bool finished = false;
    while (!finished) {
        finished = done.load();
        const CRingBuffer::Snapshot snap = ring.CopySince(seen, out);
        ASSERT_GE(snap.end, seen);
        skipped += snap.first - seen;
        for (int i = 0; i < snap.count; ++i)
            ASSERT_EQ(out[i], static_cast<unsigned char>((snap.first + i) % 251));
        shown += static_cast<unsigned long long>(snap.count);
        seen = snap.end;
    }
    writer.join();
    EXPECT_EQ(shown + skipped, kTotal);
}

} // namespace

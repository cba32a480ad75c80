// CHexRows: the rows of a receive list, 16 bytes a row shown as a hex and an ASCII column,
// and the notice rows that mark bytes the display could not show.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

class CHexRows {
public:
    static constexpr int kRowBytes = 16;
    // Longest Hex text: 16 pairs with their blanks and the "- " after the eighth.
    static constexpr std::size_t kHexTextSize = 3 * kRowBytes + 2;

    // Appends bytes: the last row is filled up first, then new rows follow.
    void Append(const unsigned char* bytes, std::size_t count);
    // Ends the last row: the next byte starts a new one.
    void EndRow() { m_nLastRowBytes = 0; }
    // Ends the last row and adds a notice row for count bytes that were not shown.
    void AppendSkipped(std::uint64_t count);
    void Clear();

    std::size_t RowCount() const { return m_rows.size(); }
    // Bytes in the last row, 0 when the next byte starts a new row.
    int LastRowBytes() const { return m_nLastRowBytes; }
    // Bytes shown in the rows, and bytes announced as skipped, since the last Clear.
    std::uint64_t ByteCount() const { return m_nBytes; }
    std::uint64_t SkippedCount() const { return m_nSkipped; }
    // The Hex column: "%02X " for each byte with "- " after the eighth.
    std::string HexText(std::size_t row) const;
    // The ASCII column: 0x20-0x7F as themselves, every other byte as a blank.
    std::string AsciiText(std::size_t row) const;

private:
    // count 0 marks a notice row; its skipped count lives in m_skipped.
    struct Row {
        unsigned char bytes[kRowBytes];
        unsigned char count;
    };
    struct Notice {
        std::size_t row;
        std::uint64_t skipped;
    };
    std::deque<Row> m_rows;
    std::deque<Notice> m_notices;  // in row order
    int m_nLastRowBytes = 0;
    std::uint64_t m_nBytes = 0;
    std::uint64_t m_nSkipped = 0;
};

// CHexRows: rows are kept as their bytes and formatted when the list asks for a row, so a list
// of any length costs 17 bytes a row.
#include "hex_rows.h"

#include <algorithm>
#include <cstdio>

void CHexRows::Append(const unsigned char* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (m_nLastRowBytes == 0)
            m_rows.push_back(Row{{}, 0});
        Row& row = m_rows.back();
        row.bytes[row.count++] = bytes[i];
        m_nLastRowBytes = row.count == kRowBytes ? 0 : row.count;
    }
    m_nBytes += count;
}

void CHexRows::AppendSkipped(std::uint64_t count)
{
    m_notices.push_back(Notice{m_rows.size(), count});
    m_rows.push_back(Row{{}, 0});
    m_nLastRowBytes = 0;
    m_nSkipped += count;
}

void CHexRows::Clear()
{
    m_rows.clear();
    m_notices.clear();
    m_nLastRowBytes = 0;
    m_nBytes = 0;
    m_nSkipped = 0;
}

std::string CHexRows::HexText(std::size_t row) const
{
    if (row >= m_rows.size())
        return {};
    const Row& r = m_rows[row];
    if (r.count == 0) {
        auto notice = std::lower_bound(m_notices.begin(), m_notices.end(), row,
                                       [](const Notice& n, std::size_t at) { return n.row < at; });
        const std::uint64_t skipped = notice != m_notices.end() && notice->row == row ? notice->skipped : 0;
        char text[64];
        std::snprintf(text, sizeof text, "*** %llu bytes skipped ***", static_cast<unsigned long long>(skipped));
        return text;
    }
    std::string text;
    text.reserve(kHexTextSize);
    for (int i = 0; i < r.count; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X ", r.bytes[i]);
        text += pair;
        if (i == 7)
            text += "- ";
    }
    return text;
}

std::string CHexRows::AsciiText(std::size_t row) const
{
    if (row >= m_rows.size())
        return {};
    const Row& r = m_rows[row];
    std::string text(r.count, ' ');
    for (int i = 0; i < r.count; ++i)
        if (r.bytes[i] >= 0x20 && r.bytes[i] <= 0x7F)
            text[i] = static_cast<char>(r.bytes[i]);
    return text;
}

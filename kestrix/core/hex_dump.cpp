// HexDump: builds each line of the dump, then hands it to the caller's kind of text.
#include "hex_dump.h"

#include "append_format.h"

#include <functional>
#include <string_view>

namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kOffsetWidth = 6;      // "XXXX: "
constexpr std::size_t kCharColumn = 53;      // after the 16 bytes and three blanks

void ForEachDumpLine(int mode, int offsetFlag, int firstLine, int indent, const void* data, std::size_t length,
                     const std::function<void(std::string_view)>& emit)
{
    if (length == 0 || data == nullptr) {
        emit("HexDump buffer length: 0");
        return;
    }
    static const char kDigits[] = "0123456789ABCDEF";
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::size_t indentCols = indent > 0 ? static_cast<std::size_t>(indent) : 0;
    std::size_t bytesAt = offsetFlag == 1 ? kOffsetWidth : 0;
    std::size_t charsAt = bytesAt + kCharColumn;
    std::string line;
    for (std::size_t start = 0; start < length; start += kBytesPerLine) {
        std::size_t lead = (start == 0 && firstLine == 1) ? 0 : indentCols;
        std::size_t count = length - start < kBytesPerLine ? length - start : kBytesPerLine;
        line.assign(lead + charsAt + kBytesPerLine, ' ');
        if (offsetFlag == 1) {
            unsigned offset = static_cast<unsigned>(start & 0xFFFF);
            for (int k = 0; k < 4; ++k)
                line[lead + k] = kDigits[(offset >> (12 - 4 * k)) & 0x0F];
            line[lead + 4] = ':';
        }
        std::size_t charCount = 0;
        for (std::size_t i = 0; i < count; ++i) {
            unsigned char b = bytes[start + i];
            std::size_t at = lead + bytesAt + 3 * i + i / 4;
            line[at] = kDigits[b >> 4];
            line[at + 1] = kDigits[b & 0x0F];
            if (mode == 1 && (start + i) % 2 != 0)
                continue;
            line[lead + charsAt + charCount++] = (b >= 0x20 && b <= 0x7F) ? static_cast<char>(b) : '.';
        }
        line.resize(lead + charsAt + charCount);
        emit(line);
    }
}

} // namespace

void HexDump(int mode, int offsetFlag, int firstLine, int indent, std::string& out, const void* data,
             std::size_t length)
{
    ForEachDumpLine(mode, offsetFlag, firstLine, indent, data, length, [&out](std::string_view line) {
        out.append(line);
        out.append("\r\n");
    });
}

void HexDump(int mode, int offsetFlag, int firstLine, int indent, char* out, std::size_t capacity,
             const void* data, std::size_t length)
{
    ForEachDumpLine(mode, offsetFlag, firstLine, indent, data, length, [out, capacity](std::string_view line) {
        AppendFormat(out, capacity, "%.*s\r\n", static_cast<int>(line.size()), line.data());
    });
}

// HexDump: the text dump of a byte buffer used by the session log and the port reports
// of the USB and parallel transports.
#pragma once
#include <cstddef>
#include <string>

// One line per 16 bytes: [offset "XXXX: "] 16 bytes as "%02X " with one more blank after
// every fourth, then the character column (20-7F as themselves, else '.'), "\r\n".
//   mode 1:        only bytes at even positions of the dump get a character (16-bit text);
//   offsetFlag 1:  lines begin with the 16-bit offset of their first byte;
//   firstLine 1:   the first line starts at column 0, the others at indent (all of them at
//                  indent otherwise).
// No data gives "HexDump buffer length: 0\r\n".
void HexDump(int mode, int offsetFlag, int firstLine, int indent, std::string& out, const void* data,
             std::size_t length);

// The same appended to the terminated text in out, whose buffer holds capacity characters;
// the dump is cut where the buffer ends.
void HexDump(int mode, int offsetFlag, int firstLine, int indent, char* out, std::size_t capacity,
             const void* data, std::size_t length);

// The spooler check shared by the serial and parallel transports.
#include "port_owner.h"
#include <winspool.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// A printer may sit on several ports ("COM1:,COM2:"); each entry is compared whole.
bool PortListNames(const char* portList, const char* port)
{
    size_t portLength = std::strlen(port);
    const char* entry = portList;
    while (*entry) {
        while (*entry == ' ') ++entry;
        const char* end = std::strchr(entry, ',');
        size_t length = end ? static_cast<size_t>(end - entry) : std::strlen(entry);
        size_t trimmed = length;
        while (trimmed > 0 && entry[trimmed - 1] == ' ') --trimmed;
        if (trimmed == portLength && std::strncmp(entry, port, portLength) == 0) return true;
        if (!end) break;
        entry = end + 1;
    }
    return false;
}

}  // namespace

int FindPortPrinter(CCommInfo& info, const SerialSystem& system, const char* portWithColon, char* printerName,
                    size_t capacity)
{
    if (!info.m_bWinNT) return 1;
    info.m_bPortAvailable = 1;

    // Start with room for a few printers and grow to what the spooler asks for: a long printer
    // list must be read in full, not skipped.
    std::vector<BYTE> buffer(4000);
    DWORD needed = 0, returned = 0;
    for (int attempt = 0;; ++attempt) {
        if (system.EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, buffer.data(), static_cast<DWORD>(buffer.size()),
                                 &needed, &returned))
            break;
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size() || attempt >= 4) {
            info.PostError(error);
            return 1;
        }
        buffer.resize(needed);
    }

    const auto* printers = reinterpret_cast<const PRINTER_INFO_5A*>(buffer.data());
    returned = std::min<DWORD>(returned, static_cast<DWORD>(buffer.size() / sizeof(PRINTER_INFO_5A)));
    for (DWORD i = 0; i < returned; ++i) {
        const PRINTER_INFO_5A& printer = printers[i];
        if (!printer.pPortName || !PortListNames(printer.pPortName, portWithColon)) continue;
        if (capacity > 0) std::snprintf(printerName, capacity, "%s", printer.pPrinterName ? printer.pPrinterName : "");
        info.m_bPortAvailable = 0;
        return 0;
    }
    return 1;
}

// OnePrinterSpooler: a print spooler with one local printer on the ports given, answered through
// the serial transport's system table (EnumPrintersA, level 5).
#pragma once
#include "serial_system.h"
#include <winspool.h>
#include <cstdio>
#include <cstring>

class OnePrinterSpooler {
public:
    // The table to give the transport; ports as the spooler writes them ("LPT1:").
    static SerialSystem Table(const char* printerName, const char* ports)
    {
        std::snprintf(s_name, sizeof s_name, "%s", printerName);
        std::snprintf(s_ports, sizeof s_ports, "%s", ports);
        SerialSystem table = RealSerialSystem();
        table.EnumPrintersA = &EnumPrinters;
        return table;
    }

private:
    static BOOL WINAPI EnumPrinters(DWORD, LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                    LPDWORD returned)
    {
        *needed = sizeof(PRINTER_INFO_5A);
        if (level != 5) {
            SetLastError(ERROR_INVALID_LEVEL);
            return FALSE;
        }
        if (size < *needed) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        PRINTER_INFO_5A info{};
        info.pPrinterName = s_name;
        info.pPortName = s_ports;
        std::memcpy(buffer, &info, sizeof info);
        *returned = 1;
        return TRUE;
    }
    static inline char s_name[64];
    static inline char s_ports[64];
};

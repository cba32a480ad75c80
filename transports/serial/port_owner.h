// FindPortPrinter: whether a printer of the local print spooler owns a port (serial and parallel).
#pragma once
#include "comm_info.h"
#include "serial_system.h"
#include <cstddef>

// Returns 1 when the port may be used (also when nothing was checked), 0 when a local printer
// owns it: its name goes to printerName (cut to capacity) and info.m_bPortAvailable becomes 0.
// Only the NT family is checked. A failed printer enumeration posts WM_SYSTEM_ERROR and counts
// as free. portWithColon is the spooler's form of the port name ("COM1:").
int FindPortPrinter(CCommInfo& info, const SerialSystem& system, const char* portWithColon, char* printerName,
                    size_t capacity);

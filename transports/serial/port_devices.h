// CPortDevices: the present devices of the system's "Ports" class, found by their PortName;
// and ListPorts, the port listing of the serial and parallel transports.
#pragma once
#include "comm_info.h"
#include <setupapi.h>

class CPortDevices {
public:
    CPortDevices();  // the class's present devices; IsValid() tells whether the list was had
    ~CPortDevices();
    CPortDevices(const CPortDevices&) = delete;
    CPortDevices& operator=(const CPortDevices&) = delete;

    bool IsValid() const { return m_hList != INVALID_HANDLE_VALUE; }

    // Finds the device whose PortName equals name ignoring case and keeps its device key open
    // with the access asked for (Key()). A device without a readable PortName is passed over.
    bool Find(const char* name, REGSAM access);

    // Reads device index's PortName into name (capacity bytes, always terminated).
    // Returns 1 read, 0 the device has none (or its key cannot be opened), -1 no such device.
    int PortNameAt(DWORD index, char* name, size_t capacity);

    HDEVINFO List() const { return m_hList; }
    SP_DEVINFO_DATA* Device() { return &m_device; }
    HKEY Key() const { return m_hKey; }

private:
    // Opens device index's key and reads its PortName; the key stays open in m_hKey.
    int OpenAt(DWORD index, REGSAM access, char* name, size_t capacity);
    void CloseKey();

    HDEVINFO m_hList = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA m_device{};
    HKEY m_hKey = nullptr;
};

// Writes the names of the ports whose PortName begins with prefix (case-sensitive; null or
// empty: every port) to rows, at most *count of them (the caller's capacity on entry), each
// cut to 127 characters, and sets *count to the rows written. With rows null nothing is
// written and *count is 0. Returns 1 once the device list was had, 0 when the "Ports" class
// or its device list is not available.
int ListPorts(const char* prefix, int* count, PortRow* rows);

// The WM_DEVICECHANGE record Windows sends for a device interface, as tests hand it to a dialog.
#pragma once

#include <windows.h>
#include <dbt.h>

#include <cstring>

namespace test_support {

struct InterfaceRecord {
    DEV_BROADCAST_DEVICEINTERFACE_A record;
    char rest[64];   // room for the name beyond the record's first character
};

inline InterfaceRecord MakeInterfaceRecord(const GUID& cls, const char* name)
{
    InterfaceRecord r = {};
    r.record.dbcc_size = sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + static_cast<DWORD>(std::strlen(name));
    r.record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    r.record.dbcc_classguid = cls;
    std::memcpy(r.record.dbcc_name, name, std::strlen(name) + 1);
    return r;
}

}  // namespace test_support

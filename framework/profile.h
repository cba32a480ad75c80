// CProfile: one private INI file (the application's profile) read and written by section and key.
// Include as "framework/profile.h".
#pragma once

#include <windows.h>

#include <vector>

#include "framework/string.h"

class CProfile {
public:
    explicit CProfile(const char* path) : m_path(path) {}

    // "<exe dir>\<exe name>.ini" for the given module (the program when null).
    static CString ModuleIniPath(HMODULE module = nullptr);

    const CString& GetPath() const { return m_path; }

    CString GetString(const char* section, const char* key, const char* def = "") const;
    bool WriteString(const char* section, const char* key, const char* value);
    int GetInt(const char* section, const char* key, int def = 0) const;
    bool WriteInt(const char* section, const char* key, int value);
    // False, with out emptied, when the entry is absent or damaged.
    bool GetBinary(const char* section, const char* key, std::vector<BYTE>& out) const;
    bool WriteBinary(const char* section, const char* key, const void* data, size_t size);

private:
    CString m_path;
};

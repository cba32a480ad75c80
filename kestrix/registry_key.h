// RegistryKey: one open registry key, closed with the object; the reads and writes the settings use.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens the key by creating it (RegCreateKeyExA with access, then RegCreateKeyA).
    // False when both fail; the key then stays closed.
    bool Create(HKEY root, const char* path, REGSAM access);
    void Close();
    bool IsOpen() const { return m_key != nullptr; }

    // A 4-byte value of any registry type; false (value untouched) when missing or of another size.
    bool ReadDword(const char* name, DWORD& value) const;
    // A string read into a buffer of capacity bytes, always terminated; false when missing or
    // longer than the buffer.
    bool ReadString(const char* name, char* buffer, DWORD capacity) const;
    bool WriteDword(const char* name, DWORD value);
    // REG_SZ with its terminating zero.
    bool WriteString(const char* name, const char* text);
    bool DeleteValue(const char* name);
    // Names of every value of the key (bounded by what the key reports).
    std::vector<std::string> ValueNames() const;

private:
    HKEY m_key = nullptr;
};

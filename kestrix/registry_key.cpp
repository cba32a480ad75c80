// RegistryKey: thin RAII over the registry calls the settings need.
#include "registry_key.h"

bool RegistryKey::Create(HKEY root, const char* path, REGSAM access)
{
    Close();
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition) !=
        ERROR_SUCCESS) {
        key = nullptr;
        if (RegCreateKeyA(root, path, &key) != ERROR_SUCCESS)
            return false;
    }
    m_key = key;
    return true;
}

void RegistryKey::Close()
{
    if (m_key) {
        RegCloseKey(m_key);
        m_key = nullptr;
    }
}

bool RegistryKey::ReadDword(const char* name, DWORD& value) const
{
    if (!m_key)
        return false;
    DWORD read = 0;
    DWORD size = sizeof read;
    if (RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size) != ERROR_SUCCESS ||
        size != sizeof read)
        return false;
    value = read;
    return true;
}

bool RegistryKey::ReadString(const char* name, char* buffer, DWORD capacity) const
{
    if (!m_key || !buffer || capacity == 0)
        return false;
    DWORD size = capacity;
    if (RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
        buffer[0] = '\0';
        return false;
    }
    // A value stored without its terminator is terminated here, unless it fills the whole buffer.
    if (size == 0 || buffer[size - 1] != '\0') {
        if (size >= capacity) {
            buffer[0] = '\0';
            return false;
        }
        buffer[size] = '\0';
    }
    return true;
}

bool RegistryKey::WriteDword(const char* name, DWORD value)
{
    return m_key && RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                   sizeof value) == ERROR_SUCCESS;
}

bool RegistryKey::WriteString(const char* name, const char* text)
{
    return m_key && RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                   static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
}

bool RegistryKey::DeleteValue(const char* name)
{
    return m_key && RegDeleteValueA(m_key, name) == ERROR_SUCCESS;
}

std::vector<std::string> RegistryKey::ValueNames() const
{
    std::vector<std::string> names;
    if (!m_key)
        return names;
    DWORD count = 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::vector<char> name(longest + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueA(m_key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            names.emplace_back(name.data(), length);
    }
    return names;
}

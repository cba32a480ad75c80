// CProfile over the private profile calls.
#include "framework/profile.h"

#include "framework/profile_binary.h"

CString CProfile::ModuleIniPath(HMODULE module)
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return CString();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2); // truncated: try a larger buffer
    }
    size_t slash = path.find_last_of("\\/");
    size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        path.resize(dot);
    return CString(path + ".ini");
}

CString CProfile::GetString(const char* section, const char* key, const char* def) const
{
    std::string buf(256, '\0');
    for (;;) {
        DWORD n = GetPrivateProfileStringA(section, key, def ? def : "", buf.data(),
                                           static_cast<DWORD>(buf.size()), m_path);
        // A value that filled the buffer may have been cut: read again with more room.
        if (n + 1 < buf.size() || buf.size() >= (1u << 20)) {
            buf.resize(n);
            return CString(std::move(buf));
        }
        buf.resize(buf.size() * 4);
    }
}

bool CProfile::WriteString(const char* section, const char* key, const char* value)
{
    return WritePrivateProfileStringA(section, key, value, m_path) != FALSE;
}

int CProfile::GetInt(const char* section, const char* key, int def) const
{
    return static_cast<int>(GetPrivateProfileIntA(section, key, def, m_path));
}

bool CProfile::WriteInt(const char* section, const char* key, int value)
{
    CString text;
    text.Format("%d", value);
    return WriteString(section, key, text);
}

bool CProfile::GetBinary(const char* section, const char* key, std::vector<BYTE>& out) const
{
    out.clear();
    auto bytes = DecodeProfileBinary(GetString(section, key, "").str());
    if (!bytes)
        return false;
    out.assign(bytes->begin(), bytes->end());
    return true;
}

bool CProfile::WriteBinary(const char* section, const char* key, const void* data, size_t size)
{
    return WriteString(section, key, EncodeProfileBinary(data, size).c_str());
}

// CString::LoadString: the string table of the program's own module.
#include "framework/string.h"

bool CString::LoadString(UINT id)
{
    // With a zero buffer size the wide call hands out a pointer into the resource and its length,
    // so entries of any length load whole; the text is converted to the ANSI code page.
    const wchar_t* text = nullptr;
    int len = ::LoadStringW(GetModuleHandleA(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    m_s.clear();
    if (len <= 0 || !text)
        return false;
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, len, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    m_s.resize(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_ACP, 0, text, len, m_s.data(), bytes, nullptr, nullptr);
    return true;
}

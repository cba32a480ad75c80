// CString: the program's ANSI string, a std::string with the familiar Format/Find/Mid helpers.
// Include as "framework/string.h" (repository root on the include path) so <string.h> stays the C library's.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>
#include <type_traits>

#ifdef _WIN32
// LoadString is a macro there (LoadStringA); seeing it in every unit keeps the member's name consistent.
#include <windows.h>
#endif

class CString {
public:
    CString() = default;
    CString(const char* s) : m_s(s ? s : "") {}
    CString(const char* s, int len) : m_s(s ? s : "", s && len > 0 ? static_cast<size_t>(len) : 0) {}
    CString(char ch, int count) : m_s(count > 0 ? static_cast<size_t>(count) : 0, ch) {}
    CString(std::string s) : m_s(std::move(s)) {}
    CString(std::string_view s) : m_s(s) {}

    // printf-style; a null %s argument prints nothing, %n is refused, output of any length fits.
    // A CString or std::string argument is passed as its text, so Format("%s", name) is safe.
    template <typename... Args>
    void Format(const char* fmt, const Args&... args) { FormatArgs(fmt, PassVararg(args)...); }
    template <typename... Args>
    void AppendFormat(const char* fmt, const Args&... args) { AppendFormatArgs(fmt, PassVararg(args)...); }
    void FormatV(const char* fmt, va_list args);
    void AppendFormatV(const char* fmt, va_list args);

    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    char GetAt(int i) const { return m_s.at(static_cast<size_t>(i)); }
    void SetAt(int i, char ch) { m_s.at(static_cast<size_t>(i)) = ch; }
    char operator[](int i) const { return GetAt(i); }

    // Positions are 0-based; -1 means not found.
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* chars) const;

    // Out-of-range counts are clamped, never an error.
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    CString& MakeUpper();
    CString& MakeLower();
    CString& Trim(const char* chars = kWhitespace);
    CString& TrimLeft(const char* chars = kWhitespace);
    CString& TrimRight(const char* chars = kWhitespace);
    int Replace(char oldCh, char newCh);
    int Replace(const char* oldText, const char* newText); // returns the number of replacements
    int Remove(char ch);
    int Insert(int index, const char* text);
    int Delete(int index, int count = 1);

    int Compare(const char* s) const;
    int CompareNoCase(const char* s) const;

    // A writable buffer of at least minLength characters plus the terminator; ReleaseBuffer(-1)
    // takes the length up to the first NUL, ReleaseBuffer(n) keeps exactly n characters.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

#ifdef _WIN32
    // Loads the string table entry of the exe module; false (and the string empty) when there is none.
    bool LoadString(UINT id);
#endif

    const char* c_str() const { return m_s.c_str(); }
    operator const char*() const { return m_s.c_str(); }
    const std::string& str() const { return m_s; }

    CString& operator=(const char* s) { m_s = s ? s : ""; return *this; }
    CString& operator+=(const CString& s) { m_s += s.m_s; return *this; }
    CString& operator+=(const char* s) { if (s) m_s += s; return *this; }
    CString& operator+=(char ch) { m_s += ch; return *this; }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_s + b.m_s); }
    friend CString operator+(const CString& a, const char* b) { CString r(a); r += b; return r; }
    friend CString operator+(const char* a, const CString& b) { CString r(a); r += b; return r; }
    friend CString operator+(const CString& a, char b) { CString r(a); r += b; return r; }
    friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
    friend bool operator<(const CString& a, const CString& b) { return a.m_s < b.m_s; }

    static constexpr const char* kWhitespace = " \t\r\n\v\f";

private:
    void FormatArgs(const char* fmt, ...);
    void AppendFormatArgs(const char* fmt, ...);

    // What a variadic call may carry: plain values as they are, strings as their text.
    static const char* PassVararg(const CString& s) { return s.c_str(); }
    static const char* PassVararg(const std::string& s) { return s.c_str(); }
    static const char* PassVararg(const char* s) { return s; }
    static const wchar_t* PassVararg(const wchar_t* s) { return s; }
    template <typename T>
    static T PassVararg(const T& v)
    {
        static_assert(std::is_trivially_copyable_v<T>, "only plain values and strings can be formatted");
        return v;
    }

    std::string m_s;
};

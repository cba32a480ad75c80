// CString: formatting (our own walk over the format so a null %s is safe), searching and editing.
#include "framework/string.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstddef>
#include <cstring>
#include <cwchar>

namespace {

// Appends one conversion, formatted by the C library with its exact conversion directive, sized first so it never overruns.
template <typename T>
void AppendOne(std::string& out, const std::string& directive, T value)
{
    int n = std::snprintf(nullptr, 0, directive.c_str(), value);
    if (n <= 0)
        return;
    size_t old = out.size();
    out.resize(old + static_cast<size_t>(n) + 1);
    std::snprintf(&out[old], static_cast<size_t>(n) + 1, directive.c_str(), value);
    out.resize(old + static_cast<size_t>(n));
}

std::string NarrowWide(const wchar_t* w)
{
    std::string s;
    for (; w && *w; ++w)
        s += (*w < 0x80) ? static_cast<char>(*w) : '?';
    return s;
}

enum class Size { Default, Char, Short, Long, LongLong, SizeT, IntMax, PtrDiff, LongDouble };

void AppendFormatted(std::string& out, const char* fmt, va_list ap)
{
    if (!fmt)
        return;
    va_list args;
    va_copy(args, ap);
    const char* p = fmt;
    while (*p) {
        if (*p != '%') {
            const char* q = std::strchr(p, '%');
            size_t len = q ? static_cast<size_t>(q - p) : std::strlen(p);
            out.append(p, len);
            p += len;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        std::string directive = "%";
        while (*p && std::strchr("-+ #0'", *p))
            directive += *p++;
        if (*p == '*') {
            directive += std::to_string(va_arg(args, int));
            ++p;
        } else {
            while (std::isdigit(static_cast<unsigned char>(*p)))
                directive += *p++;
        }
        if (*p == '.') {
            directive += *p++;
            if (*p == '*') {
                directive += std::to_string(va_arg(args, int));
                ++p;
            } else {
                while (std::isdigit(static_cast<unsigned char>(*p)))
                    directive += *p++;
            }
        }
        Size size = Size::Default;
        if (p[0] == 'h' && p[1] == 'h') { size = Size::Char; p += 2; }
        else if (*p == 'h') { size = Size::Short; ++p; }
        else if (p[0] == 'l' && p[1] == 'l') { size = Size::LongLong; p += 2; }
        else if (*p == 'l') { size = Size::Long; ++p; }
        else if (*p == 'q') { size = Size::LongLong; ++p; }
        else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') { size = Size::LongLong; p += 3; }
        else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') { p += 3; }
        else if (*p == 'z' || *p == 'I') { size = Size::SizeT; ++p; }
        else if (*p == 'j') { size = Size::IntMax; ++p; }
        else if (*p == 't') { size = Size::PtrDiff; ++p; }
        else if (*p == 'L') { size = Size::LongDouble; ++p; }
        char conv = *p;
        if (!conv) { // a lone '%' at the end: keep it as text
            out.append(start);
            break;
        }
        ++p;
        switch (conv) {
        case 'd': case 'i':
            switch (size) {
            case Size::Long: AppendOne(out, directive + "l" + conv, va_arg(args, long)); break;
            case Size::LongLong: AppendOne(out, directive + "ll" + conv, va_arg(args, long long)); break;
            case Size::SizeT: case Size::PtrDiff:
                AppendOne(out, directive + "lld", static_cast<long long>(va_arg(args, std::ptrdiff_t))); break;
            case Size::IntMax: AppendOne(out, directive + "lld", static_cast<long long>(va_arg(args, intmax_t))); break;
            case Size::Char: AppendOne(out, directive + "hh" + conv, va_arg(args, int)); break;
            case Size::Short: AppendOne(out, directive + "h" + conv, va_arg(args, int)); break;
            default: AppendOne(out, directive + conv, va_arg(args, int)); break;
            }
            break;
        case 'u': case 'o': case 'x': case 'X':
            switch (size) {
            case Size::Long: AppendOne(out, directive + "l" + conv, va_arg(args, unsigned long)); break;
            case Size::LongLong: AppendOne(out, directive + "ll" + conv, va_arg(args, unsigned long long)); break;
            case Size::SizeT: case Size::PtrDiff:
                AppendOne(out, directive + "ll" + conv, static_cast<unsigned long long>(va_arg(args, size_t))); break;
            case Size::IntMax:
                AppendOne(out, directive + "ll" + conv, static_cast<unsigned long long>(va_arg(args, uintmax_t))); break;
            case Size::Char: AppendOne(out, directive + "hh" + conv, va_arg(args, unsigned int)); break;
            case Size::Short: AppendOne(out, directive + "h" + conv, va_arg(args, unsigned int)); break;
            default: AppendOne(out, directive + conv, va_arg(args, unsigned int)); break;
            }
            break;
        case 'c':
            if (size == Size::Long) {
                wchar_t w[2] = {static_cast<wchar_t>(va_arg(args, int)), 0};
                AppendOne(out, directive + "s", NarrowWide(w).c_str());
            } else {
                AppendOne(out, directive + "c", va_arg(args, int));
            }
            break;
        case 'C': {
            wchar_t w[2] = {static_cast<wchar_t>(va_arg(args, int)), 0};
            AppendOne(out, directive + "s", NarrowWide(w).c_str());
            break;
        }
        case 's':
            if (size == Size::Long) {
                AppendOne(out, directive + "s", NarrowWide(va_arg(args, const wchar_t*)).c_str());
            } else {
                const char* s = va_arg(args, const char*);
                AppendOne(out, directive + "s", s ? s : "");
            }
            break;
        case 'S':
            AppendOne(out, directive + "s", NarrowWide(va_arg(args, const wchar_t*)).c_str());
            break;
        case 'p':
            AppendOne(out, directive + "p", va_arg(args, void*));
            break;
        case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
            if (size == Size::LongDouble)
                AppendOne(out, directive + "L" + conv, va_arg(args, long double));
            else
                AppendOne(out, directive + conv, va_arg(args, double));
            break;
        case 'n':
            // Writing through an argument is never wanted from a message text.
            (void)va_arg(args, void*);
            break;
        default:
            // Unknown conversion: show it as written; the argument list can no longer be trusted.
            out.append(start, static_cast<size_t>(p - start));
            out.append(p);
            va_end(args);
            return;
        }
    }
    va_end(args);
}

bool IsIn(char ch, const char* set)
{
    return ch != '\0' && std::strchr(set, ch) != nullptr;
}

} // namespace

void CString::FormatArgs(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    FormatV(fmt, ap);
    va_end(ap);
}

void CString::FormatV(const char* fmt, va_list args)
{
    // Formatted aside first: an argument may be this string's own text.
    std::string out;
    AppendFormatted(out, fmt, args);
    m_s = std::move(out);
}

void CString::AppendFormatArgs(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    AppendFormatV(fmt, ap);
    va_end(ap);
}

void CString::AppendFormatV(const char* fmt, va_list args)
{
    AppendFormatted(m_s, fmt, args);
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || start >= GetLength())
        return -1;
    size_t pos = m_s.find(ch, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength())
        return -1;
    size_t pos = m_s.find(sub, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const
{
    size_t pos = m_s.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const char* chars) const
{
    if (!chars)
        return -1;
    size_t pos = m_s.find_first_of(chars);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int count) const
{
    return Mid(0, count);
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_s.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return Mid(GetLength() - count, count);
}

CString& CString::MakeUpper()
{
    for (char& c : m_s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return *this;
}

CString& CString::MakeLower()
{
    for (char& c : m_s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return *this;
}

CString& CString::Trim(const char* chars)
{
    return TrimRight(chars).TrimLeft(chars);
}

CString& CString::TrimLeft(const char* chars)
{
    size_t i = 0;
    while (i < m_s.size() && IsIn(m_s[i], chars))
        ++i;
    m_s.erase(0, i);
    return *this;
}

CString& CString::TrimRight(const char* chars)
{
    size_t n = m_s.size();
    while (n > 0 && IsIn(m_s[n - 1], chars))
        --n;
    m_s.resize(n);
    return *this;
}

int CString::Replace(char oldCh, char newCh)
{
    int count = 0;
    for (char& c : m_s) {
        if (c == oldCh) {
            c = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* oldText, const char* newText)
{
    if (!oldText || !*oldText)
        return 0;
    const size_t oldLen = std::strlen(oldText);
    const std::string repl = newText ? newText : "";
    int count = 0;
    size_t pos = 0;
    while ((pos = m_s.find(oldText, pos, oldLen)) != std::string::npos) {
        m_s.replace(pos, oldLen, repl);
        pos += repl.size();
        ++count;
    }
    return count;
}

int CString::Remove(char ch)
{
    size_t before = m_s.size();
    std::erase(m_s, ch);
    return static_cast<int>(before - m_s.size());
}

int CString::Insert(int index, const char* text)
{
    index = std::clamp(index, 0, GetLength());
    if (text)
        m_s.insert(static_cast<size_t>(index), text);
    return GetLength();
}

int CString::Delete(int index, int count)
{
    if (index >= 0 && index < GetLength() && count > 0)
        m_s.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    return GetLength();
}

int CString::Compare(const char* s) const
{
    return std::strcmp(m_s.c_str(), s ? s : "");
}

int CString::CompareNoCase(const char* s) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_s.c_str());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(s ? s : "");
    for (;; ++a, ++b) {
        int ca = std::tolower(*a), cb = std::tolower(*b);
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}

char* CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_s.resize(static_cast<size_t>(minLength));
    return m_s.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        m_s.resize(strnlen(m_s.data(), m_s.size()));
    else
        m_s.resize(std::min(static_cast<size_t>(newLength), m_s.size()));
}

// CFile: the handle's lifetime and the read/write/seek calls.
#include "framework/file.h"

#include <utility>

CFile::CFile(CFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)), m_name(std::move(other.m_name))
{
}

CFile& CFile::operator=(CFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, INVALID_HANDLE_VALUE);
        m_name = std::move(other.m_name);
    }
    return *this;
}

bool CFile::Open(const char* name, DWORD access, DWORD share, DWORD creation, DWORD flags)
{
    Close();
    HANDLE h = CreateFileA(name, access, share, nullptr, creation, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false; // nothing after CreateFileA, so its error code stands
    m_handle = h;
    m_name = name;
    return true;
}

bool CFile::Read(void* buffer, DWORD size, DWORD* done)
{
    DWORD n = 0;
    BOOL ok = ReadFile(m_handle, buffer, size, &n, nullptr);
    if (done)
        *done = n;
    return ok != FALSE;
}

bool CFile::Write(const void* buffer, DWORD size, DWORD* done)
{
    DWORD n = 0;
    BOOL ok = WriteFile(m_handle, buffer, size, &n, nullptr);
    if (done)
        *done = n;
    if (ok && n != size) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return ok != FALSE;
}

bool CFile::Seek(LONGLONG offset, DWORD method, ULONGLONG* newPos)
{
    LARGE_INTEGER dist, pos;
    dist.QuadPart = offset;
    if (!SetFilePointerEx(m_handle, dist, &pos, method))
        return false;
    if (newPos)
        *newPos = static_cast<ULONGLONG>(pos.QuadPart);
    return true;
}

LONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_handle, &size))
        return -1;
    return size.QuadPart;
}

bool CFile::Flush()
{
    return FlushFileBuffers(m_handle) != FALSE;
}

void CFile::Close()
{
    if (m_handle != INVALID_HANDLE_VALUE) {
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
    m_name.Empty();
}
